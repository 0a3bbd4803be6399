#include "measure/ui/BrightnessContrastDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "framework/AppServices.h"
#include "measure/ImageProcessing.h"
#include "measure/ZBasicDoc.h"

namespace ordavia {

namespace {
// The gain slider works in hundredths; 0.01 to 5.00 covers every useful
// stretch of an 8-bit picture.
constexpr int kGainSteps = 100;
constexpr int kGainMin = 1;
constexpr int kGainMax = 500;
}  // namespace

BrightnessContrastDialog::BrightnessContrastDialog(ZBasicDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle("Adjust brightness/contrast");
    original_.Copy(doc_.image());

    auto* grid = new QGridLayout;
    gain_ = new QSlider(Qt::Horizontal, this);
    gain_->setRange(kGainMin, kGainMax);
    gain_->setValue(kGainSteps);
    gain_->setMinimumWidth(280);
    offset_ = new QSlider(Qt::Horizontal, this);
    offset_->setRange(-255, 255);
    offset_->setValue(0);
    gainText_ = new QLabel(this);
    offsetText_ = new QLabel(this);
    gainText_->setMinimumWidth(50);
    grid->addWidget(new QLabel("Contrast (gain)", this), 0, 0);
    grid->addWidget(gain_, 0, 1);
    grid->addWidget(gainText_, 0, 2);
    grid->addWidget(new QLabel("Brightness (offset)", this), 1, 0);
    grid->addWidget(offset_, 1, 1);
    grid->addWidget(offsetText_, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addWidget(buttons);

    connect(gain_, &QSlider::valueChanged, this, [this] { preview(); });
    connect(offset_, &QSlider::valueChanged, this, [this] { preview(); });
    gainText_->setText(QString::number(gain(), 'f', 2));
    offsetText_->setText(QString::number(offset()));
}

BrightnessContrastDialog::~BrightnessContrastDialog() {
    // Closed any other way than OK or Cancel: the preview must not stay.
    if (!finished_) restore();
}

void BrightnessContrastDialog::restore() {
    finished_ = true;
    if (original_.isEmpty()) return;
    doc_.showPreview(original_);
}

double BrightnessContrastDialog::gain() const { return double(gain_->value()) / kGainSteps; }
double BrightnessContrastDialog::offset() const { return double(offset_->value()); }

void BrightnessContrastDialog::setValues(double gain, double offset) {
    gain_->setValue(int(std::lround(gain * kGainSteps)));
    offset_->setValue(int(std::lround(offset)));
}

void BrightnessContrastDialog::preview() {
    gainText_->setText(QString::number(gain(), 'f', 2));
    offsetText_->setText(QString::number(offset()));
    if (original_.isEmpty()) return;
    // Always from the original, so that moving back and forth loses nothing.
    const ZRect roi = doc_.marks().roi.normalized();
    doc_.showPreview(original_, [&](CZVimage& picture) { picture.linearMap(roi, gain(), offset()); });
}

void BrightnessContrastDialog::accept() {
    if (finished_) return;
    finished_ = true;
    if (!original_.isEmpty()) {
        doc_.showPreview(original_);
        // Identity leaves the picture as it was: no undo step, no history.
        if (gain_->value() != kGainSteps || offset_->value() != 0)
            showFailure(doc_.services().prompter(), ImageProcessing::adjustBrightnessContrast(doc_, gain(), offset()),
                        doc_.quiet());
    }
    QDialog::accept();
}

void BrightnessContrastDialog::reject() {
    if (finished_) return;
    restore();
    QDialog::reject();
}

bool runBrightnessContrastDialog(ZBasicDoc& doc, QWidget* parent) {
    if (doc.image().isEmpty()) return false;
    BrightnessContrastDialog d(doc, parent);
    return d.exec() == QDialog::Accepted;
}

}  // namespace ordavia
