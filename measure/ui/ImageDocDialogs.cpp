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
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <ctime>

#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "measure/Calibration.h"
#include "measure/MagnificationTable.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

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
    c.setFields(doc.magnification(), doc.calibrated != 0, doc.units);
    return c;
}

}  // namespace

bool runNotesDialog(ZBasicDoc& doc, QWidget* parent) {
    QDialog d(parent);
    d.setWindowTitle("Notes");
    auto* form = new QFormLayout;
    auto* file = new QLineEdit(q(doc.imageFileName), &d);
    form->addRow("Image file:", file);
    form->addRow("Image time:", new QLabel(q(doc.imageTime ? Magnification::formatDate(doc.imageTime) : ""), &d));
    auto* notes = new QPlainTextEdit(&d);
    std::string shown = doc.notes;  // stored with CR LF line ends
    for (size_t p; (p = shown.find("\r\n")) != std::string::npos;) shown.replace(p, 2, "\n");
    notes->setPlainText(q(shown));
    notes->setMinimumSize(420, 180);
    form->addRow("Notes:", notes);
    const CSubjectDatabase& db = CSubjectDatabase::instance();
    const std::string subjectName =
        doc.subjectId == db.currentSubjectId() ? db.currentSubjectName() : std::string();
    form->addRow(new QLabel(q("Subject: " + (subjectName.empty() ? doc.subjectId : subjectName)), &d));
    form->addRow(new QLabel(q(strprintf("Exam:%li", static_cast<long>(doc.examId))), &d));
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
    if (newNotes != doc.notes || newFile != doc.imageFileName) {
        doc.notes = newNotes;
        doc.imageFileName = newFile;
        doc.SetModifiedFlag(true);
        doc.UpdateAllViews();
    }
    return true;
}

bool runCalibrateDialog(ZBasicDoc& doc, QWidget* parent) {
    Calibration cal = calibrationOf(doc);
    CalibrationRequest req = cal.propose(doc.currentDimList());
    QDialog d(parent);
    d.setWindowTitle("Calibrate");
    auto* l = new QVBoxLayout(&d);
    auto* text = new QLabel(
        "Create two dimension lines of known true length onto image.  Magnification will be calibrated "
        "automatically.",
        &d);
    text->setWordWrap(true);
    l->addWidget(text);
    auto* form = new QFormLayout;
    auto* xLine = new QSpinBox(&d);
    xLine->setRange(0, 100000);
    xLine->setValue(req.xLine);
    auto* xLen = realBox(req.xTrueLength, 3, &d);
    auto* yLine = new QSpinBox(&d);
    yLine->setRange(0, 100000);
    yLine->setValue(req.yLine);
    auto* yLen = realBox(req.yTrueLength, 3, &d);
    auto* name = new QLineEdit(q(doc.magName), &d);
    auto* asDefault = new QCheckBox("&Set as default maginification for new images.", &d);
    form->addRow("x line number:", xLine);
    form->addRow(q("x true length (" + doc.units + "):"), xLen);
    form->addRow("y line number:", yLine);
    form->addRow(q("y true length (" + doc.units + "):"), yLen);
    form->addRow("Name:", name);
    l->addLayout(form);
    l->addWidget(asDefault);
    l->addWidget(okCancel(&d));
    if (d.exec() != QDialog::Accepted) return false;
    req.xLine = xLine->value();
    req.yLine = yLine->value();
    req.xTrueLength = xLen->value();
    req.yTrueLength = yLen->value();
    req.name = name->text().toStdString();
    req.setAsDefault = asDefault->isChecked();
    double xs = 1.0, ys = 1.0;
    cal.scalesFor(doc.currentDimList(), req, xs, ys);
    Magnification m;
    m.xScale = xs;
    m.yScale = ys;
    m.name = req.name;
    m.date = static_cast<int32_t>(std::time(nullptr));
    doc.calibrated = 1;
    doc.setMagnification(m, req.setAsDefault, true);
    return true;
}

