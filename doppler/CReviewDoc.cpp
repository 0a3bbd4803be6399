#include "doppler/CReviewDoc.h"

#include <algorithm>

#include "base/Text.h"
#include "chart/TraceAlgorithms.h"
#include "doppler/PulseAnalysis.h"
#include "framework/Prompter.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// The chart's indexed colours that contour k takes (as the chart view's own).
constexpr uint32_t kContourColours[] = {rgb(255, 0, 0),   rgb(0, 128, 0),   rgb(0, 0, 255),   rgb(128, 0, 128),
                                        rgb(0, 128, 128), rgb(128, 128, 0), rgb(255, 128, 0), rgb(64, 64, 64)};

bool plainTrace(const CTrace* t) { return t && t->hasData() && !t->data->twoD(); }

}  // namespace

struct CReviewDoc::Pulse {
    CTrace* velocity = nullptr;
    CTrace* systolic = nullptr;
    CTrace* diastolic = nullptr;
    CTrace* mean = nullptr;
    std::vector<uint32_t> range;  // the samples of the selection in walk order
    std::vector<uint32_t> beats;  // the first peak of each beat, as positions in the range
    std::vector<double> x, level;  // the velocities of the range and their mean
    PulseMarks marked, filled;    // the peaks and minima found, and with the gaps filled
};

int CReviewDoc::reviewSpectrum(int active) const {
    const CTrace* a = trace(active);
    if (a && a->hasData() && a->data->twoD()) return active;
    const int named = traces().indexOf(kSpectrumName);
    if (named >= 0 && trace(named)->hasData() && trace(named)->data->twoD()) return named;
    for (int i = 0; i < traceCount(); ++i)
        if (trace(i) && trace(i)->hasData() && trace(i)->data->twoD()) return i;
    return -1;
}

bool CReviewDoc::recordedRange(int spectrum, uint32_t& from, uint32_t& to) const {
    const auto* s = dynamic_cast<const C2DTrace*>(trace(spectrum));
    const uint32_t n = s ? s->sampleCount() : 0;
    if (!n) return false;
    int64_t first = -1, last = -1;
    for (uint32_t k = 0; k < n; ++k)
        if (s->extentAt((s->head + k) % n) != 0.0) {
            if (first < 0) first = k;
            last = k;
        }
    if (first < 0) return false;
    from = static_cast<uint32_t>((s->head + first) % n);
    to = static_cast<uint32_t>((s->head + last + 1) % n);
    return true;
}

std::vector<int> CReviewDoc::velocityTraces() const {
    std::vector<int> out;
    for (int i = 0; i < traceCount(); ++i)
        if (plainTrace(trace(i)) && trace(i)->yUnits == "mm/s") out.push_back(i);
    return out;
}

ShiftFinder CReviewDoc::shiftFinder() {
    return [this](double* p, uint32_t n) { return FindDopplerShift(p, static_cast<int>(n)); };
}

CTrace* CReviewDoc::velocityTarget(const C2DTrace& spectrum, int target) {
    if (target >= 0) {
        CTrace* t = editableTrace(target);
        return plainTrace(t) && t->sampleCount() >= spectrum.sampleCount() ? t : nullptr;
    }
    auto t = std::make_unique<CTrace>(8, spectrum.sampleCount());
    if (!t->hasData()) return adoptTrace(std::move(t));  // reports the low memory
    t->name = kCbvName;
    t->yUnits = "mm/s";
    t->xUnits = spectrum.xUnits;
    t->xInterval = spectrum.xInterval;
    t->xStart = spectrum.xStart;
    t->head = spectrum.head;
    t->ring = spectrum.ring;
    // Stored in Hz of shift, as the monitor stores it, shown in mm/s; the
    // top bin at 256 pixels.
    t->yScale = velocityFactor();
    t->displayYScale = std::max(1e-9, rowFrequencyScale(spectrum, spectrum.head) * velocityFactor() / 256.0);
    return adoptTrace(std::move(t), true);
}

