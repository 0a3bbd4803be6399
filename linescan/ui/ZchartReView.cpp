#include "linescan/ui/ZchartReView.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "linescan/ZchartReviewDoc.h"

using namespace ordavia;

ZchartReView::ZchartReView(ZchartReviewDoc* doc, QWidget* parent) : ZchartView(doc, parent), review_(doc) {
    auto* m = new QMenu("&Review", this);
    addCommands(m, this, {{.text = "&Calculate velocity", .run = [this] { cmdCalculateVelocity(); }}});
    menuList().append(m);
}

void ZchartReView::cmdCalculateVelocity() {
    const uint32_t from = state().hasSelection() ? state().selFrom : 0;
    const uint32_t to = state().hasSelection() ? state().selTo : 0;
    const int before = review_->traceCount();
    if (!review_->calculateVelocity(activeTrace(), from, to)) {
        review_->services().prompter().messageBox(ZchartReviewDoc::kNeedsStack, MsgButtons::Ok,
                                                  MsgIcon::Information);
        return;
    }
    // The correlograms (0 to 1000) would cover the scan lines: they wait
    // behind "&Hide Trace", shown to their own range; the velocity is active.
    if (before + 1 < static_cast<int>(state().displays.size())) {
        TraceDisplay& correlation = state().displays[static_cast<size_t>(before)];
        correlation.hidden = true;
        correlation.intensityRange = 1000.0;
        correlation.stripValid = false;
        // The velocity over the plot's height on a scale of its own.
        TraceDisplay& v = state().displays[static_cast<size_t>(before + 1)];
        if (const CTrace* t = v.trace; t && t->hasData()) {
            double lo = 0, hi = 0;
            for (uint32_t i = 0; i < t->sampleCount(); ++i) hi = std::max(hi, t->physical(i)), lo = std::min(lo, t->physical(i));
            if (hi <= lo) hi = lo + 1;
            v.yPerPixel = (hi - lo) * 1.1 / std::max(10, plotRect().height());
            v.yBottom = lo - (hi - lo) * 0.05;
            v.cacheValid = false;
        }
        setActiveTrace(before + 1);
    }
    repaintChart();
}
