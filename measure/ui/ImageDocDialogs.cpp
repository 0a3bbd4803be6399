#include "measure/ui/ImageDocDialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <ctime>

#include "framework/AppServices.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "measure/Calibration.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/CalibrateDialog.h"
#include "measure/ui/MagnificationDialog.h"
#include "measure/ui/UnitsDialog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QDialogButtonBox* okCancel(QDialog* d) {
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

QDoubleSpinBox* realBox(double value, int decimals, QWidget* parent) {
    auto* s = new QDoubleSpinBox(parent);
    s->setDecimals(decimals);
    s->setRange(-1e9, 1e9);
    s->setValue(value);
    return s;
}

Calibration calibrationOf(const ZBasicDoc& doc) {
    Calibration c;
    c.setFields(doc.magnification(), doc.calibration().calibrated != 0, doc.calibration().units);
    return c;
}

}  // namespace

bool runNotesDialog(ZBasicDoc& doc, QWidget* parent) {
    QDialog d(parent);
    d.setWindowTitle("Notes");
    auto* form = new QFormLayout;
    auto* file = new QLineEdit(q(doc.imageFileName()), &d);
    form->addRow("Image file:", file);
    form->addRow("Image time:", new QLabel(q(doc.imageTime() ? Magnification::formatDate(doc.imageTime()) : ""), &d));
    auto* notes = new QPlainTextEdit(&d);
    std::string shown = doc.notes();  // stored with CR LF line ends
    for (size_t p; (p = shown.find("\r\n")) != std::string::npos;) shown.replace(p, 2, "\n");
    notes->setPlainText(q(shown));
    notes->setMinimumSize(420, 180);
    form->addRow("Notes:", notes);
    const CSubjectDatabase* db = CSubjectDatabase::of(doc.services());
    const std::string subjectName =
        db && doc.subjectId == db->currentSubjectId() ? db->currentSubjectName() : std::string();
    form->addRow(new QLabel(q("Subject: " + (subjectName.empty() ? doc.subjectId : subjectName)), &d));
    form->addRow(new QLabel(q(strprintf("Exam:%lld", static_cast<long long>(doc.examId))), &d));
    form->addRow("Saved:", new QLabel(QString::number(doc.saveCount), &d));
    form->addRow("Owner:", new QLabel(q(doc.ownerText), &d));
    form->addRow("Station:", new QLabel(q(doc.stationText), &d));
    form->addRow("Captured by:", new QLabel(q(doc.capturedBy), &d));
    form->addRow("Result:", new QLabel(q(doc.result), &d));
    auto* l = new QVBoxLayout(&d);
    l->addLayout(form);
    l->addWidget(okCancel(&d));
    if (d.exec() != QDialog::Accepted) return false;
    std::string newNotes = notes->toPlainText().toStdString();
    for (size_t p = 0; (p = newNotes.find('\n', p)) != std::string::npos; p += 2) newNotes.replace(p, 1, "\r\n");
    const std::string newFile = file->text().toStdString();
    if (newNotes != doc.notes() || newFile != doc.imageFileName()) {
        doc.setNotes(newNotes);
        doc.setImageFile(newFile, doc.imageTime());
    }
    return true;
}

bool runCalibrateDialog(ZBasicDoc& doc, QWidget* parent) {
    const Calibration cal = calibrationOf(doc);
    CalibrateDialog d(cal.propose(doc.currentDimList()), doc.currentDimList().count(), parent);
    if (d.exec() != QDialog::Accepted) return false;
    const CalibrationRequest req = d.request();
    double xs = 1.0, ys = 1.0;
    cal.scalesFor(doc.currentDimList(), req, xs, ys);
    Magnification m;
    m.xScale = xs;
    m.yScale = ys;
    m.name = req.name;
    m.date = static_cast<int32_t>(std::time(nullptr));
    // Always a new table entry; the default only when asked. The document
    // becomes calibrated.
    ImageCalibration c = doc.calibration();
    c.calibrated = true;
    doc.setCalibration(c);
    doc.setMagnification(m, req.setAsDefault, true);
    return true;
}

bool runMagnificationDialog(ZBasicDoc& doc, QWidget* parent) {
    MagnificationDialog d(doc.magnification(), doc.calibration().units, doc.services().profile(), parent);
    if (d.exec() != QDialog::Accepted) return false;
    doc.setMagnification(d.shown(), false, false);
    return true;
}

bool runUnitsDialog(ZBasicDoc& doc, QWidget* parent) {
    UnitsDialog d(doc.calibration().calibrated != 0, doc.calibration().units, parent);
    if (d.exec() != QDialog::Accepted) return false;
    doc.setUnits(d.calibrated(), d.units());
    return true;
}

