#include "doppler/ui/TrvDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>
#include <algorithm>
#include <cmath>

namespace ordavia::dopplerui {

QDialogButtonBox* okCancel(QDialog& d) {
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(b, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    return b;
}

namespace {


QSpinBox* spin(QWidget* parent, int lo, int hi, int value, const char* name) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setValue(value);
    return s;
}

QCheckBox* check(QWidget* parent, const char* text, bool on) {
    auto* c = new QCheckBox(text, parent);
    c->setChecked(on);
    return c;
}

// Hours, minutes and seconds of a kept length; up to 99:59:59.
struct Duration {
    QSpinBox *h, *m, *s;
    Duration(QWidget* parent, double seconds, const char* name) {
        const auto total = static_cast<int>(std::lround(seconds));
        h = spin(parent, 0, 99, total / 3600, name);
        m = spin(parent, 0, 59, total / 60 % 60, "");
        s = spin(parent, 0, 59, total % 60, "");
        h->setSuffix(" h");
        m->setSuffix(" min");
        s->setSuffix(" s");
    }
    QWidget* row(QWidget* parent) const {
        auto* w = new QWidget(parent);
        auto* l = new QHBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(h);
        l->addWidget(m);
        l->addWidget(s);
        return w;
    }
    double seconds() const { return h->value() * 3600.0 + m->value() * 60.0 + s->value(); }
};

}  // namespace

std::optional<CbvParameters> cbvParametersDialog(QWidget* parent, const CbvParameters& current) {
    QDialog d(parent);
    d.setObjectName("cbvParametersDialog");
    d.setWindowTitle("CBV parameters");
    const StartupSettings& s = current.settings;
    auto* form = new QFormLayout(&d);
    auto* method = new QComboBox(&d);
    method->addItems({"Find Maximum", "Find Peak in spectrum", "Find by % of total power", "Find Average",
                      "Automatic"});
    method->setCurrentIndex(s.cbvMethod);
    form->addRow("Method:", method);
    auto* threshold = spin(&d, 0, 1000000000, current.threshold, "threshold");
    form->addRow("Threshold:", threshold);
    auto* minThreshold = spin(&d, 0, 1000000000, s.minThreshold, "minThreshold");
    form->addRow("Minimum mean bin power (% of total power method):", minThreshold);
    auto* nOver = spin(&d, 1, 256, s.nOverThresh, "nOverThresh");
    form->addRow("Bins over threshold:", nOver);
    auto* loCut = spin(&d, 0, 100000, s.LoCutOff, "LoCutOff");
    form->addRow("Low cut-off:", loCut);
    auto* autonoise = check(&d, "Automatic noise floor", s.autonoise);
    form->addRow(autonoise);
    auto* thresh2 = spin(&d, 0, 10000, s.threshOfAv2, "threshOfAv2");
    form->addRow("Noise floor: % standard deviation above mean:", thresh2);
    auto* rc = spin(&d, 1, 10000, s.noisefloorRC, "noisefloorRC");
    form->addRow("Noise floor smoothing:", rc);
    auto* ped1 = spin(&d, 0, 100, s.ped1, "ped1");
    auto* ped2 = spin(&d, 0, 100, s.ped2, "ped2");
    auto* ped3 = spin(&d, 0, 100, s.ped3, "ped3");
    auto* peds = new QWidget(&d);
    auto* pl = new QHBoxLayout(peds);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(ped1);
    pl->addWidget(ped2);
    pl->addWidget(ped3);
    form->addRow("Automatic: quarter weights (%):", peds);
    auto* keep = check(&d, "Keep the shown spectrum unweighted", s.keepDop != 0);
    form->addRow(keep);
    auto* trim = check(&d, "Trim Doppler Spectrum", s.cutDopTop != 0);
    form->addRow(trim);
    auto* window = new QComboBox(&d);
    window->addItems({"None", "Triangular", "Hann", "Hamming", "Blackman"});
    window->setCurrentIndex(std::clamp(s.FFTwindow, 0, 4));
    form->addRow("FFT window:", window);
    auto* link = check(&d, "Link threshold to full scale", s.FSlinkthreshold);
    form->addRow(link);
    auto* fraction = new QDoubleSpinBox(&d);
    fraction->setRange(0.0, 1.0);
    fraction->setDecimals(3);
    fraction->setSingleStep(0.05);
    fraction->setValue(s.FSthreshold);
    form->addRow("Threshold as fraction of full scale:", fraction);
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;

    CbvParameters out = current;
    StartupSettings& e = out.settings;
    e.cbvMethod = method->currentIndex();
    out.threshold = threshold->value();
    e.minThreshold = minThreshold->value();
    e.nOverThresh = nOver->value();
    e.LoCutOff = loCut->value();
    e.autonoise = autonoise->isChecked();
    e.threshOfAv2 = thresh2->value();
    e.noisefloorRC = rc->value();
    e.ped1 = ped1->value();
    e.ped2 = ped2->value();
    e.ped3 = ped3->value();
    e.keepDop = keep->isChecked() ? 1 : 0;
    e.cutDopTop = trim->isChecked() ? 1 : 0;
    e.FFTwindow = window->currentIndex();
    e.FSlinkthreshold = link->isChecked();
    e.FSthreshold = fraction->value();
    return out;
}

std::optional<InputSettings> inputSettingsDialog(QWidget* parent, const InputSettings& current) {
    QDialog d(parent);
    d.setObjectName("inputSettingsDialog");
    d.setWindowTitle("Input Settings");
    auto* form = new QFormLayout(&d);
    Duration cbv(&d, current.cbvSeconds, "cbvHours");
    Duration raw(&d, current.rawSeconds, "rawHours");
    form->addRow("CBV and spectrum kept for:", cbv.row(&d));
    form->addRow("Raw signal kept for:", raw.row(&d));
    auto* points = new QComboBox(&d);
    points->addItems({"64", "256"});
    points->setCurrentIndex(current.points == 64 ? 0 : 1);
    form->addRow("Spectrum points:", points);
    form->addRow(new QLabel("Changing these starts the traces again.", &d));
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return InputSettings{cbv.seconds(), raw.seconds(), points->currentIndex() == 0 ? 64 : 256};
}

std::optional<AuxSettings> auxInputDialog(QWidget* parent, const AuxSettings& current) {
    QDialog d(parent);
    d.setObjectName("auxInputDialog");
    d.setWindowTitle("Auxillary Input settings");
    auto* form = new QFormLayout(&d);
    std::array<QCheckBox*, 7> boxes{};
    for (int i = 0; i < 7; ++i) {
        boxes[size_t(i)] = check(&d, QString("IP%1").arg(i + 1).toUtf8().constData(), current.enabled[size_t(i)]);
        form->addRow(boxes[size_t(i)]);
    }
    auto* k = new QDoubleSpinBox(&d);
    k->setRange(0.001, 1.0);
    k->setDecimals(3);
    k->setSingleStep(0.05);
    k->setValue(current.smoothing);
    form->addRow("Display smoothing:", k);
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    AuxSettings out;
    for (size_t i = 0; i < 7; ++i) out.enabled[i] = boxes[i]->isChecked();
    out.smoothing = k->value();
    return out;
}

std::optional<int> inputChannelDialog(QWidget* parent, int current) {
    QDialog d(parent);
    d.setObjectName("inputChannelDialog");
    d.setWindowTitle("Input channel");
    auto* form = new QFormLayout(&d);
    auto* n = spin(&d, 0, 7, current, "channel");
    form->addRow("Input channel (0-7):", n);
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return n->value();
}

std::optional<int> hardwareDialog(QWidget* parent, int address) {
    QDialog d(parent);
    d.setObjectName("hardwareDialog");
    d.setWindowTitle("Hardware settings");
    auto* form = new QFormLayout(&d);
    auto* a = spin(&d, 0, 0xFFFF, address, "address");
    a->setDisplayIntegerBase(16);
    a->setPrefix("0x");
    form->addRow("Board I/O address:", a);
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return a->value();
}

}  // namespace ordavia::dopplerui
