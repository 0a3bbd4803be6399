#include "measure/ui/CustomFilterDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/ProfileStore.h"

namespace ordavia {

CustomFilterDialog::CustomFilterDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Custom Filter");
    auto* kernelBox = new QGroupBox("Kernel", this);
    auto* grid = new QGridLayout(kernelBox);
    for (int i = 0; i < 9; ++i) {
        cells_[i] = new QSpinBox(kernelBox);
        // The sum over 9 pixels of 255 stays well inside an int.
        cells_[i]->setRange(-99999, 99999);
        grid->addWidget(cells_[i], i / 3, i % 3);
    }
    factor_ = new QDoubleSpinBox(this);
    factor_->setDecimals(6);
    factor_->setRange(-1e6, 1e6);
    offset_ = new QSpinBox(this);
    offset_->setRange(-99999, 99999);
    auto* form = new QFormLayout;
    form->addRow("Factor:", factor_);
    form->addRow("Offset:", offset_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(kernelBox);
    box->addLayout(form);
    box->addWidget(buttons);
}

CustomKernel CustomFilterDialog::kernel() const {
    CustomKernel k;
    for (int i = 0; i < 9; ++i) k.k[i] = cells_[i]->value();
    k.gain = factor_->value();
    k.offset = offset_->value();
    return k;
}

void CustomFilterDialog::setKernel(const CustomKernel& k) {
    for (int i = 0; i < 9; ++i) cells_[i]->setValue(k.k[i]);
    factor_->setValue(k.gain);
    offset_->setValue(k.offset);
}

bool runCustomFilterDialog(const ProfileStore& profile, QWidget* parent) {
    CustomKernel k;
    k.load(profile);
    CustomFilterDialog d(parent);
    d.setKernel(k);
    if (d.exec() != QDialog::Accepted) return false;
    d.kernel().save(profile);
    return true;
}

}  // namespace ordavia
