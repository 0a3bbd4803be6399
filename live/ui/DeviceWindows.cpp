#include "live/ui/DeviceWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Text.h"
#include "framework/AppServices.h"
#include "live/ZBasicfgDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

QSlider* slider(int min, int max, int page, QWidget* parent, Qt::Orientation o = Qt::Horizontal) {
    auto* s = new QSlider(o, parent);
    s->setRange(min, max);
    s->setPageStep(page);
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------

DeviceControlWindow::DeviceControlWindow(ZBasicfgDoc* doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle("Video Input Control");
    setWindowFlag(Qt::Tool);
    auto* form = new QFormLayout(this);
    black_ = slider(0, 2000, 100, this);
    white_ = slider(0, 2000, 100, this);
    form->addRow("bright", black_);
    form->addRow("cont", white_);
    gain_ = new QComboBox(this);
    for (int i = 0; i < CameraSettings::kGainCount; ++i)
        gain_->addItem(QString::fromStdString(strprintf("%i: x%.2f", i, CameraSettings::gainFactor(i))));
    form->addRow("gain", gain_);
    colour_ = new QComboBox(this);
    colour_->addItems({"Grey", "Colour", "Raw Bayer colour"});
    form->addRow("colour", colour_);
    red_ = slider(0, 100, 10, this);
    green_ = slider(0, 100, 10, this);
    blue_ = slider(0, 100, 10, this);
    form->addRow("red %", red_);
    form->addRow("green %", green_);
    form->addRow("blue %", blue_);

    CameraSource* cam = doc_->source();
    flashRange_ = doc_->services().profile().GetInt("fgip", "flashrange", 5000);
    if (cam && cam->hasFlash()) {
        // Up lengthens the flash: the position is the range minus the flash.
        flash_ = slider(0, flashRange_, std::max(1, flashRange_ / 10), this, Qt::Vertical);
        flash_->setInvertedAppearance(true);
        flashText_ = new QLabel(this);
        form->addRow("flash", flash_);
        form->addRow("", flashText_);
        debugLog("fgip flashrange=%i us\n", flashRange_);
    }

    auto set = [this](auto apply) {
        return [this, apply](int v) {
            CameraSource* c = doc_->source();
            if (refreshing_ || !c) return;
            apply(*c, v);
        };
    };
    connect(black_, &QSlider::valueChanged, this, set([](CameraSource& c, int v) { c.settings().blackLevel = v; }));
    connect(white_, &QSlider::valueChanged, this, set([](CameraSource& c, int v) { c.settings().whiteLevel = v; }));
    connect(gain_, &QComboBox::currentIndexChanged, this, set([](CameraSource& c, int v) { c.settings().setGain(v); }));
    connect(colour_, &QComboBox::currentIndexChanged, this, set([](CameraSource& c, int v) { c.setColourMode(v); }));
    connect(red_, &QSlider::valueChanged, this, set([](CameraSource& c, int v) { c.settings().setRedPercent(v); }));
    connect(green_, &QSlider::valueChanged, this, set([](CameraSource& c, int v) { c.settings().setGreenPercent(v); }));
    connect(blue_, &QSlider::valueChanged, this, set([](CameraSource& c, int v) { c.settings().setBluePercent(v); }));
    if (flash_)
        connect(flash_, &QSlider::valueChanged, this, set([this](CameraSource& c, int v) {
                    c.setFlash(flashRange_ - v);
                    flashText_->setText(QString::fromStdString(strprintf("%i us", c.flash())));
                }));
    refresh();
}

void DeviceControlWindow::refresh() {
    CameraSource* c = doc_->source();
    if (!c) return;
    refreshing_ = true;
    const CameraSettings& s = c->settings();
    black_->setValue(s.blackLevel);
    white_->setValue(s.whiteLevel);
    gain_->setCurrentIndex(s.gain);
    colour_->setCurrentIndex(s.colourMode);
    red_->setValue(s.redPercent());
    green_->setValue(s.greenPercent());
    blue_->setValue(s.bluePercent());
    for (QSlider* w : {red_, green_, blue_}) w->setEnabled(s.colourMode != 0);
    if (flash_) {
        flash_->setValue(flashRange_ - std::min(c->flash(), flashRange_));
        flashText_->setText(QString::fromStdString(strprintf("%i us", c->flash())));
    }
    refreshing_ = false;
}

// ---------------------------------------------------------------------------

BrightnessWindow::BrightnessWindow(ZBasicfgDoc* doc, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Brightness");
    setWindowFlag(Qt::Tool);
    auto* box = new QVBoxLayout(this);
    slider_ = slider(0, 2000, 100, this, Qt::Vertical);
    slider_->setMinimumHeight(320);
    if (CameraSource* c = doc->source()) slider_->setValue(c->settings().blackLevel);
    box->addWidget(slider_, 0, Qt::AlignHCenter);
    connect(slider_, &QSlider::valueChanged, this, [doc](int v) {
        if (CameraSource* c = doc->source()) c->settings().blackLevel = v;
    });
}

// ---------------------------------------------------------------------------

AutoFlashWindow::AutoFlashWindow(ZBasicfgDoc* doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle("Auto flash control");
    setWindowFlag(Qt::Tool);
    auto* form = new QFormLayout(this);
    brightness_ = new QLabel(this);
    lastGood_ = new QLabel(this);
    flash_ = new QLabel(this);
    form->addRow(brightness_);
    form->addRow(lastGood_);
    form->addRow(flash_);
    on_ = new QCheckBox("auto flash", this);
    form->addRow(on_);
    target_ = new QSpinBox(this);
    target_->setRange(1, 254);
    tolerance_ = new QSpinBox(this);
    tolerance_->setRange(1, 100);
    form->addRow("target brightness", target_);
    form->addRow("tolerance", tolerance_);
    auto* apply = new QPushButton("Apply", this);
    form->addRow(apply);
    connect(apply, &QPushButton::clicked, this, &AutoFlashWindow::apply);
    const AutoFlash& f = doc_->flashControl();
    on_->setChecked(doc_->autoFlash);
    target_->setValue(f.target);
    tolerance_->setValue(f.tolerance);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &AutoFlashWindow::refresh);
    timer_->start(250);
    refresh();
}

