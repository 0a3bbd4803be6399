#pragma once
// "Custo&m Filter": the nine kernel values (row by row from the top-left),
// the factor and the offset of the custom 3 x 3 filter, read from and
// stored back in "ProcessingArgs".
#include <QDialog>

#include "image/CustomKernel.h"

class QDoubleSpinBox;
class QSpinBox;

namespace ordavia {

class CustomFilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomFilterDialog(QWidget* parent);

    CustomKernel kernel() const;
    void setKernel(const CustomKernel& k);

private:
    QSpinBox* cells_[9] = {};
    QDoubleSpinBox* factor_ = nullptr;
    QSpinBox* offset_ = nullptr;
};

// Runs the dialog on the stored kernel; on OK stores it and returns true.
bool runCustomFilterDialog(const ProfileStore& profile, QWidget* parent);

}  // namespace ordavia
