#pragma once
// The Doppler review view: the common Doppler view with the review's commands on
// the stored spectrum (velocity, contours, signal strength) and on a
// velocity trace (pulsatility and resistance indexes, pulse removal).
// Spectrum commands work on the active trace when it is a spectrum, else
// on the recording's "Doppler spectrum"; the selection limits them when
// it was made on that trace.
#include "doppler/ui/ZcommonTRVView.h"

class CReviewDoc;

class CReView : public ZcommonTRVView {
    Q_OBJECT
public:
    explicit CReView(CReviewDoc* doc, QWidget* parent = nullptr);
    CReviewDoc* review() const { return review_; }

    void cmdCalculateCbv();
    void cmdRecalculate();
    void cmdPowerContour();
    void cmdLevelContour();
    void cmdSignalStrength();
    // The pulse commands: 0 pulsatility, 1 resistance, 2 remove pulse.
    void cmdPulse(int which);

protected:
    void showEvent(QShowEvent* e) override;

private:
    int spectrumOrSay();
    void rangeOf(int index, uint32_t& from, uint32_t& to) const;
    void showNewTrace(int index);
    CReviewDoc* review_;
    bool arranged_ = false;
};

namespace ordavia {
// After the chart and line-scan views: ".zv1" reviews get the review
// view, the Doppler monitor its own.
void registerDopplerViews();
}  // namespace ordavia
