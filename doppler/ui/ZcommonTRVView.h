#pragma once
// What the Doppler monitor's and the review's views share: the chart view
// with the detection commands of the Doppler menu (the five methods with
// a check mark on the one in force, "CBV parameters...", "&Trim Doppler
// Spectrum", "swap units mm/s <-> kHz") and the full-scale commands that
// carry the threshold with them when it is tied to the full scale.
#include <QMenu>

#include "chart/ui/ZchartView.h"
#include "base/ui/CommandTable.h"

class ZcommonTRVDoc;

class ZcommonTRVView : public ZchartView {
    Q_OBJECT
public:
    explicit ZcommonTRVView(ZcommonTRVDoc* doc, QWidget* parent = nullptr);

    ZcommonTRVDoc* trvDocument() const { return trv_; }

    void cmdCbvParameters();
    void cmdSwapUnits();
    // "&Reduce full scale" (false) and "&Increase  full scale" (true).
    void cmdTrvFullScale(bool increase);

protected:
    // The Doppler menu, for derived views to add their commands to.
    QMenu* dopplerMenu() const { return doppler_; }
    // Appends the commands of `table` to the Doppler menu.
    void addDopplerCommands(const ordavia::CommandTable& table);
    void say(const char* text);
    // The velocity trace drawn over the spectrum, both from 0 at the bottom
    // to `topHz` of shift at the top, so that the line follows the
    // spectrum's upper edge; the raw signal waits behind "&Hide Trace" on a
    // scale of its own. The velocity becomes the active trace.
    void arrangeDopplerDisplays(double topHz);

private:
    ZcommonTRVDoc* trv_;
    QMenu* doppler_;
};
