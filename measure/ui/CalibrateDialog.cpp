#include "measure/ui/CalibrateDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "measure/CalibrationTexts.h"

namespace ordavia {

namespace {
QDoubleSpinBox* lengthBox(double value) {
    auto* b = new QDoubleSpinBox;
    b->setDecimals(4);
    b->setRange(0.0, 1e9);
    b->setValue(value);
    return b;
}
}  // namespace

CalibrateDialog::CalibrateDialog(const CalibrationRequest& proposal, int lineCount, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(CalibrationTexts::calibrateTitle));
    auto* text = new QLabel(QString::fromUtf8(CalibrationTexts::calibrateText));
    text->setWordWrap(true);

    xLine_ = new QSpinBox;
    yLine_ = new QSpinBox;
    for (QSpinBox* b : {xLine_, yLine_}) b->setRange(0, std::max(lineCount, 0));
    xLine_->setValue(proposal.xLine);
    yLine_->setValue(proposal.yLine);
    xLength_ = lengthBox(proposal.xTrueLength);
    yLength_ = lengthBox(proposal.yTrueLength);
    name_ = new QLineEdit(QString::fromStdString(proposal.name));
    setDefault_ = new QCheckBox(QString::fromUtf8(CalibrationTexts::calibrateSetDefault));
    setDefault_->setChecked(proposal.setAsDefault);

    auto* form = new QFormLayout;
    form->addRow(tr("x line"), xLine_);
    form->addRow(tr("x true length"), xLength_);
    form->addRow(tr("y line"), yLine_);
    form->addRow(tr("y true length"), yLength_);
    form->addRow(tr("name"), name_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(form);
    layout->addWidget(setDefault_);
    layout->addWidget(buttons);
}

CalibrationRequest CalibrateDialog::request() const {
    CalibrationRequest r;
    r.xLine = xLine_->value();
    r.yLine = yLine_->value();
    r.xTrueLength = xLength_->value();
    r.yTrueLength = yLength_->value();
    r.name = name_->text().toStdString();
    r.setAsDefault = setDefault_->isChecked();
    return r;
}

}  // namespace ordavia
