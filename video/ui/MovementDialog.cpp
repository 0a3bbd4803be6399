#include "video/ui/MovementDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

#include "video/MovementCorrection.h"

namespace ordavia {

bool movementDialog(QWidget* parent, ordavia::MovementParams& p) {
    QDialog d(parent);
    d.setWindowTitle("Movement Correction");
    auto* f = new QFormLayout(&d);
    auto spin = [&](int lo, int hi, int v, const char* suffix) {
        auto* s = new QSpinBox(&d);
        s->setRange(lo, hi);
        s->setValue(v);
        if (suffix) s->setSuffix(suffix);
        return s;
    };
    auto* window = spin(1, 100, p.window, " %");
    auto* range = spin(0, 50, p.range, " %");
    auto* limit = spin(0, 1000, p.limit, " %");
    auto* resolution = spin(1, 1000, p.resolution, " px");
    auto* step = spin(1, 1000, p.step, " px");
    auto* method = new QComboBox(&d);
    method->addItem("1: grid of points", 1);
    method->addItem("2: grid of lines", 2);
    method->addItem("3: random points", 3);
    const int known = p.method == 1 ? 0 : p.method == 2 ? 1 : 2;
    if (p.method != 1 && p.method != 2 && p.method != 3) method->setItemData(2, p.method);
    method->setCurrentIndex(known);
    auto* lowpass = spin(0, 199, p.lowpass, nullptr);
    lowpass->setSpecialValueText("none");
    auto* subpixel = new QCheckBox("refine to a fraction of a pixel", &d);
    subpixel->setChecked(p.subpixel);
    auto* robust = new QCheckBox("ignore flowing blood and changes of light (two passes)", &d);
    robust->setChecked(p.robust);
    f->addRow("compared window (of the image)", window);
    f->addRow("search range (of the image)", range);
    f->addRow("new reference beyond (of the range)", limit);
    f->addRow("resolution", resolution);
    f->addRow("sampling step", step);
    f->addRow("sampling method", method);
    f->addRow("low pass filter size", lowpass);
    f->addRow("sub-pixel", subpixel);
    f->addRow("robust", robust);
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    QObject::connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted) return false;
    p.window = window->value();
    p.range = range->value();
    p.limit = limit->value();
    p.resolution = resolution->value();
    p.step = step->value();
    p.method = method->currentData().toInt();
    p.lowpass = lowpass->value();
    p.subpixel = subpixel->isChecked();
    p.robust = robust->isChecked();
    return true;
}

}  // namespace ordavia
