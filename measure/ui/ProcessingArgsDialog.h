#pragma once
// "Processing...": the "ProcessingArgs" values of the preprocessing chain
// and the detector (box-filter sizes, accepted area range, method and the
// apex template), stored back when confirmed.
#include <QDialog>

#include "image/ProcessingArgs.h"

class QDoubleSpinBox;
class QSpinBox;

namespace ordavia {

class ProcessingArgsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProcessingArgsDialog(QWidget* parent);

    ProcessingArgs args() const;
    void setArgs(const ProcessingArgs& a);

private:
    // Fields not shown (the trace tool's) pass through unchanged.
    ProcessingArgs base_;
    QSpinBox* uw1_ = nullptr;
    QSpinBox* uw2_ = nullptr;
    QSpinBox* w3_ = nullptr;
    QSpinBox* w4_ = nullptr;
    QSpinBox* umin_ = nullptr;
    QSpinBox* umax_ = nullptr;
    QSpinBox* method_ = nullptr;
    QSpinBox* apexw_ = nullptr;
    QDoubleSpinBox* stddev_ = nullptr;
    QDoubleSpinBox* gpeak_ = nullptr;
    QDoubleSpinBox* ggain_ = nullptr;
    QDoubleSpinBox* apexfactor_ = nullptr;
    QSpinBox* apexoffset_ = nullptr;
};

// Runs the dialog on the stored values; on OK stores them and returns true.
bool runProcessingArgsDialog(const ProfileStore& profile, QWidget* parent);

}  // namespace ordavia
