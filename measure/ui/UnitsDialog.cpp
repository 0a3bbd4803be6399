#include "measure/ui/UnitsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ordavia {

UnitsDialog::UnitsDialog(bool calibrated, const std::string& units, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Units"));
    calibrated_ = new QCheckBox(tr("calibrated"));
    calibrated_->setChecked(calibrated);
    units_ = new QLineEdit(QString::fromStdString(units));
    auto* form = new QFormLayout;
    form->addRow(calibrated_);
    form->addRow(tr("units"), units_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool UnitsDialog::calibrated() const { return calibrated_->isChecked(); }
std::string UnitsDialog::units() const { return units_->text().toStdString(); }

}  // namespace ordavia