bool runMagnificationDialog(ZBasicDoc& doc, QWidget* parent) {
    MagnificationTable table;
    QDialog d(parent);
    d.setWindowTitle("Magnification");
    auto* l = new QVBoxLayout(&d);
    auto* form = new QFormLayout;
    const QString perPixel = q(doc.units + "/pixel");
    auto* xs = realBox(doc.xScale, 6, &d);
    auto* ys = realBox(doc.yScale, 6, &d);
    xs->setSuffix(" " + perPixel);
    ys->setSuffix(" " + perPixel);
    auto* name = new QLineEdit(q(doc.magName), &d);
    form->addRow("x scale:", xs);
    form->addRow("y scale:", ys);
    form->addRow("Name:", name);
    l->addLayout(form);
    auto* list = new QListWidget(&d);
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    list->setFont(mono);
    list->setMinimumSize(560, 160);
    auto* defaultLabel = new QLabel(&d);
    auto refresh = [&] {
        list->clear();
        for (const Magnification& m : table.entries()) list->addItem(q(m.listLine()));
        const Magnification def = table.readDefault();
        defaultLabel->setText(q(strprintf("Default: %.3f x %.3f %s, %s", def.xScale, def.yScale, def.name.c_str(),
                                          Magnification::formatDate(def.date).c_str())));
    };
    refresh();
    l->addWidget(list);
    l->addWidget(defaultLabel);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton("Add to list", &d);
    auto* select = new QPushButton("Select", &d);
    auto* remove = new QPushButton("Remove", &d);
    auto* setDefault = new QPushButton("Set as default", &d);
    for (QPushButton* b : {add, select, remove, setDefault}) buttons->addWidget(b);
    l->addLayout(buttons);
    auto shown = [&] {
        Magnification m;
        m.xScale = xs->value();
        m.yScale = ys->value();
        m.name = name->text().toStdString();
        m.date = static_cast<int32_t>(std::time(nullptr));
        return m;
    };
    QObject::connect(add, &QPushButton::clicked, &d, [&] {
        table.add(shown());
        refresh();
    });
    QObject::connect(select, &QPushButton::clicked, &d, [&] {
        Magnification m;
        if (list->currentRow() >= 0 && table.get(list->currentRow(), m)) {
            xs->setValue(m.xScale);
            ys->setValue(m.yScale);
            name->setText(q(m.name));
        }
    });
    QObject::connect(remove, &QPushButton::clicked, &d, [&] {
        if (list->currentRow() >= 0) table.remove(list->currentRow());
        refresh();
    });
    QObject::connect(setDefault, &QPushButton::clicked, &d, [&] {
        table.writeDefault(shown());
        refresh();
    });
    l->addWidget(okCancel(&d));
    if (d.exec() != QDialog::Accepted) return false;
    Magnification m = shown();
    m.date = doc.magDate;
    if (m.xScale != doc.xScale || m.yScale != doc.yScale || m.name != doc.magName) m.date = static_cast<int32_t>(std::time(nullptr));
    doc.setMagnification(m, false, false);
    return true;
}

bool runUnitsDialog(ZBasicDoc& doc, QWidget* parent) {
    QDialog d(parent);
    d.setWindowTitle("Units");
    auto* l = new QVBoxLayout(&d);
    auto* cal = new QCheckBox("Calibrated", &d);
    cal->setChecked(doc.calibrated != 0);
    auto* units = new QLineEdit(q(doc.units), &d);
    auto* form = new QFormLayout;
    form->addRow(cal);
    form->addRow("Unit name:", units);
    l->addLayout(form);
    l->addWidget(okCancel(&d));
    if (d.exec() != QDialog::Accepted) return false;
    doc.setUnits(cal->isChecked(), units->text().toStdString());
    return true;
}

bool runGridDialog(ZBasicDoc& doc, QWidget* parent) {
    QDialog d(parent);
    d.setWindowTitle("Grid");
    auto* form = new QFormLayout;
    auto* style = new QComboBox(&d);
    style->addItems({"Lines", "Points", "Chalkley grid", "User drawing"});
    style->setCurrentIndex(std::clamp(doc.gridStyle, 0, 3));
    auto* units = new QComboBox(&d);
    units->addItems({"Pixels", q("User units (" + doc.unitsInEffect() + ")")});
    units->setCurrentIndex(std::clamp(doc.gridUnits, 0, 1));
    auto* spacing = realBox(doc.gridSpacing, 3, &d);
    spacing->setRange(0.001, 1e6);
    QColor colour(static_cast<int>(doc.gridColour & 0xFF), static_cast<int>((doc.gridColour >> 8) & 0xFF),
                  static_cast<int>((doc.gridColour >> 16) & 0xFF));
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
    auto* file = new QLineEdit(q(doc.userGridFile), &d);
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
    show->setChecked(doc.gridShow != 0);
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
    doc.gridStyle = style->currentIndex();
    doc.gridUnits = units->currentIndex();
    doc.gridSpacing = spacing->value();
    doc.gridColour = static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
                     (static_cast<uint32_t>(colour.blue()) << 16);
    doc.userGridFile = file->text().toStdString();
    doc.gridShow = show->isChecked() ? 1 : 0;
    const ProfileStore& p = ProfileStore::instance();
    p.WriteInt("grid", "gridstyle", doc.gridStyle);
    p.WriteInt("grid", "gridunits", doc.gridUnits);
    p.WriteInt("grid", "gridshow", doc.gridShow);
    p.WriteDouble("grid", "grid spacing", doc.gridSpacing);
    p.WriteInt("grid", "grid colour", static_cast<int>(doc.gridColour));
    p.WriteString("grid", "userfielname", doc.userGridFile);
    doc.reloadGridDrawing();
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews();
    return true;
}

bool runColourWeightingDialog(QWidget* parent) {
    StartupSettings& s = StartupSettings::current();
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
    const ProfileStore& p = ProfileStore::instance();
    p.WriteDouble("Settings", "red", s.red);
    p.WriteDouble("Settings", "green", s.green);
    p.WriteDouble("Settings", "blue", s.blue);
    return true;
}
