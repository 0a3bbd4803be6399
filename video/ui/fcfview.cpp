#include "video/ui/fcfview.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMenu>

#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "framework/ui/ViewRegistry.h"
#include "settings/ProfileStore.h"
#include "video/FcdTool.h"
#include "video/fcfdoc.h"

using namespace ordavia;

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
    if (const ordavia::Status st = flow_->addResultRow(); !st)
        flow_->services().prompter().messageBox(st.reason(), MsgButtons::Ok, MsgIcon::Warning);
}

void fcfview::markDensity() {
    (void)ordavia::FcdTool(*flow_).run(flow_->services().prompter(), flow_->services().profile());
}

void fcfview::densityRuleDialog() {
    using ordavia::FcdTool;
    ordavia::FcdSettings s = FcdTool::storedSettings(flow_->services().profile());
    QDialog d(this);
    d.setWindowTitle("Functional capillary density");
    auto* f = new QFormLayout(&d);
    auto* type = new QComboBox(&d);
    type->addItem(FcdTool::kAuto);
    type->addItem(FcdTool::kManual);
    type->setCurrentIndex(s.manual ? 1 : 0);
    auto* level = new QDoubleSpinBox(&d);
    level->setRange(0, 1000);
    level->setDecimals(2);
    level->setSingleStep(0.05);
    level->setValue(s.level);
    auto* help = new QLabel(&d);
    help->setWordWrap(true);
    auto explain = [=] {
        const bool manual = type->currentIndex() == 1;
        level->setEnabled(manual);
        help->setText(manual ? "A pixel is functional when its flow ratio sd(d) / sd(I) is above the level: pixels "
                               "that only drift slowly are left out. You are asked for the level each time."
                             : "A pixel is functional when its grey value varies by at least the picture's "
                               "threshold, as in the FCD (%) column.");
    };
    explain();
    connect(type, &QComboBox::currentIndexChanged, &d, explain);
    f->addRow(FcdTool::kTypeKey, type);
    f->addRow("flow ratio level", level);
    f->addRow(help);
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    d.setMinimumWidth(360);
    if (d.exec() != QDialog::Accepted) return;
    s.manual = type->currentIndex() == 1;
    s.level = level->value();
    FcdTool::storeSettings(flow_->services().profile(), s);
}

void fcfview::buildFcfMenu() {
    fcfMenu_ = new QMenu("&FCF", this);
    const auto hasStatistics = [this] { return flow_->hasStatistics(); };
    QAction* raise = nullptr;
    addCommands(
        fcfMenu_, this,
        {{.text = "&Recalculate", .run = [this] { recalculateDialog(); }},
         {.text = "Raise Doppler shift detection threshold",
          .run = [this] { flow_->stepThreshold(0.2); },
          .enabled = hasStatistics,
          .action = &raise},
         {.text = "Lower Doppler shift detection threshold",
          .run = [this] { flow_->stepThreshold(-0.2); },
          .enabled = hasStatistics},
         separator(),
         {.text = kAverage, .run = [this] { averageOfSelection(); }},
         separator(),
         {.text = ordavia::FcdTool::kCommand, .run = [this] { markDensity(); }},
         {.text = "Functional capillary density r&ule...", .run = [this] { densityRuleDialog(); }},
         separator(),
         {.text = "Functional Capillary Flow and Density &Results",
          .run = [this] { ResultTables::in(flow_->services()).open(ResultTitles::kFcf); }}});
    // The raise command's tip tells the threshold as the menu opens.
    connect(fcfMenu_, &QMenu::aboutToShow, this,
            [this, raise] { raise->setStatusTip(QString("threshold %1").arg(flow_->threshold(), 0, 'f', 1)); });
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

void ordavia::registerFcfView() {
    registerViewMaker("fcfview", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<fcfdoc*>(d);
        return doc ? new fcfview(doc, parent) : nullptr;
    });
}