bool runGridDialog(ZBasicDoc& doc, QWidget* parent) {
    QDialog d(parent);
    d.setWindowTitle("Grid");
    auto* form = new QFormLayout;
    auto* style = new QComboBox(&d);
    style->addItems({"Lines", "Points", "Chalkley grid", "User drawing"});
    style->setCurrentIndex(std::clamp(doc.grid().style, 0, 3));
    auto* units = new QComboBox(&d);
    units->addItems({"Pixels", q("User units (" + doc.unitsInEffect() + ")")});
    units->setCurrentIndex(std::clamp(doc.grid().units, 0, 1));
    auto* spacing = realBox(doc.grid().spacing, 3, &d);
    spacing->setRange(0.001, 1e6);
    QColor colour(static_cast<int>(doc.grid().colour & 0xFF), static_cast<int>((doc.grid().colour >> 8) & 0xFF),
                  static_cast<int>((doc.grid().colour >> 16) & 0xFF));
    auto* colourButton = new QPushButton(&d);
    auto paintButton = [&] { colourButton->setStyleSheet("background-color: " + colour.name()); };
    paintButton();
    QObject::connect(colourButton, &QPushButton::clicked, &d, [&] {
        const QColor c = QColorDialog::getColor(colour, &d, "Grid colour");
        if (c.isValid()) {
            colour = c;
            paintButton();
        }
    });
    auto* file = new QLineEdit(q(doc.grid().userFile), &d);
    auto* browse = new QPushButton("Browse...", &d);
    QObject::connect(browse, &QPushButton::clicked, &d, [&] {
        const QString f =
            QFileDialog::getOpenFileName(&d, "Grid drawing", file->text(), "Windows metafiles (*.wmf);;All files (*)");
        if (!f.isEmpty()) file->setText(f);
    });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file);
    fileRow->addWidget(browse);
    auto* show = new QCheckBox("Show grid", &d);
    show->setChecked(doc.grid().show != 0);
    form->addRow("Style:", style);
    form->addRow("Units:", units);
    form->addRow("Spacing:", spacing);
    form->addRow("Colour:", colourButton);
    form->addRow("User grid file:", fileRow);
    form->addRow(show);
    auto* l = new QVBoxLayout(&d);
    l->addLayout(form);
    l->addWidget(okCancel(&d));
    if (d.exec() != QDialog::Accepted) return false;
    GridSettings g;
    g.style = style->currentIndex();
    g.units = units->currentIndex();
    g.spacing = spacing->value();
    g.colour = static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
               (static_cast<uint32_t>(colour.blue()) << 16);
    g.userFile = file->text().toStdString();
    g.show = show->isChecked() ? 1 : 0;
    doc.setGrid(g);
    const ProfileStore& p = doc.services().profile();
    p.WriteInt("grid", "gridstyle", doc.grid().style);
    p.WriteInt("grid", "gridunits", doc.grid().units);
    p.WriteInt("grid", "gridshow", doc.grid().show);
    p.WriteDouble("grid", "grid spacing", doc.grid().spacing);
    p.WriteInt("grid", "grid colour", static_cast<int>(doc.grid().colour));
    p.WriteString("grid", "userfielname", doc.grid().userFile);
    return true;
}

bool runColourWeightingDialog(ZBasicDoc& doc, QWidget* parent) {
    StartupSettings& s = doc.services().settings();
    QDialog d(parent);
    d.setWindowTitle("Colour weighting on import");
    auto* form = new QFormLayout;
    auto* r = realBox(s.red, 3, &d);
    auto* g = realBox(s.green, 3, &d);
    auto* b = realBox(s.blue, 3, &d);
    for (QDoubleSpinBox* box : {r, g, b}) {
        box->setRange(0.0, 10.0);
        box->setSingleStep(0.01);
    }
    form->addRow("Red:", r);
    form->addRow("Green:", g);
    form->addRow("Blue:", b);
    auto* l = new QVBoxLayout(&d);
    auto* text = new QLabel("Weights of the colour channels when colour pictures are imported as grey.", &d);
    text->setWordWrap(true);
    l->addWidget(text);
    l->addLayout(form);
    l->addWidget(okCancel(&d));
    if (d.exec() != QDialog::Accepted) return false;
    s.red = r->value();
    s.green = g->value();
    s.blue = b->value();
    const ProfileStore& p = doc.services().profile();
    p.WriteDouble("Settings", "red", s.red);
    p.WriteDouble("Settings", "green", s.green);
    p.WriteDouble("Settings", "blue", s.blue);
    return true;
}

}  // namespace ordavia