QString AutoFlashWindow::readout() const {
    return brightness_->text() + "\n" + lastGood_->text() + "\n" + flash_->text();
}

void AutoFlashWindow::refresh() {
    const AutoFlash& f = doc_->flashControl();
    const CameraSource* c = doc_->source();
    brightness_->setText(QString::fromStdString(strprintf("brightness=%i", f.brightness())));
    lastGood_->setText(QString::fromStdString(strprintf("lastgood=%i", f.lastGood())));
    flash_->setText(QString::fromStdString(strprintf("flash=%i", c ? c->flash() : 0)));
}

void AutoFlashWindow::apply() {
    AutoFlash& f = doc_->flashControl();
    f.target = target_->value();
    f.tolerance = tolerance_->value();
    doc_->autoFlash = on_->isChecked();
    f.save(doc_->services().profile());
}

// ---------------------------------------------------------------------------

AutoFocusWindow::AutoFocusWindow(ZBasicfgDoc* doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle("Auto focus control");
    setWindowFlag(Qt::Tool);
    auto* form = new QFormLayout(this);
    const AutoFocusSettings& s = doc_->autoFocus().settings;
    auto spin = [this](int min, int max, int v) {
        auto* b = new QSpinBox(this);
        b->setRange(min, max);
        b->setValue(v);
        return b;
    };
    on_ = new QCheckBox("focus measure on", this);
    on_->setChecked(s.focusOn);
    form->addRow(on_);
    minStep_ = spin(-100000, 100000, s.minStep);
    maxStep_ = spin(-100000, 100000, s.maxStep);
    minRange_ = spin(1, 100000, s.minRange);
    gap_ = spin(1, 200, s.focusGap);
    threshold_ = spin(0, 255, s.focusThreshold);
    form->addRow("lowest position", minStep_);
    form->addRow("highest position", maxStep_);
    form->addRow("stop at range", minRange_);
    form->addRow("gap (pixels)", gap_);
    form->addRow("threshold", threshold_);
    method_ = new QComboBox(this);
    method_->addItems({"1: gradient energy", "2: second difference", "4: Laplacian"});
    method_->setCurrentIndex(s.method >= 4 ? 2 : s.method >= 2 ? 1 : 0);
    form->addRow("measure", method_);
    roi_ = new QDoubleSpinBox(this);
    roi_->setRange(0.05, 1.0);
    roi_->setSingleStep(0.05);
    roi_->setValue(s.roi);
    form->addRow("central region", roi_);
    state_ = new QLabel(this);
    form->addRow(state_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* focus = buttons->addButton("Focus", QDialogButtonBox::ActionRole);
    QPushButton* applyButton = buttons->addButton("Apply", QDialogButtonBox::ApplyRole);
    form->addRow(buttons);
    connect(applyButton, &QPushButton::clicked, this, &AutoFocusWindow::apply);
    connect(focus, &QPushButton::clicked, this, [this] {
        this->apply();
        doc_->startAutoFocus();
        refresh();
    });
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &AutoFocusWindow::refresh);
    timer_->start(250);
    refresh();
}

void AutoFocusWindow::apply() {
    AutoFocusSettings& s = doc_->autoFocus().settings;
    s.focusOn = on_->isChecked();
    s.minStep = minStep_->value();
    s.maxStep = maxStep_->value();
    s.minRange = minRange_->value();
    s.focusGap = gap_->value();
    s.focusThreshold = threshold_->value();
    s.method = 1 << method_->currentIndex();
    s.roi = roi_->value();
    s.save(doc_->services().profile());
}

void AutoFocusWindow::refresh() {
    const AutoFocus& af = doc_->autoFocus();
    const CameraSource* c = doc_->source();
    const char* what = af.state() == AutoFocus::State::Searching  ? "searching"
                       : af.state() == AutoFocus::State::Finished ? "in focus"
                                                                  : "idle";
    state_->setText(QString::fromStdString(strprintf("%s: position %i, measure %.2f after %i frames", what,
                                                     c ? c->focusPosition() : 0, af.lastMeasure(),
                                                     af.measurements())));
}

}  // namespace ordavia
