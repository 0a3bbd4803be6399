#include "chart/ui/ZliveChartView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <algorithm>

#include "chart/ZliveChartDoc.h"

using namespace ordavia;

ZliveChartView::ZliveChartView(ZliveChartDoc* doc, QWidget* parent) : ZchartView(doc, parent), live_(doc) {
    setObjectName("ZliveChartView");
    hold_ = new QAction(kHoldText, this);
    hold_->setCheckable(true);
    hold_->setToolTip(kHoldTip);
    hold_->setStatusTip(kHoldTip);
    hold_->setShortcut(QKeySequence(Qt::Key_H));
    hold_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(hold_);
    connect(hold_, &QAction::toggled, this, &ZliveChartView::setHeld);
    for (QMenu* m : menuList())
        if (m->title() == "&Display") {
            m->insertAction(m->actions().value(0), hold_);
            m->insertSeparator(m->actions().value(1));
        }
    heldLabel_ = new QLabel;
    heldLabel_->setStyleSheet("color: white; background: #b03020; padding: 1px 6px; font-weight: bold;");
    heldLabel_->hide();
    topBar()->insertWidget(std::max(0, topBar()->count() - 2), heldLabel_);
    refreshUnitLabel();
}

ZliveChartView::~ZliveChartView() = default;

void ZliveChartView::setHeld(bool on) {
    if (on == isHeld()) return;
    if (on) {
        held_ = live_->stillCopy();
        setShownDocument(held_.get());
        heldLabel_->setText("HELD");
        heldLabel_->show();
    } else {
        setShownDocument(nullptr);
        held_.reset();
        heldLabel_->hide();
        // The live document may have changed its traces meanwhile.
        ZchartView::OnUpdate(live_, ZchartDoc::kHintTraces);
        refreshUnitLabel();
    }
    if (hold_->isChecked() != on) hold_->setChecked(on);
}

void ZliveChartView::OnUpdate(Document* doc, long hint) {
    if (isHeld()) {
        if (hint == ZchartDoc::kHintData) heldLabel_->setText("HELD \u00b7 newer live data");
        return;
    }
    refreshUnitLabel();
    ZchartView::OnUpdate(doc, hint);
    const CTrace* t = live_->liveTrace();
    if (!t || hint != ZchartDoc::kHintData) return;
    const double span = t->sampleCount() * t->xInterval;
    if (span != fittedSpan_ || t->xUnits != fittedUnits_) {
        fittedSpan_ = span;
        fittedUnits_ = t->xUnits;
        fitAll();
    }
}

void ZliveChartView::refreshUnitLabel() {
    setXUnitLabel(live_->liveTrace() ? live_->liveTrace()->xUnits : std::string());
}
