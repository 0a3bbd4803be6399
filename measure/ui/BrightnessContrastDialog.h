#pragma once
// "&Adjust brightness/contrast": gain and offset sliders whose linear map
// is previewed on the document's image as they move. OK applies the map
// through the image operation protocol (so it can be undone); Cancel puts
// the image back as it was.
#include <QDialog>

#include "image/CZVimage.h"

class QLabel;
class QSlider;
class ZBasicDoc;

namespace ordavia {

class BrightnessContrastDialog : public QDialog {
    Q_OBJECT
public:
    BrightnessContrastDialog(ZBasicDoc& doc, QWidget* parent);
    ~BrightnessContrastDialog() override;

    double gain() const;
    double offset() const;
    void setValues(double gain, double offset);

    void accept() override;
    void reject() override;

private:
    void preview();
    // Puts the picture back as it was when the dialog opened.
    void restore();

    ZBasicDoc& doc_;
    CZVimage original_;
    QSlider* gain_ = nullptr;
    QSlider* offset_ = nullptr;
    QLabel* gainText_ = nullptr;
    QLabel* offsetText_ = nullptr;
    bool finished_ = false;
};

// Runs the dialog; true when the map was applied.
bool runBrightnessContrastDialog(ZBasicDoc& doc, QWidget* parent);

}  // namespace ordavia
