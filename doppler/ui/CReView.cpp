#include "doppler/ui/CReView.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <cmath>

#include "doppler/CReviewDoc.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/ui/Ctrv2View.h"
#include "doppler/ui/ReviewDialogs.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "framework/ui/ViewRegistry.h"

using namespace ordavia;

namespace {
// The pulse half-width is kept from one use to the next for the whole run;
// 0 until the first use.
struct KeptPulseHalfWidth {
    int samples = 0;
};
int& pulseHalfWidth(CReviewDoc* doc) { return doc->services().runValue<KeptPulseHalfWidth>().samples; }
// A first guess: 0.15 s, under half the beat of a heart at 180 per minute
// and above the width of a noise spike.
int firstHalfWidth(const CTrace& t) {
    return t.xInterval > 0 ? std::max(1, static_cast<int>(std::lround(0.15 / t.xInterval))) : 25;
}
dopplerui::LevelContour& lastLevels(CReviewDoc* doc) {
    return doc->services().runValue<dopplerui::LevelContour>();
}
}  // namespace

CReView::CReView(CReviewDoc* doc, QWidget* parent) : ZcommonTRVView(doc, parent), review_(doc) {
    addDopplerCommands({{.text = "&Calculate CBV", .run = [this] { cmdCalculateCbv(); }},
                        {.text = "Recalculate Doppler Shift", .run = [this] { cmdRecalculate(); }},
                        separator(),
                        {.text = "&Power contour", .run = [this] { cmdPowerContour(); }},
                        {.text = "&Level contour...", .run = [this] { cmdLevelContour(); }},
                        {.text = "&Signal Strength", .run = [this] { cmdSignalStrength(); }},
                        separator(),
                        {.text = "&Pulsatility Index", .run = [this] { cmdPulse(0); }},
                        {.text = "&Resistance Index", .run = [this] { cmdPulse(1); }},
                        {.text = "&Remove Pulse", .run = [this] { cmdPulse(2); }}});
}

int CReView::spectrumOrSay() {
    const int s = review_->reviewSpectrum(activeTrace());
    if (s < 0) say(CReviewDoc::kNeedsSpectrum);
    return s;
}

void CReView::rangeOf(int index, uint32_t& from, uint32_t& to) const {
    const CTrace* t = review_->trace(index);
    if (index == activeTrace() && state().hasSelection()) {
        from = state().selFrom;
        to = state().selTo;
        if (t) t->orderRange(from, to);
        return;
    }
    from = to = t ? t->head : 0;
    // Rows the monitor never reached would count as stopped flow.
    const int s = review_->reviewSpectrum(index);
    const CTrace* spectrum = review_->trace(s);
    if (t && spectrum && spectrum->sampleCount() == t->sampleCount()) (void)review_->recordedRange(s, from, to);
}

void CReView::showEvent(QShowEvent* e) {
    ZcommonTRVView::showEvent(e);
    // A monitor's recording is shown as the monitor showed it.
    const C2DTrace* s = review_->spectrumTrace();
    if (arranged_ || !s || !s->extent) return;
    arranged_ = true;
    double top = 0.0;
    for (uint32_t r = 0; r < s->extent->count; ++r) top = std::max(top, s->extentAt(r));
    if (top > 0.0) arrangeDopplerDisplays(top);
}

void CReView::showNewTrace(int index) {
    if (index < 0 || index >= review_->traceCount()) return;
    setActiveTrace(index);
    repaintChart();
}

void CReView::cmdCalculateCbv() {
    const int s = spectrumOrSay();
    if (s < 0) return;
    std::vector<std::pair<int, std::string>> choices;
    for (int i : review_->velocityTraces()) choices.emplace_back(i, review_->trace(i)->name);
    const auto target = dopplerui::calculateCbvDialog(this, choices);
    if (!target) return;
    uint32_t from, to;
    rangeOf(s, from, to);
    const CTrace* t = review_->calculateCbv(s, from, to, *target);
    if (t) showNewTrace(review_->traceIndex(t));
}

void CReView::cmdRecalculate() {
    if (!review_->recalculateDopplerShift()) say(CReviewDoc::kNeedsCbv);
    repaintChart();
}

void CReView::cmdPowerContour() {
    const int s = spectrumOrSay();
    if (s < 0) return;
    uint32_t from, to;
    rangeOf(s, from, to);
    if (review_->powerContours(s, from, to) > 0) showNewTrace(review_->traceCount() - 1);
}

void CReView::cmdLevelContour() {
    const int s = spectrumOrSay();
    if (s < 0) return;
    const auto l = dopplerui::levelContourDialog(this, lastLevels(review_));
    if (!l) return;
    lastLevels(review_) = *l;
    uint32_t from, to;
    rangeOf(s, from, to);
    if (review_->levelContours(s, from, to, l->interval, l->count) > 0) showNewTrace(review_->traceCount() - 1);
}

void CReView::cmdSignalStrength() {
    const int s = spectrumOrSay();
    if (s < 0) return;
    uint32_t from, to;
    rangeOf(s, from, to);
    if (const CTrace* t = review_->signalStrength(s, from, to)) showNewTrace(review_->traceIndex(t));
}

void CReView::cmdPulse(int which) {
    int v = activeTrace();
    const CTrace* t = review_->trace(v);
    if (!t || !t->hasData() || t->data->twoD()) v = review_->traceIndex(CReviewDoc::kCbvName);
    if (v < 0) {
        say(CReviewDoc::kNeedsVelocity);
        return;
    }
    const auto w = dopplerui::halfWidthDialog(
        this, pulseHalfWidth(review_) > 0 ? pulseHalfWidth(review_) : firstHalfWidth(*review_->trace(v)));
    if (!w) return;
    pulseHalfWidth(review_) = *w;
    uint32_t from, to;
    rangeOf(v, from, to);
    const auto half = static_cast<uint32_t>(*w);
    const CTrace* made = which == 0   ? review_->pulsatilityIndex(v, from, to, half)
                   : which == 1 ? review_->resistanceIndex(v, from, to, half)
                                : (review_->removePulse(v, from, to, half) ? review_->trace(v) : nullptr);
    if (!made) {
        say(CReviewDoc::kPulseTooShort);
        return;
    }
    // The marks and the mean are read against the velocity: the same scale.
    auto& displays = state().displays;
    for (const char* name : {CReviewDoc::kSystolicName, CReviewDoc::kDiastolicName, CReviewDoc::kMeanName}) {
        const int i = review_->traceIndex(name);
        if (i < 0 || static_cast<size_t>(std::max(i, v)) >= displays.size()) continue;
        displays[static_cast<size_t>(i)].yPerPixel = displays[static_cast<size_t>(v)].yPerPixel;
        displays[static_cast<size_t>(i)].yBottom = displays[static_cast<size_t>(v)].yBottom;
    }
    showNewTrace(review_->traceIndex(made));
}

void ordavia::registerDopplerViews() {
    const ViewMaker* before = findViewMaker("CReView");
    const ViewMaker other = before ? *before : ViewMaker();
    registerViewMaker("CReView", [other](Document* d, QWidget* parent) -> QWidget* {
        if (auto* r = dynamic_cast<CReviewDoc*>(d)) return new CReView(r, parent);
        return other ? other(d, parent) : nullptr;
    });
    registerViewMaker("Ctrv2View", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<Ctrv2Doc*>(d);
        return doc ? new Ctrv2View(doc, parent) : nullptr;
    });
}