const CTrace* CReviewDoc::calculateCbv(int spectrum, uint32_t from, uint32_t to, int target) {
    auto* s = dynamic_cast<C2DTrace*>(editableTrace(spectrum));
    if (!s || !s->hasData()) return nullptr;
    const CTrace* made = nullptr;
    pushDataEdit(target >= 0 ? std::vector<int>{target} : std::vector<int>{}, "Calculate CBV", [&] {
        CTrace* t = velocityTarget(*s, target);
        if (!t) return false;
        ArtifactFilter filter = artifactFilter();
        velocityFromSpectrum(*s, from, to, shiftFinder(), *t, &filter);
        made = t;
        return true;
    }, kHintTraces);
    return made;
}

bool CReviewDoc::recalculateDopplerShift() {
    const int cbv = traces().indexOf(kCbvName);
    const int spectrum = reviewSpectrum(traces().indexOf(kSpectrumName));
    if (cbv < 0 || spectrum < 0) return false;
    return calculateCbv(spectrum, 0, 0, cbv) != nullptr;
}

int CReviewDoc::powerContours(int spectrum, uint32_t from, uint32_t to) {
    auto* s = dynamic_cast<C2DTrace*>(editableTrace(spectrum));
    if (!s || !s->hasData()) return 0;
    const int method = this->method();
    const int32_t threshold = this->threshold();
    // The automatic noise floor would take the percentage's place as the
    // threshold: it rests while the contours are drawn.
    const bool autonoise = detection().autonoise;
    detection().autonoise = false;
    setMethod(static_cast<int>(DopplerMethod::PercentOfPower));
    int made = 0;
    pushDataEdit({}, "Power contour", [&] {
        for (int k = 0, pct = 95; pct >= 50; ++k, pct -= 5) {
            CTrace* t = velocityTarget(*s, -1);
            if (!t) break;
            t->name = strprintf("%0i%% contour", pct);
            t->yUnits = "kHz";
            t->yScale = 0.001;
            t->displayYScale = std::max(1e-9, rowFrequencyScale(*s, s->head) * 0.001 / 256.0);
            t->colour = kContourColours[k % 8];
            setThreshold(pct);
            velocityFromSpectrum(*s, from, to, shiftFinder(), *t);
            ++made;
        }
        return made > 0;
    });
    detection().autonoise = autonoise;
    setMethod(method);
    setThreshold(threshold);
    return made;
}

int CReviewDoc::levelContours(int spectrum, uint32_t from, uint32_t to, double interval, int count) {
    auto* s = dynamic_cast<C2DTrace*>(editableTrace(spectrum));
    if (!s || !s->hasData() || !(interval > 0) || count < 1) return 0;
    int made = 0;
    pushDataEdit({}, "Level contour", [&] {
        for (int k = 1; k <= count; ++k) {
            CTrace* t = velocityTarget(*s, -1);
            if (!t) break;
            const double level = interval * k;
            t->name = strprintf("%3u contour", static_cast<unsigned>(level));
            t->yUnits = "kHz";
            t->yScale = 0.001;
            t->displayYScale = std::max(1e-9, rowFrequencyScale(*s, s->head) * 0.001 / 256.0);
            t->colour = kContourColours[(k - 1) % 8];
            velocityFromSpectrum(*s, from, to, [level](double* p, uint32_t n) { return double(levelEdge(p, n, level)); },
                                 *t);
            ++made;
        }
        return made > 0;
    });
    return made;
}

const CTrace* CReviewDoc::signalStrength(int spectrum, uint32_t from, uint32_t to) {
    auto* s = dynamic_cast<C2DTrace*>(editableTrace(spectrum));
    if (!s || !s->hasData()) return nullptr;
    CTrace* t = nullptr;
    pushDataEdit({}, "Signal Strength", [&] {
        t = velocityTarget(*s, -1);
        if (!t) return false;
        t->name = "Signal strength";
        t->yUnits = "";
        t->yScale = 1.0;
        if (services().profileStore) {
            t->name = services().profileStore->GetString("PowerTrace", "name", "Signal strength");
            t->yUnits = services().profileStore->GetString("PowerTrace", "units", "");
        }
        signalStrengthInto(*s, from, to, *t);
        double mean, mn, mx;
        if (t->data->statistics(mean, mn, mx, 0, t->sampleCount()) && mx > 0) t->displayYScale = mx / 200.0;
        return true;
    });
    return t;
}

