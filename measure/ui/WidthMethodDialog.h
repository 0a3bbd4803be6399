#pragma once
// "Capillary Width Method": how "Find capillary &width" finds the edges of
// the dip, and the level of the threshold method. OK stores both in the
// "capwidth" settings.
#include <QDialog>

#include "measure/CapillaryWidth.h"

class QDoubleSpinBox;
class QRadioButton;

namespace ordavia {

class WidthMethodDialog : public QDialog {
public:
    explicit WidthMethodDialog(const WidthSettings& s, QWidget* parent = nullptr);
    WidthSettings settings() const;
    QRadioButton* button(WidthMethod m) const;
    QDoubleSpinBox* levelField() const { return level_; }

private:
    QRadioButton* buttons_[3] = {};
    QDoubleSpinBox* level_ = nullptr;
};

}  // namespace ordavia
