#pragma once
// The Doppler monitor window: the live traces of the monitor ("CBV" over
// the scrolling "Doppler spectrum", the "raw" signal, the enabled
// auxiliary inputs) with the monitor's commands: input, auxiliary input,
// channel and hardware settings, the detection threshold, the laser, the
// image marker and the bandwidth, shown as "BW=%.2fkHz" on the status line.
#include <QElapsedTimer>

#include "doppler/ui/ZcommonTRVView.h"

class QLabel;
class Ctrv2Doc;

class Ctrv2View : public ZcommonTRVView {
    Q_OBJECT
public:
    explicit Ctrv2View(Ctrv2Doc* doc, QWidget* parent = nullptr);
    static constexpr double kShownSeconds = 10.0;

    Ctrv2Doc* monitor() const { return monitor_; }
    void OnUpdate(ordavia::Document* doc, long hint) override;
    QSize sizeHint() const override { return {1150, 620}; }

    void cmdInputSettings();
    void cmdAuxInputs();
    void cmdInputChannel();
    void cmdHardware();
    void cmdSaveImage();
    // "&Record Doppler signal": starts a recording, or ends it and saves it.
    void cmdRecord();
    static constexpr const char* kRecordText = "&Record Doppler signal";
    void cmdBandwidth(bool increase);
    // The text of the monitor's status line.
    QString statusText() const;
    // The warning shown over the plot and on the status line while the
    // velocity is saturated (empty otherwise).
    QString saturationText() const;

protected:
    void showEvent(QShowEvent* e) override;
    // A saturated velocity is washed out and labelled over the plot: it is
    // the noise at the top of the band, not a measurement.
    void paintOverlay(QPainter& p, const QRect& plot) override;

private:
    void showStatus();
    void arrangeDisplays();

    Ctrv2Doc* monitor_;
    QLabel* status_ = nullptr;
    QLabel* warning_ = nullptr;
    QAction* laser_ = nullptr;
    QAction* record_ = nullptr;
    bool arranged_ = false;
    // When the spectrum's picture was last rebuilt: the line traces follow
    // every block, the picture of the spectrum a few times a second.
    QElapsedTimer spectrumClock_;
};
