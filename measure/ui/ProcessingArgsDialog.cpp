#include "measure/ui/ProcessingArgsDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include "image/BoxFilter.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

QSpinBox* intBox(int lo, int hi, QWidget* parent, const char* tip = nullptr) {
    auto* s = new QSpinBox(parent);
    s->setRange(lo, hi);
    if (tip) s->setToolTip(tip);
    return s;
}

QDoubleSpinBox* realBox(int decimals, QWidget* parent) {
    auto* s = new QDoubleSpinBox(parent);
    s->setDecimals(decimals);
    s->setRange(-1e9, 1e9);
    return s;
}

}  // namespace

ProcessingArgsDialog::ProcessingArgsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Processing");
    const char* boxTip = "Negative: low pass of that size; positive: high pass; 0: skipped";
    auto* chain = new QGroupBox("Box filters", this);
    auto* chainForm = new QFormLayout(chain);
    uw1_ = intBox(-kBoxWindowMax, kBoxWindowMax, chain, boxTip);
    uw2_ = intBox(-kBoxWindowMax, kBoxWindowMax, chain, boxTip);
    w3_ = intBox(-kBoxWindowMax, kBoxWindowMax, chain, boxTip);
    w4_ = intBox(-kBoxWindowMax, kBoxWindowMax, chain, boxTip);
    chainForm->addRow("uw1:", uw1_);
    chainForm->addRow("uw2:", uw2_);
    chainForm->addRow("w3:", w3_);
    chainForm->addRow("w4:", w4_);

    auto* detect = new QGroupBox("Capillaries", this);
    auto* detectForm = new QFormLayout(detect);
    umin_ = intBox(0, 100000000, detect);
    umax_ = intBox(0, 100000000, detect);
    method_ = intBox(-1000, 1000, detect);
    detectForm->addRow("Smallest area (pixels):", umin_);
    detectForm->addRow("Largest area (pixels):", umax_);
    detectForm->addRow("Method:", method_);

    auto* apex = new QGroupBox("Apex filter", this);
    auto* apexForm = new QFormLayout(apex);
    apexw_ = intBox(0, 2049, apex);
    stddev_ = realBox(7, apex);
    gpeak_ = realBox(3, apex);
    ggain_ = realBox(3, apex);
    apexfactor_ = realBox(4, apex);
    apexoffset_ = intBox(-1000, 1000, apex);
    apexForm->addRow("Template width:", apexw_);
    apexForm->addRow("Spread:", stddev_);
    apexForm->addRow("Peak:", gpeak_);
    apexForm->addRow("Depth:", ggain_);
    apexForm->addRow("Output gain:", apexfactor_);
    apexForm->addRow("Output offset:", apexoffset_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(chain);
    box->addWidget(detect);
    box->addWidget(apex);
    box->addWidget(buttons);
}

ProcessingArgs ProcessingArgsDialog::args() const {
    ProcessingArgs a = base_;
    a.uw1 = uw1_->value();
    a.uw2 = uw2_->value();
    a.w3 = w3_->value();
    a.w4 = w4_->value();
    a.umin = umin_->value();
    a.umax = umax_->value();
    a.method = method_->value();
    a.apexw = apexw_->value();
    a.stddev = stddev_->value();
    a.gpeak = gpeak_->value();
    a.ggain = ggain_->value();
    a.apexfactor = apexfactor_->value();
    a.apexoffset = apexoffset_->value();
    return a;
}

void ProcessingArgsDialog::setArgs(const ProcessingArgs& a) {
    base_ = a;
    uw1_->setValue(a.uw1);
    uw2_->setValue(a.uw2);
    w3_->setValue(a.w3);
    w4_->setValue(a.w4);
    umin_->setValue(a.umin);
    umax_->setValue(a.umax);
    method_->setValue(a.method);
    apexw_->setValue(a.apexw);
    stddev_->setValue(a.stddev);
    gpeak_->setValue(a.gpeak);
    ggain_->setValue(a.ggain);
    apexfactor_->setValue(a.apexfactor);
    apexoffset_->setValue(a.apexoffset);
}

bool runProcessingArgsDialog(const ProfileStore& profile, QWidget* parent) {
    ProcessingArgs a;
    a.load(profile);
    ProcessingArgsDialog d(parent);
    d.setArgs(a);
    if (d.exec() != QDialog::Accepted) return false;
    d.args().save(profile);
    return true;
}

}  // namespace ordavia
