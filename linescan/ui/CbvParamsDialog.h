#pragma once
// The "CBV calculation parameters" dialog: the correlation settings, the
// Hough transform of the scan in its own group, and the sub-pixel option.
// It edits a copy; the caller gives the accepted values to the document,
// which writes every key.
#include <QDialog>

#include "linescan/CbvParams.h"

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace ordavia {

class CbvParamsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "CBV calculation parameters";

    explicit CbvParamsDialog(const ordavia::CbvParams& p, QWidget* parent = nullptr);
    ordavia::CbvParams values() const;

private:
    ordavia::CbvParams base_;
    QDoubleSpinBox* limit_;
    QSpinBox* gap_;
    QSpinBox* filter_;
    QDoubleSpinBox* smoothing_;
    QSpinBox* peakWindow_;
    QCheckBox* hipass_;
    QCheckBox* twoD_;
    QCheckBox* zeroPeak_;
    QCheckBox* correl2velo_;
    QCheckBox* subpixel_;
    QCheckBox* doHough_;
    QDoubleSpinBox* houghDif_;
    QDoubleSpinBox* houghMin_;
    QSpinBox* houghThreshold_;
    QSpinBox* houghTol_;
};

}  // namespace ordavia