CTrace* CReviewDoc::resultTrace(const std::string& name, const CTrace& like, uint32_t colour) {
    CTrace* t = editableTrace(traces().indexOf(name));
    if (!plainTrace(t) || t->sampleCount() != like.sampleCount()) {
        auto made = std::make_unique<CTrace>(8, like.sampleCount());
        if (made->hasData()) {
            made->copyAttributes(like);
            made->name = name;
        }
        t = adoptTrace(std::move(made), true);
        if (!t) return nullptr;
    }
    t->data->fill(0.0);
    t->colour = colour;
    t->yScale = like.yScale;
    t->yOffset = like.yOffset;
    t->yUnits = like.yUnits;
    return t;
}

bool CReviewDoc::pulseAnalysis(int velocity, uint32_t from, uint32_t to, uint32_t w, Pulse& out) {
    CTrace* v = editableTrace(velocity);
    if (!plainTrace(v) || w == 0) return false;
    out.velocity = v;
    out.range = ringIndices(v->sampleCount(), from, to);
    if (out.range.size() < 2 * size_t(w) + 1) return false;
    out.systolic = resultTrace(kSystolicName, *v, rgb(255, 0, 255));
    out.diastolic = out.systolic ? resultTrace(kDiastolicName, *v, rgb(0, 0, 255)) : nullptr;
    out.mean = out.diastolic ? resultTrace(kMeanName, *v, rgb(0, 128, 0)) : nullptr;
    if (!out.mean || v->yScale == 0.0) return false;

    const size_t m = out.range.size();
    std::vector<double>& x = out.x;
    x.resize(m);
    for (size_t k = 0; k < m; ++k) x[k] = v->physical(out.range[k]);
    out.marked = classifyPulses(x, static_cast<int>(w));
    // A flat stretch makes a run of peaks; its first stands for the beat.
    for (size_t k = 0; k < m; ++k)
        if (out.marked.systolic[k] != 0.0 && (k == 0 || out.marked.systolic[k - 1] == 0.0))
            out.beats.push_back(static_cast<uint32_t>(k));
    out.filled = out.marked;
    fillPulseGaps(out.filled);
    out.level = meanTrace(x);
    const double ys = v->yScale, yo = v->yOffset;
    for (size_t k = 0; k < m; ++k) {
        out.systolic->data->setD(out.range[k], (out.filled.systolic[k] - yo) / ys);
        out.diastolic->data->setD(out.range[k], (out.filled.diastolic[k] - yo) / ys);
        out.mean->data->setD(out.range[k], (out.level[k] - yo) / ys);
    }
    return true;
}

CTrace* CReviewDoc::indexTrace(const char* name, const Pulse& p, bool pulsatility) {
    CTrace* t = resultTrace(name, *p.velocity, rgb(255, 0, 0));
    if (!t) return nullptr;
    t->yUnits = "";
    t->yScale = 0.001;
    t->yOffset = 0.0;
    t->displayYScale = 0.0078125;
    const std::vector<double> index =
        pulsatility ? ordavia::pulsatilityIndex(p.filled, p.level) : ordavia::resistanceIndex(p.filled);
    for (size_t k = 0; k < p.range.size(); ++k) t->data->setD(p.range[k], index[k]);
    fileResults(p, name, index);
    return t;
}

