#include "linescan/ui/ZchartReView.h"

#include <QAction>
#include <QMenu>

#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "linescan/ZchartReviewDoc.h"

ZchartReView::ZchartReView(ZchartReviewDoc* doc, QWidget* parent) : ZchartView(doc, parent), review_(doc) {
    auto* m = new QMenu("&Review", this);
    connect(m->addAction("&Calculate velocity"), &QAction::triggered, this, &ZchartReView::cmdCalculateVelocity);
    menuList().append(m);
}

void ZchartReView::cmdCalculateVelocity() {
    const uint32_t from = state().hasSelection() ? state().selFrom : 0;
    const uint32_t to = state().hasSelection() ? state().selTo : 0;
    if (!review_->calculateVelocity(activeTrace(), from, to) && review_->hasServices())
        review_->services().prompter().messageBox(ZchartReviewDoc::kNeedsStack, MsgButtons::Ok, MsgIcon::Information);
}
