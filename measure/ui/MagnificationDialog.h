#pragma once
// "Magnification": edits the document's scales and shows the magnification
// table of the profile with its default. The table buttons act on the
// profile at once; OK hands the shown values back to the document, which
// takes them without writing the default or adding an entry.
#include <QDialog>

#include "measure/Magnification.h"

class ProfileStore;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace ordavia {

class MagnificationDialog : public QDialog {
    Q_OBJECT
public:
    // unitName is the unit name in effect; the scales are labelled with it + "/pixel".
    MagnificationDialog(const Magnification& shown, const std::string& unitName, const ProfileStore& store,
                        QWidget* parent = nullptr);
    // The values shown; the date is that of the entry last selected.
    Magnification shown() const;

private:
    void refresh();
    void addToList();
    void selectEntry();
    void removeEntry();
    void setAsDefault();

    const ProfileStore& store_;
    int32_t date_;
    QDoubleSpinBox* x_;
    QDoubleSpinBox* y_;
    QLineEdit* name_;
    QListWidget* list_;
    QLabel* default_;
};

}  // namespace ordavia
