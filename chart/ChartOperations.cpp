// The trace operations of the chart view, as document operations.
#include <algorithm>

#include "base/Archive.h"
#include "chart/ChartMessages.h"
#include "chart/DataFileFormat.h"
#include "chart/ZchartDoc.h"
#include "base/Text.h"
#include "framework/Prompter.h"

using namespace ordavia;

namespace {
// The undo steps of the row operations, in RowOp order.
const char* const kRowOpNames[] = {"Cut to average", "Cut PSD artifacts", "Cut pedestal", "DPS histogram"};
}  // namespace

const CTrace* ZchartDoc::powerSpectrum(int index, double viewXScale) {
    CTrace* t = editableTrace(index);
    if (!t || !t->hasData()) return nullptr;
    // Too short a trace is the user's to hear about; only a spectrum that
    // could not get its memory is the low-memory message.
    if (t->isTwoD() || t->sampleCount() < kMinSpectrumSamples) {
        if (Prompter* p = prompter())
            p->messageBox(strprintf(kSpectrumTooShort, kMinSpectrumSamples), MsgButtons::Ok, MsgIcon::Information);
        return nullptr;
    }
    auto psd = powerSpectrumTrace(*t, viewXScale);
    if (!psd) {
        chart::reportLowMemory(prompter());
        return nullptr;
    }
    return appendTrace(std::move(psd), "Power Spectrum");
}

bool ZchartDoc::smooth(int index, uint32_t from, uint32_t to, double tau, bool useFilter) {
    CTrace* t = editableTrace(index);
    if (!t || !t->hasData()) return false;
    return pushDataEdit({index}, "Smoothing", [&] {
        smoothSelection(*t, from, to, tau, useFilter ? &artifactFilter_ : nullptr);
        return true;
    });
}

bool ZchartDoc::fir(int index, uint32_t from, uint32_t to, const std::vector<double>& c) {
    CTrace* t = editableTrace(index);
    if (!t || !t->hasData() || c.empty()) return false;
    return pushDataEdit({index}, "FIR filter", [&] {
        firFilter(*t, from, to, c);
        return true;
    });
}

const CTrace* ZchartDoc::differentiate(int index) {
    CTrace* t = editableTrace(index);
    if (!t || !t->hasData() || (docFlags_ & kNoDerived)) return nullptr;
    auto d = std::make_unique<CTrace>(8, t->sampleCount());
    if (!d->hasData()) return nullptr;
    d->copyAttributes(*t);
    if (!d->data->assign(*t->data)) {
        chart::reportLowMemory(prompter());
        return nullptr;
    }
    d->data->derivative();
    d->name = "dy/dx of " + t->name;
    return appendTrace(std::move(d), "Differentiate trace");
}

SelectionAverage ZchartDoc::averageSelection(int index, uint32_t from, uint32_t to) {
    CTrace* t = editableTrace(index);
    if (!t) return {};
    return averageOfSelection(*t, from, to, &artifactFilter_);
}

bool ZchartDoc::normaliseToSelection(int index, uint32_t from, uint32_t to) {
    CTrace* t = editableTrace(index);
    if (!t || !t->hasData()) return false;
    const uint32_t n = t->sampleCount();
    CdoubleVect shifted;
    if (!shifted.resize(n)) return false;
    return pushDataEdit({index}, "Normalise", [&] {
        smoothSelection(*t, from, to, 3.0, nullptr);
        // The reference is the smoothed level where the selection ends, so
        // the trace comes out in thousandths of that level.
        const uint32_t last = (to % n + n - 1) % n;
        shifted.fill(t->data->valueAt(last));
        t->data->normaliseBy(shifted, 1000.0);
        return true;
    });
}

const CTrace* ZchartDoc::combine(int index, int other, bool subtract) {
    CTrace* a = editableTrace(index);
    CTrace* b = editableTrace(other);
    if (!a || !b || !a->hasData() || !b->hasData()) return nullptr;
    auto r = a->clone();
    if (!r) {
        chart::reportLowMemory(prompter());
        return nullptr;
    }
    if (subtract) r->data->difference(*a->data, *b->data);
    else r->data->sum(*a->data, *b->data);
    r->name = a->name + (subtract ? "-" : "+") + b->name;
    return appendTrace(std::move(r), subtract ? "Subtract trace" : "Add trace");
}

