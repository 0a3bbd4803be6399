#pragma once
// "Calibrate": the user names one list line for x and one for y, the true
// length of each, a name, and whether the result becomes the default. The
// scales themselves are worked out by Calibration.
#include <QDialog>

#include "measure/Calibration.h"

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace ordavia {

class CalibrateDialog : public QDialog {
    Q_OBJECT
public:
    // lineCount bounds the line numbers (0 names no line).
    CalibrateDialog(const CalibrationRequest& proposal, int lineCount, QWidget* parent = nullptr);
    CalibrationRequest request() const;

private:
    QSpinBox* xLine_;
    QSpinBox* yLine_;
    QDoubleSpinBox* xLength_;
    QDoubleSpinBox* yLength_;
    QLineEdit* name_;
    QCheckBox* setDefault_;
};

}  // namespace ordavia
