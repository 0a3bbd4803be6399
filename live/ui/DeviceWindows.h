#pragma once
// The device windows of the live view: the video input control (levels,
// gain, colour balance, flash, colour mode), the big brightness slider, and
// the automatic flash and autofocus windows. They edit the camera's
// settings directly, as a device panel does; the profile gets them when
// the source closes.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;
class QDoubleSpinBox;
class QTimer;
class ZBasicfgDoc;

namespace ordavia {

class CameraSource;

class DeviceControlWindow : public QDialog {
    Q_OBJECT
public:
    DeviceControlWindow(ZBasicfgDoc* doc, QWidget* parent);
    // Back to what the camera holds now.
    void refresh();
    QSlider* flashSlider() const { return flash_; }
    int flashRange() const { return flashRange_; }

private:
    ZBasicfgDoc* doc_;
    QSlider* black_ = nullptr;
    QSlider* white_ = nullptr;
    QComboBox* gain_ = nullptr;
    QComboBox* colour_ = nullptr;
    QSlider* red_ = nullptr;
    QSlider* green_ = nullptr;
    QSlider* blue_ = nullptr;
    QSlider* flash_ = nullptr;
    QLabel* flashText_ = nullptr;
    int flashRange_ = 5000;
    bool refreshing_ = false;
};

// "&Big Brightness slider": one tall slider of the black level.
class BrightnessWindow : public QDialog {
    Q_OBJECT
public:
    BrightnessWindow(ZBasicfgDoc* doc, QWidget* parent);

private:
    QSlider* slider_ = nullptr;
};

class AutoFlashWindow : public QDialog {
    Q_OBJECT
public:
    AutoFlashWindow(ZBasicfgDoc* doc, QWidget* parent);
    // The read-outs, as the 250 ms timer refreshes them.
    void refresh();
    QString readout() const;
    void apply();

private:
    ZBasicfgDoc* doc_;
    QLabel* brightness_ = nullptr;
    QLabel* lastGood_ = nullptr;
    QLabel* flash_ = nullptr;
    QCheckBox* on_ = nullptr;
    QSpinBox* target_ = nullptr;
    QSpinBox* tolerance_ = nullptr;
    QTimer* timer_ = nullptr;
};

class AutoFocusWindow : public QDialog {
    Q_OBJECT
public:
    AutoFocusWindow(ZBasicfgDoc* doc, QWidget* parent);
    void refresh();
    void apply();

private:
    ZBasicfgDoc* doc_;
    QCheckBox* on_ = nullptr;
    QSpinBox* minStep_ = nullptr;
    QSpinBox* maxStep_ = nullptr;
    QSpinBox* minRange_ = nullptr;
    QSpinBox* gap_ = nullptr;
    QSpinBox* threshold_ = nullptr;
    QComboBox* method_ = nullptr;
    QDoubleSpinBox* roi_ = nullptr;
    QLabel* state_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace ordavia