const CTrace* ZchartDoc::squareTrace(int index) {
    CTrace* t = editableTrace(index);
    if (!t || !t->hasData()) return nullptr;
    auto d = std::make_unique<CTrace>(8, t->sampleCount());
    if (!d->hasData()) return nullptr;
    d->copyAttributes(*t);
    d->data->assign(*t->data);
    d->data->square();
    d->name = t->name + "squared";
    return appendTrace(std::move(d), "Square trace");
}

const CTrace* ZchartDoc::halvePoints(int index) {
    auto* t = dynamic_cast<C2DTrace*>(editableTrace(index));
    if (!t || !t->hasData() || t->width() <= 4) return nullptr;
    const uint32_t rows = t->sampleCount(), w = t->width() / 2;
    auto h = std::make_unique<C2DTrace>(12, rows, w);
    if (!h->hasData()) return nullptr;
    h->copyAttributes(*t);
    for (uint32_t r = 0; r < rows; ++r) t->copyRowReduced(r, *h, 2);
    pushSlotEdit(index, std::move(h), "Halve no. of pts");
    return trace(index);
}

const CTrace* ZchartDoc::rowProfile(int index, uint32_t from, uint32_t to) {
    auto* t = dynamic_cast<C2DTrace*>(editableTrace(index));
    if (!t || !t->hasData() || t->width() == 0) return nullptr;
    const uint32_t w = t->width();
    std::vector<double> sum(w, 0.0);
    uint32_t used = 0;
    for (uint32_t r : ringIndices(t->sampleCount(), from, to)) {
        if (t->extent && t->extent->getD(r) == 0.0) continue;  // a row never filled
        for (uint32_t c = 0; c < w; ++c) sum[c] += t->data->valueAt(r, c);
        ++used;
    }
    if (used == 0) return nullptr;
    auto p = std::make_unique<CTrace>(8, w);
    if (!p->hasData()) return nullptr;
    for (uint32_t c = 0; c < w; ++c) p->data->setAt(c, sum[c] / used);
    p->name = "profile of " + t->name;
    // The profile runs along the rows' axis: the component spacing and units.
    p->xInterval = t->yScale;
    p->xUnits = t->yUnits;
    p->yUnits = t->name;
    return appendTrace(std::move(p), "PSD profile");
}

ZchartDoc::GreyPicture ZchartDoc::pictureOf(int index) const {
    GreyPicture g;
    auto* t = dynamic_cast<const C2DTrace*>(trace(index));
    if (!t || !t->hasData() || t->width() == 0) return g;
    // Picture sizes stay within what the image documents accept.
    constexpr uint32_t kMaxSide = 32768;
    g.width = int(std::min(t->sampleCount(), kMaxSide));
    g.height = int(std::min(t->width(), kMaxSide));
    g.pixels.assign(size_t(g.width) * size_t(g.height), 0);
    const double range = t->intensityRange > 0 ? t->intensityRange : 1.0;
    for (int x = 0; x < g.width; ++x)
        for (int c = 0; c < g.height; ++c) {
            const double v = (t->data->valueAt(uint32_t(x), uint32_t(c)) - t->intensityOffset) / range * 255.0;
            const int grey = v >= 255.0 ? 255 : (v > 0.0 ? int(v) : 0);
            g.pixels[size_t(g.height - 1 - c) * size_t(g.width) + size_t(x)] = uint8_t(grey);
        }
    return g;
}

bool ZchartDoc::rowOperation(int index, uint32_t from, uint32_t to, RowOp op) {
    CTrace* plain = editableTrace(index);
    if (plain && plain->hasData() && !plain->data->twoD() && op == RowOp::CutToAverage) {
        // A one-dimensional trace is one block: the selection is cut to its mean.
        return pushDataEdit({index}, kRowOpNames[int(op)], [&] {
            const auto idx = ringIndices(plain->sampleCount(), from, to);
            std::vector<double> v;
            for (uint32_t i : idx) v.push_back(plain->data->valueAt(i));
            ordavia::rowOperation(v, op);
            for (size_t k = 0; k < idx.size(); ++k) plain->data->setAt(idx[k], v[k]);
            return true;
        });
    }
    auto* t = dynamic_cast<C2DTrace*>(plain);
    if (!t || !t->hasData()) return false;
    return pushDataEdit({index}, kRowOpNames[int(op)], [&] {
        ordavia::rowOperation(*t, from, to, op);
        return true;
    });
}

