#include "video/ui/fcfview.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMenu>

#include "chart/CResultDoc.h"
#include "chart/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "framework/ui/ViewRegistry.h"
#include "video/fcfdoc.h"

namespace {

constexpr const char* kAverage = "Calculate average of selection";
constexpr const char* kNoStatistics =
    "This flow picture has no statistics (its .zvrawfcf file could not be read): threshold and gain cannot be changed.";

}  // namespace

fcfview::fcfview(fcfdoc* doc, QWidget* parent) : ZBasicView(doc, parent), flow_(doc) {}

void fcfview::recalculateDialog() {
    if (!flow_->hasStatistics()) {
        flow_->services().prompter().messageBox(kNoStatistics, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    QDialog d(this);
    d.setWindowTitle("Recalculate");
    auto* f = new QFormLayout(&d);
    auto* t = new QDoubleSpinBox(&d);
    t->setRange(0, 255);
    t->setDecimals(2);
    t->setSingleStep(0.2);
    t->setValue(flow_->threshold());
    auto* g = new QDoubleSpinBox(&d);
    g->setRange(0, 100000);
    g->setDecimals(2);
    g->setValue(flow_->gain());
    auto* drift = new QCheckBox("Ignore slow changes of the light (threshold on the flicker)", &d);
    drift->setChecked(flow_->ignoreDrift());
    f->addRow("threshold", t);
    f->addRow("gain", g);
    f->addRow(drift);
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() == QDialog::Accepted) flow_->recalculate(t->value(), g->value(), drift->isChecked());
}

void fcfview::averageOfSelection() {
    if (!flow_->addResultRow())
        flow_->services().prompter().messageBox("The row could not be added to the results table.", MsgButtons::Ok,
                                                MsgIcon::Warning);
}

void fcfview::buildFcfMenu() {
    fcfMenu_ = new QMenu("&FCF", this);
    auto add = [this](const char* text, auto f) {
        QAction* a = fcfMenu_->addAction(QString::fromUtf8(text));
        connect(a, &QAction::triggered, this, f);
        addAction(a);
        return a;
    };
    add("&Recalculate", [this] { recalculateDialog(); });
    QAction* raise = add("Raise Doppler shift detection threshold", [this] { flow_->stepThreshold(0.2); });
    QAction* lower = add("Lower Doppler shift detection threshold", [this] { flow_->stepThreshold(-0.2); });
    fcfMenu_->addSeparator();
    add(kAverage, [this] { averageOfSelection(); });
    add("Functional Capillary Flow and Density &Results",
        [this] { flow_->services().results().open(ResultTitles::kFcf); });
    connect(fcfMenu_, &QMenu::aboutToShow, this, [this, raise, lower] {
        const bool can = flow_->hasStatistics();
        raise->setEnabled(can);
        lower->setEnabled(can);
        raise->setStatusTip(QString("threshold %1").arg(flow_->threshold(), 0, 'f', 1));
    });
}

QList<QMenu*> fcfview::documentMenus() {
    QList<QMenu*> base = ZBasicView::documentMenus();
    if (!fcfMenu_) {
        buildFcfMenu();
        // The image menu's row is the flow row here.
        if (QAction* a = findAction(kAverage); a && a->parent() != fcfMenu_) {
            disconnect(a, &QAction::triggered, nullptr, nullptr);
            connect(a, &QAction::triggered, this, [this] { averageOfSelection(); });
        }
    }
    QList<QMenu*> out;
    for (QMenu* m : base) {
        out << m;
        if (m->title() == "&View") out << fcfMenu_;
    }
    if (!out.contains(fcfMenu_)) out << fcfMenu_;
    return out;
}

QList<QAction*> fcfview::fileActions() {
    QList<QAction*> out;
    // The picture is computed from the statistics; importing another over
    // it would make the two disagree.
    for (QAction* a : ZBasicView::fileActions())
        if (a->text() != "&Import...") out << a;
    return out;
}

void registerFcfView() {
    registerViewMaker("fcfview", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<fcfdoc*>(d);
        return doc ? new fcfview(doc, parent) : nullptr;
    });
}
