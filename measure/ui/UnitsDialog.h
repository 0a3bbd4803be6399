#pragma once
// "Units": whether the document is calibrated and the name of its unit.
#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;

namespace ordavia {

class UnitsDialog : public QDialog {
    Q_OBJECT
public:
    UnitsDialog(bool calibrated, const std::string& units, QWidget* parent = nullptr);
    bool calibrated() const;
    std::string units() const;

private:
    QCheckBox* calibrated_;
    QLineEdit* units_;
};

}  // namespace ordavia