bool ZchartDoc::clearTraces() {
    std::vector<int> all;
    for (int i = 0; i < traceCount(); ++i) all.push_back(i);
    return pushDataEdit(all, "Clear traces", [this] {
        for (auto& t : traces_.items)
            if (t && t->data) t->data->zero();
        return true;
    });
}

bool ZchartDoc::deleteData(int index, uint32_t from, uint32_t to) {
    CTrace* t = editableTrace(index);
    if (!t || (docFlags_ & kNoDelete)) return false;
    if (from == to || !t->hasData()) return deleteTrace(index);
    const uint32_t n = t->sampleCount();
    t->orderRange(from, to);
    from %= n;
    to %= n;
    // What stays is the ring range [to, from). The step keeps the samples
    // taken out with the whole vector they were in.
    auto rest = CTrace::copyRangeVector(*t->data, to, from);
    if (!rest) return false;
    auto held = std::make_shared<std::unique_ptr<CdataVect>>(std::move(rest));
    auto heldHead = std::make_shared<uint32_t>(0);
    auto exchange = [this, index, held, heldHead] {
        if (CTrace* tr = editableTrace(index)) {
            std::swap(std::experimental::get_underlying(tr->data), *held);
            std::swap(tr->head, *heldHead);
        }
        notify(kHintData);
    };
    pushEdit("Delete data", exchange, exchange);
    return true;
}

std::vector<uint8_t> ZchartDoc::copyBytes(int index, uint32_t from, uint32_t to) const {
    const CTrace* t = trace(index);
    if (!t || !t->hasData()) return {};
    Archive ar;
    double x1 = 0, x2 = 0;
    if (from != to) {
        auto part = t->makeEmpty();
        if (!part->copyRange(*t, from, to)) return {};
        uint32_t f = from, e = to;
        t->orderRange(f, e);
        x1 = t->sampleX(f);
        x2 = x1 + part->sampleCount() * t->xInterval;
        ar.writeObject(part.get());
    } else {
        x1 = t->sampleX(t->head);
        x2 = x1 + t->sampleCount() * t->xInterval;
        ar.writeObject(t);
    }
    markers_.SerializeRange(ar, x1, x2, true);
    return ar.takeBytes();
}

const CTrace* ZchartDoc::pasteBytes(const std::vector<uint8_t>& bytes, double xStart) {
    std::unique_ptr<CTrace> t;
    CMarkerList pasted;
    try {
        Archive ar(bytes);
        t = ar.readObject<CTrace>();
        if (ar.remaining()) pasted.Serialize(ar);
    } catch (const ArchiveError&) {
        return nullptr;
    }
    if (!t || !t->hasData()) {
        chart::reportLowMemory(prompter());
        return nullptr;
    }
    t->setXStart(xStart);
    const size_t tracesBefore = traces_.items.size(), markersBefore = markers_.size();
    traces_.items.push_back(std::move(t));
    pasted.Shift(xStart);
    markers_.Merge(pasted);
    pushAppended("Paste", tracesBefore, markersBefore);
    notify(kHintTraces);
    notify(kHintMarker);
    return traces_.items.back().get();
}

int ZchartDoc::importTraces(const std::vector<uint8_t>& bytes, DataFileFormat& fmt, ordavia::Status* why) {
    TraceImporter in(bytes, fmt);
    const size_t before = traces_.items.size();
    int n = 0;
    while (auto t = in.next()) {
        if (!t->hasData()) chart::reportLowMemory(prompter());
        else traces_.items.push_back(std::move(t)), ++n;
    }
    if (n) {
        pushAppended("Import", before, markers_.size());
        notify(kHintTraces);
    }
    if (why) *why = in.status();
    return n;
}
