#include "chart/ui/ChartDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <functional>

#include "base/Text.h"
#include "chart/CMarker.h"
#include "chart/DataFileFormat.h"
#include "chart/ZchartDoc.h"

namespace ordavia::chartui {

namespace {

QDialogButtonBox* okCancel(QDialog& d, QLayout* lay) {
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(b, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    lay->addWidget(b);
    return b;
}

// A group of radio buttons; returns the group (ids = positions).
QButtonGroup* radios(QWidget* owner, QLayout* lay, const std::vector<const char*>& texts, int checked,
                     const char* title = nullptr) {
    auto* box = new QGroupBox(title ? title : "");
    auto* v = new QVBoxLayout(box);
    auto* g = new QButtonGroup(owner);
    for (size_t i = 0; i < texts.size(); ++i) {
        auto* r = new QRadioButton(texts[i]);
        g->addButton(r, static_cast<int>(i));
        v->addWidget(r);
        if (static_cast<int>(i) == checked) r->setChecked(true);
    }
    lay->addWidget(box);
    return g;
}

QDoubleSpinBox* realBox(double v, double lo = -1e12, double hi = 1e12, int dec = 6) {
    auto* s = new QDoubleSpinBox;
    s->setRange(lo, hi);
    s->setDecimals(dec);
    s->setValue(v);
    return s;
}

QSpinBox* intBox(int v, int lo, int hi) {
    auto* s = new QSpinBox;
    s->setRange(lo, hi);
    s->setValue(v);
    return s;
}

}  // namespace

std::optional<double> smoothingDialog(QWidget* parent, ZchartDoc& doc) {
    QDialog d(parent);
    d.setWindowTitle("Apply Smoothing");
    auto* lay = new QVBoxLayout(&d);
    auto* g = radios(&d, lay, {"0.1 second", "0.5 second", "1 second", "3 seconds", "other"},
                     static_cast<int>(std::min<uint32_t>(doc.smoothChoice(), 4)), "time constant");
    auto* other = realBox(doc.smoothTime(), 0, 1e6, 3);
    auto* f = new QFormLayout;
    f->addRow("other (seconds)", other);
    lay->addLayout(f);
    okCancel(d, lay);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    const int c = std::max(0, g->checkedId());
    (void)doc.setSmoothing(static_cast<uint32_t>(c), static_cast<float>(other->value()));
    static const double fixed[] = {0.1, 0.5, 1.0, 3.0};
    return c < 4 ? fixed[c] : double(doc.smoothTime());
}

bool tracePropertiesDialog(QWidget* parent, TraceProperties& p) {
    QDialog d(parent);
    d.setWindowTitle("Trace Properties");
    auto* lay = new QVBoxLayout(&d);
    auto* f = new QFormLayout;
    auto* name = new QLineEdit(QString::fromStdString(p.name));
    auto* yu = new QLineEdit(QString::fromStdString(p.yUnits));
    auto* xu = new QLineEdit(QString::fromStdString(p.xUnits));
    auto* ys = realBox(p.yScale, -1e12, 1e12, 8);
    auto* yo = realBox(p.yOffset, -1e12, 1e12, 6);
    auto* xi = realBox(p.xInterval, 1e-12, 1e12, 9);
    auto* st = realBox(p.start, -2e6, 2e6, 3);
    auto* yg = intBox(p.yGroup, -1000, 1000);
    auto* pts = new QCheckBox("points");
    pts->setChecked(p.points);
    auto* sz = intBox(p.size, 1, 50);
    auto* dxs = realBox(p.displayXScale, 1e-12, 1e12, 9);
    auto* dys = realBox(p.displayYScale, 1e-12, 1e12, 9);
    auto* dyo = intBox(p.displayYOffset, -1000000, 1000000);
    f->addRow("Name", name);
    f->addRow("Y units", yu);
    f->addRow("X units", xu);
    f->addRow("Y scaling factor", ys);
    f->addRow("Y zero adjust", yo);
    f->addRow("X units per data point (sample interval)", xi);
    f->addRow("start position", st);
    f->addRow("Y group", yg);
    f->addRow(pts);
    f->addRow("size", sz);
    f->addRow("display x scale (units per pixel)", dxs);
    f->addRow("display y scale (units per pixel)", dys);
    f->addRow("display y offset (pixels)", dyo);
    lay->addLayout(f);
    okCancel(d, lay);
    if (d.exec() != QDialog::Accepted) return false;
    p.name = name->text().toStdString();
    p.yUnits = yu->text().toStdString();
    p.xUnits = xu->text().toStdString();
    p.yScale = ys->value();
    p.yOffset = yo->value();
    p.xInterval = xi->value();
    p.start = st->value();
    p.yGroup = yg->value();
    p.points = pts->isChecked();
    p.size = sz->value();
    p.displayXScale = dxs->value();
    p.displayYScale = dys->value();
    p.displayYOffset = dyo->value();
    return true;
}

std::optional<ActionScope> performActionOnDialog(QWidget* parent, bool hasSelection) {
    QDialog d(parent);
    d.setWindowTitle("Perform Action On...");
    auto* lay = new QVBoxLayout(&d);
    auto* who = radios(&d, lay, {"&Active trace only", "A&ll traces"}, 0);
    QButtonGroup* range = nullptr;
    if (hasSelection) range = radios(&d, lay, {"&Whole range", "&Selection"}, 1);
    okCancel(d, lay);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    ActionScope s;
    s.allTraces = who->checkedId() == 1;
    s.wholeRange = !range || range->checkedId() == 0;
    return s;
}

bool exportSettingsDialogs(QWidget* parent, DataFileFormat& f) {
    {
        QDialog d(parent);
        d.setWindowTitle("Output");
        auto* lay = new QVBoxLayout(&d);
        auto* y = radios(&d, lay, {"&Scaled", "&Raw values"}, f.yMode, "y values");
        auto* x = radios(&d, lay, {"&None", "S&caled", "Ra&w values"}, f.xMode, "x values");
        auto* b = radios(&d, lay, {"&Binary", "&ASCII text"}, f.binary ? 0 : 1, "file");
        auto* h = new QCheckBox("&Headers");
        h->setChecked(f.headers);
        lay->addWidget(h);
        okCancel(d, lay);
        if (d.exec() != QDialog::Accepted) return false;
        f.yMode = std::max(0, y->checkedId());
        f.xMode = std::max(0, x->checkedId());
        f.binary = b->checkedId() == 0;
        f.headers = h->isChecked();
    }
    if (f.binary) return true;
    {
        QDialog d(parent);
        d.setWindowTitle("Text delimiters");
        auto* lay = new QVBoxLayout(&d);
        auto* c = radios(&d, lay, {"&tab", "&comma", "&semicolon", "sp&ace", "&none"}, f.columnDelimiter, "columns");
        auto* r = radios(&d, lay, {"cr/lf &pair", "c&r only", "&lf only", "c&olumn delimiter"}, f.rowDelimiter, "rows");
        okCancel(d, lay);
        if (d.exec() != QDialog::Accepted) return false;
        f.columnDelimiter = std::max(0, c->checkedId());
        f.rowDelimiter = std::max(0, r->checkedId());
    }
    {
        QDialog d(parent);
        d.setWindowTitle("Text Format");
        auto* lay = new QVBoxLayout(&d);
        auto* n = radios(&d, lay, {"&Scientific", "&Fixed point", "&General"}, f.numberFormat);
        auto* form = new QFormLayout;
        auto* p = intBox(f.precision, 0, 20);
        form->addRow("no. decimal points", p);
        lay->addLayout(form);
        okCancel(d, lay);
        if (d.exec() != QDialog::Accepted) return false;
        f.numberFormat = std::max(0, n->checkedId());
        f.precision = p->value();
    }
    return true;
}

namespace {
std::optional<int> dataTypeDialog(QWidget* parent, int preselect) {
    QDialog d(parent);
    d.setWindowTitle("Data Type");
    auto* lay = new QVBoxLayout(&d);
    std::vector<const char*> names(DataFileFormat::kTypeNames, DataFileFormat::kTypeNames + 8);
    auto* g = radios(&d, lay, names, preselect);
    okCancel(d, lay);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return std::max(0, g->checkedId());
}
}  // namespace

bool importWizard(QWidget* parent, DataFileFormat& f, uint64_t fileLength, int fileType) {
    int kind;
    {
        QDialog d(parent);
        d.setWindowTitle("File type");
        auto* lay = new QVBoxLayout(&d);
        auto* g = radios(&d, lay, {"&Binary", "&ASCII text"}, fileType);
        okCancel(d, lay);
        if (d.exec() != QDialog::Accepted || g->checkedId() < 0) return false;
        kind = g->checkedId();
    }
    if (kind == 1) {
        f.binary = false;
        QDialog d(parent);
        d.setWindowTitle("Import Data");
        auto* lay = new QVBoxLayout(&d);
        auto* form = new QFormLayout;
        auto* c = intBox(f.columns, 0, 100000);
        auto* r = intBox(f.count, 0, 100000000);
        form->addRow("no. of &columns", c);
        form->addRow("no. of &rows", r);
        lay->addLayout(form);
        okCancel(d, lay);
        if (d.exec() != QDialog::Accepted) return false;
        f.columns = c->value();
        f.count = r->value();
        f.currentColumn = 0;
        const auto t = dataTypeDialog(parent, f.inputType);
        if (!t) return false;
        f.outputType = *t;
        return true;
    }
    f.binary = true;
    const auto in = dataTypeDialog(parent, f.inputType);
    if (!in) return false;
    f.inputType = *in;
    const int64_t available = f.availablePoints(fileLength);
    int64_t get = available;
    {
        QDialog d(parent);
        d.setWindowTitle("Import Data");
        auto* lay = new QVBoxLayout(&d);
        auto* form = new QFormLayout;
        auto* h = intBox(f.headerBytes, 0, INT32_MAX);
        auto* b = intBox(f.blockSize, 1, INT32_MAX);
        auto* k = intBox(f.blockSkip, 0, INT32_MAX);
        auto* g = intBox(static_cast<int>(std::min<int64_t>(available, INT32_MAX)), 0, INT32_MAX);
        auto* s = new QCheckBox("&swap byte order");
        s->setChecked(f.swapBytes);
        form->addRow("Skip &Header", h);
        form->addRow("&Block size", b);
        form->addRow("Block s&kip", k);
        form->addRow("&Get", g);
        form->addRow(s);
        lay->addLayout(form);
        okCancel(d, lay);
        if (d.exec() != QDialog::Accepted) return false;
        f.headerBytes = h->value();
        f.blockSize = b->value();
        f.blockSkip = k->value();
        get = g->value();
        f.swapBytes = s->isChecked();
    }
    if (!f.planBinary(fileLength, get)) return false;
    const auto out = dataTypeDialog(parent, f.inputType);
    if (!out) return false;
    f.outputType = *out;
    return true;
}

int pickTrace(QWidget* parent, const ZchartDoc& doc, const std::string& title, int exclude) {
    QDialog d(parent);
    d.setWindowTitle(QString::fromStdString(title));
    auto* lay = new QVBoxLayout(&d);
    auto* list = new QListWidget;
    for (int i = 0; i < doc.traceCount(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(strprintf("%2i:", i) + doc.trace(i)->name));
        item->setData(Qt::UserRole, i);
        if (i == exclude) item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        list->addItem(item);
    }
    lay->addWidget(list);
    okCancel(d, lay);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
    if (d.exec() != QDialog::Accepted || !list->currentItem()) return -1;
    return list->currentItem()->data(Qt::UserRole).toInt();
}

bool artifactFilterDialog(QWidget* parent, ArtifactFilter& f) {
    QDialog d(parent);
    d.setWindowTitle("Artifact Filter");
    auto* lay = new QVBoxLayout(&d);
    auto* form = new QFormLayout;
    auto mode = [&](int m) {
        auto* g = new QComboBox;
        g->addItems({"off", "reject", "replace by previous value"});
        g->setCurrentIndex(m);
        return g;
    };
    auto* lm = mode(f.lowerMode);
    auto* lv = realBox(f.lower);
    auto* lp = new QCheckBox("% of previous value");
    lp->setChecked(f.lowerPercent);
    auto* um = mode(f.upperMode);
    auto* uv = realBox(f.upper);
    auto* up = new QCheckBox("% of previous value");
    up->setChecked(f.upperPercent);
    auto* ex = new QCheckBox("reject samples equal to");
    ex->setChecked(f.exactTest);
    auto* ev = realBox(f.exactValue);
    form->addRow("lower level", lm);
    form->addRow("", lv);
    form->addRow("", lp);
    form->addRow("upper level", um);
    form->addRow("", uv);
    form->addRow("", up);
    form->addRow(ex, ev);
    lay->addLayout(form);
    lay->addWidget(new QLabel("At most two samples in a row are rejected."));
    okCancel(d, lay);
    if (d.exec() != QDialog::Accepted) return false;
    f.lowerMode = lm->currentIndex();
    f.lower = lv->value();
    f.lowerPercent = lp->isChecked();
    f.upperMode = um->currentIndex();
    f.upper = uv->value();
    f.upperPercent = up->isChecked();
    f.exactTest = ex->isChecked();
    f.exactValue = ev->value();
    return true;
}

// ---- Edit Marker ----

namespace {
class EditMarkerDialog : public QDialog {
public:
    EditMarkerDialog(QWidget* parent) : QDialog(parent) {
        setWindowTitle("Edit Marker");
        setAttribute(Qt::WA_DeleteOnClose);
        auto* lay = new QVBoxLayout(this);
        auto* f = new QFormLayout;
        label_ = new QLineEdit;
        desc_ = new QLineEdit;
        width_ = intBox(2, 0, 255);
        height_ = intBox(1, 0, 255);
        pole_ = intBox(3, 0, 255);
        f->addRow("label", label_);
        f->addRow("description", desc_);
        f->addRow("width", width_);
        f->addRow("height", height_);
        f->addRow("pole", pole_);
        lay->addLayout(f);
        auto* b = new QDialogButtonBox;
        auto* ok = b->addButton(QDialogButtonBox::Ok);
        auto* upd = b->addButton("Update", QDialogButtonBox::ApplyRole);
        auto* cancel = b->addButton(QDialogButtonBox::Cancel);
        connect(ok, &QPushButton::clicked, this, [this] {
            apply();
            close();
        });
        connect(upd, &QPushButton::clicked, this, [this] { apply(); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::close);
        lay->addWidget(b);
    }
    void load(const CMarker* m, ApplyMarker apply) {
        marker_ = m;
        apply_ = std::move(apply);
        label_->setText(QString::fromStdString(m->label));
        desc_->setText(QString::fromStdString(m->description));
        width_->setValue(m->width);
        height_->setValue(m->height);
        pole_->setValue(m->pole);
        label_->setFocus();
        label_->selectAll();
    }
    void apply() {
        if (!marker_) return;
        MarkerProperties p;
        p.label = label_->text().toStdString();
        p.description = desc_->text().toStdString();
        p.width = width_->value();
        p.height = height_->value();
        p.pole = pole_->value();
        if (!apply_ || !apply_(marker_, p)) {
            marker_ = nullptr;
            close();
        }
    }
    const CMarker* marker_ = nullptr;

private:
    QLineEdit *label_, *desc_;
    QSpinBox *width_, *height_, *pole_;
    ApplyMarker apply_;
};

QPointer<EditMarkerDialog> g_edit;
}  // namespace

void openEditMarker(QWidget* view, const CMarker* marker, ApplyMarker apply) {
    if (!marker) return;
    if (!g_edit) g_edit = new EditMarkerDialog(view);
    g_edit->load(marker, std::move(apply));
    g_edit->show();
    g_edit->raise();
}

void closeEditMarkerFor(const CMarker* marker) {
    if (g_edit && (!marker || g_edit->marker_ == marker)) {
        g_edit->marker_ = nullptr;
        g_edit->close();
    }
}

bool editMarkerOpen() { return !g_edit.isNull() && g_edit->isVisible(); }

}  // namespace ordavia::chartui
