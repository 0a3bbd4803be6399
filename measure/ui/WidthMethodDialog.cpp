#include "measure/ui/WidthMethodDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "measure/CapillaryWidthTool.h"

namespace ordavia {

WidthMethodDialog::WidthMethodDialog(const WidthSettings& s, QWidget* parent) : QDialog(parent) {
    setWindowTitle(CapillaryWidthTool::kMethodDialog);
    auto* lay = new QVBoxLayout(this);
    const int chosen = s.effectiveMethod();
    for (size_t i = 0; i < std::size(kWidthMeasures); ++i) {
        buttons_[i] = new QRadioButton(kWidthMeasures[i].name, this);
        buttons_[i]->setChecked(static_cast<int>(kWidthMeasures[i].method) == chosen);
        lay->addWidget(buttons_[i]);
    }
    auto* form = new QFormLayout;
    level_ = new QDoubleSpinBox(this);
    level_->setRange(0.0, 1.0);
    level_->setDecimals(2);
    level_->setSingleStep(0.05);
    level_->setValue(s.pointOnRise);
    form->addRow("level (0-1)", level_);
    lay->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(box);
}

QRadioButton* WidthMethodDialog::button(WidthMethod m) const {
    for (size_t i = 0; i < std::size(kWidthMeasures); ++i)
        if (kWidthMeasures[i].method == m) return buttons_[i];
    return nullptr;
}

WidthSettings WidthMethodDialog::settings() const {
    WidthSettings s;
    for (size_t i = 0; i < std::size(kWidthMeasures); ++i)
        if (buttons_[i]->isChecked()) s.method = static_cast<int>(kWidthMeasures[i].method);
    s.pointOnRise = level_->value();
    return s;
}

}  // namespace ordavia
