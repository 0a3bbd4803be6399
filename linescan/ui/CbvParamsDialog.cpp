#include "linescan/ui/CbvParamsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ordavia {

namespace {
QDoubleSpinBox* real(double lo, double hi, int decimals, double step, double value) {
    auto* s = new QDoubleSpinBox;
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setSingleStep(step);
    s->setValue(value);
    return s;
}
QSpinBox* whole(int lo, int hi, int value) {
    auto* s = new QSpinBox;
    s->setRange(lo, hi);
    s->setValue(value);
    return s;
}
QCheckBox* box(const char* text, bool on) {
    auto* c = new QCheckBox(text);
    c->setChecked(on);
    return c;
}
}  // namespace

CbvParamsDialog::CbvParamsDialog(const ordavia::CbvParams& p, QWidget* parent) : QDialog(parent), base_(p) {
    setWindowTitle(kTitle);
    auto* lay = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    limit_ = real(0.0, 1.0, 3, 0.01, p.coefLimit);
    gap_ = whole(1, 1000, p.gap);
    filter_ = whole(1, 1000, p.filter);
    smoothing_ = real(0.0, 1.0, 4, 0.01, p.smoothing);
    peakWindow_ = whole(0, 100000, p.correlPeakWindow);
    form->addRow("Correlation coeficient lower acceptable limit", limit_);
    form->addRow("No. of linescan sample periods between correlations", gap_);
    form->addRow("No. of correlations to smooth", filter_);
    form->addRow("smoothing factor", smoothing_);
    form->addRow("Peak detection window (x sample points)", peakWindow_);
    lay->addLayout(form);
    hipass_ = box("Enable linescan high pass filter", p.hipass);
    twoD_ = box("Use 2D correlation.", p.twoD);
    // A scan here holds one grey value per point of the line, and the two-
    // dimensional correlation of such a scan is the correlation above; a
    // band of values across the capillary, which would make it differ, is
    // never sampled. The stored value is kept as it is.
    twoD_->setEnabled(false);
    twoD_->setToolTip(
        "Not available: each line scan holds one grey value per point along the line, and a two-dimensional "
        "correlation of it gives the same velocities as the correlation above. The stored setting is kept; "
        "with the high pass filter on it still makes the Hough transform read the unfiltered scan.");
    zeroPeak_ = box("include zero velocity peaks", p.zeroPeak);
    correl2velo_ = box("Draw velocity lines from correlation peaks", p.correl2velo);
    subpixel_ = box("Sub-pixel velocity (refine the correlation peak and the Hough angle)", p.subpixel);
    subpixel_->setToolTip(
        "The correlation peak is refined to a fraction of a shift and the Hough angle between its steps. "
        "Off, velocities come in whole shifts per sample period, as stored results made without it.");
    for (QCheckBox* c : {hipass_, twoD_, zeroPeak_, correl2velo_, subpixel_}) lay->addWidget(c);

    auto* hough = new QGroupBox("Hough transform of linescan");
    auto* hl = new QVBoxLayout(hough);
    doHough_ = box("Enable Hough calculation", p.doHough);
    hl->addWidget(doHough_);
    auto* hf = new QFormLayout;
    houghDif_ = real(0.0, 100.0, 2, 0.1, p.houghDifThreshold);
    houghMin_ = real(0.0, 1e9, 2, 1.0, p.houghMin);
    houghThreshold_ = whole(0, 100, p.houghThreshold);
    houghTol_ = whole(0, 100, p.houghTol);
    hf->addRow("Hough greylevel threshold (no. of Standard deviations)", houghDif_);
    hf->addRow("minimum velocity", houghMin_);
    hf->addRow("Peak detection noise threshold (% of maximum)", houghThreshold_);
    hf->addRow("minimum peak height (% of maximum)", houghTol_);
    hl->addLayout(hf);
    lay->addWidget(hough);

    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(bb, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(bb, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(bb);
}

ordavia::CbvParams CbvParamsDialog::values() const {
    ordavia::CbvParams p = base_;
    p.coefLimit = limit_->value();
    p.gap = gap_->value();
    p.filter = filter_->value();
    p.smoothing = smoothing_->value();
    p.correlPeakWindow = peakWindow_->value();
    p.hipass = hipass_->isChecked();
    p.twoD = twoD_->isChecked();
    p.zeroPeak = zeroPeak_->isChecked();
    p.correl2velo = correl2velo_->isChecked();
    p.subpixel = subpixel_->isChecked();
    p.doHough = doHough_->isChecked();
    p.houghDifThreshold = houghDif_->value();
    p.houghMin = houghMin_->value();
    p.houghThreshold = houghThreshold_->value();
    p.houghTol = houghTol_->value();
    return p;
}

}  // namespace ordavia