// One row each for the mean, the peaks, the minima and the index, with the
// chart's columns: the range's start and end, then the average, largest,
// smallest, share and sum of the values that count (every velocity, the
// marked peaks, the marked minima, the index where both marks are known);
// the averages are the command line's figures.
void CReviewDoc::fileResults(const Pulse& p, const char* indexName, const std::vector<double>& index) {
    ResultTables* tables = ResultTables::of(services());
    if (!tables || p.range.empty()) return;
    CResultDoc* table = tables->open(ResultTitles::kChart);
    if (!table) return;
    const double start = p.velocity->sampleX(p.range.front()), end = p.velocity->sampleX(p.range.back());
    Status refused;
    auto row = [&](const std::string& what, const std::vector<double>& values, auto counts) {
        double sum = 0, hi = -1.7976931348623157e308, lo = 1.7976931348623157e308;
        size_t n = 0;
        for (size_t k = 0; k < values.size(); ++k) {
            if (!counts(k)) continue;
            sum += values[k];
            hi = std::max(hi, values[k]);
            lo = std::min(lo, values[k]);
            ++n;
        }
        ResultRecord r;
        r.first = GetTitle();
        r.second = p.velocity->name + " " + what;
        r.values = {start, end, n ? sum / n : 0.0, n ? hi : 0.0, n ? lo : 0.0, n * 100.0 / values.size(), sum};
        if (Status st = table->addRow(r); !st && refused.ok()) refused = st;
    };
    row(kMeanName, p.x, [](size_t) { return true; });
    row(kSystolicName, p.marked.systolic, [&](size_t k) { return p.marked.systolic[k] != 0.0; });
    row(kDiastolicName, p.marked.diastolic, [&](size_t k) { return p.marked.diastolic[k] != 0.0; });
    std::vector<double> ratio(index.size());
    for (size_t k = 0; k < index.size(); ++k) ratio[k] = index[k] / 1000.0;
    row(indexName, ratio, [&](size_t k) { return p.filled.systolic[k] != 0.0 && p.filled.diastolic[k] != 0.0; });
    // The index trace is made all the same; the user learns that its rows are not filed.
    if (!refused.ok()) userPrompter().messageBox(refused.reason(), MsgButtons::Ok, MsgIcon::Warning);
}

// The pulse commands write the velocity trace and the traces of the
// analysis (found or added): one undo step over every plain trace.
std::vector<int> CReviewDoc::plainTraces() const {
    std::vector<int> out;
    for (int i = 0; i < traceCount(); ++i)
        if (plainTrace(trace(i))) out.push_back(i);
    return out;
}

const CTrace* CReviewDoc::indexStep(const char* step, const char* name, bool pulsatility, int velocity,
                                    uint32_t from, uint32_t to, uint32_t w) {
    const CTrace* made = nullptr;
    pushDataEdit(plainTraces(), step, [&] {
        Pulse p;
        made = pulseAnalysis(velocity, from, to, w, p) ? indexTrace(name, p, pulsatility) : nullptr;
        return made != nullptr;
    }, kHintTraces);
    return made;
}

const CTrace* CReviewDoc::pulsatilityIndex(int velocity, uint32_t from, uint32_t to, uint32_t w) {
    return indexStep("Pulsatility Index", kPulsatilityName, true, velocity, from, to, w);
}

const CTrace* CReviewDoc::resistanceIndex(int velocity, uint32_t from, uint32_t to, uint32_t w) {
    return indexStep("Resistance Index", kResistanceName, false, velocity, from, to, w);
}

bool CReviewDoc::removePulse(int velocity, uint32_t from, uint32_t to, uint32_t w) {
    return pushDataEdit(plainTraces(), "Remove Pulse", [&] {
        Pulse p;
        if (!pulseAnalysis(velocity, from, to, w, p)) return false;
        std::vector<double> x;
        for (uint32_t i : p.range) x.push_back(p.velocity->physical(i));
        const std::vector<double> m = beatMeans(x, p.beats);
        const double ys = p.velocity->yScale, yo = p.velocity->yOffset;
        for (size_t k = 0; k < p.range.size(); ++k) p.velocity->data->setD(p.range[k], (m[k] - yo) / ys);
        return true;
    });
}
