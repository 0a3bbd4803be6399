// The chart's data operations as steps of the undo stack. A step keeps by
// value what the operation replaced and exchanges it with the chart's on
// undo and redo, so both directions give back the very bits they took away
// (no operation is run a second time). The trace objects themselves stay
// where they are: views and analyses that hold a trace keep holding it.
#include <algorithm>
#include <experimental/propagate_const>
#include <memory>
#include <utility>

#include "chart/ChartMessages.h"
#include "chart/ZchartDoc.h"

using namespace ordavia;
using std::experimental::get_underlying;

namespace {

// What a data operation may change of a trace: everything but its
// identity. The step keeps a clone of the trace (samples, row extents and
// every attribute) and exchanges its state with the chart's trace.
struct HeldContents {
    int index = -1;
    std::unique_ptr<CTrace> copy;
};

void exchangeContents(CTrace& t, CTrace& c) {
    std::swap(get_underlying(t.data), get_underlying(c.data));
    std::unique_ptr<CTrace> attributes = t.makeEmpty();
    attributes->copyAttributes(t);
    t.copyAttributes(c);
    c.copyAttributes(*attributes);
    auto* t2 = dynamic_cast<C2DTrace*>(&t);
    auto* c2 = dynamic_cast<C2DTrace*>(&c);
    if (t2 && c2) {
        std::swap(get_underlying(t2->extent), get_underlying(c2->extent));
        std::swap(t2->intensityOffset, c2->intensityOffset);
    }
}

}  // namespace

bool ZchartDoc::pushDataEdit(const std::vector<int>& indexes, const std::string& text,
                             const std::function<bool()>& change, long hint) {
    auto held = std::make_shared<std::vector<HeldContents>>();
    bool copied = true;
    for (int i : indexes) {
        const CTrace* t = trace(i);
        if (!t) continue;
        held->push_back({i, t->clone()});
        copied = copied && held->back().copy;
    }
    if (!copied) {
        // No room for the copy: the change is still made, and the steps
        // before it are dropped, as they would put back older samples.
        held.reset();
        chart::reportLowMemory(prompter());
    }
    const size_t tracesBefore = traces_.items.size(), markersBefore = markers_.size();
    // Traces the change adds are the step's too, not a change of their own.
    inStep_ = true;
    bool changed = false;
    try {
        changed = change();
    } catch (...) {
        inStep_ = false;
        throw;
    }
    inStep_ = false;
    const bool added = traces_.items.size() != tracesBefore;
    if (!changed && !added) return false;
    if (!held) {
        undoStack().markUnrecorded();
    } else {
        auto exchange = [this, held, hint] {
            for (HeldContents& h : *held)
                if (CTrace* t = editableTrace(h.index)) exchangeContents(*t, *h.copy);
            notify(hint);
        };
        if (!added) {
            undoStack().pushApplied(std::make_unique<FunctionCommand>(text, exchange, exchange));
        } else {
            const Appended a = appended(tracesBefore, markersBefore);
            undoStack().pushApplied(std::make_unique<FunctionCommand>(
                text, [a, exchange] { a.putBack(); exchange(); }, [a, exchange] { exchange(); a.takeOut(); }));
        }
    }
    notify(added ? kHintTraces : hint);
    return changed;
}

ZchartDoc::Appended ZchartDoc::appended(size_t tracesBefore, size_t markersBefore) {
    // The traces are found again by identity: an analysis may have added
    // traces of its own behind them since.
    std::vector<const CTrace*> added;
    for (size_t i = tracesBefore; i < traces_.items.size(); ++i) added.push_back(traces_.items[i].get());
    struct Held {
        std::vector<std::unique_ptr<CTrace>> traces;
        std::vector<std::unique_ptr<CMarker>> markers;
        std::vector<const CMarker*> markerIds;
    };
    auto held = std::make_shared<Held>();
    for (size_t i = markersBefore; i < markers_.size(); ++i) held->markerIds.push_back(&markers_[i]);
    auto undo = [this, held, added] {
        for (const CTrace* t : added)
            if (const int at = traces_.indexOf(t); at >= 0) {
                held->traces.push_back(std::move(traces_.items[size_t(at)]));
                traces_.items.erase(traces_.items.begin() + at);
            }
        for (const CMarker* m : held->markerIds)
            if (const int at = markerIndex(m); at >= 0) held->markers.push_back(markers_.take(size_t(at)));
        notify(kHintTraces);
    };
    auto redo = [this, held] {
        for (auto& t : held->traces) traces_.items.push_back(std::move(t));
        for (auto& m : held->markers) markers_.add(std::move(m));
        held->traces.clear();
        held->markers.clear();
        notify(kHintTraces);
    };
    return Appended{redo, undo};
}

void ZchartDoc::pushAppended(const std::string& text, size_t tracesBefore, size_t markersBefore) {
    const Appended a = appended(tracesBefore, markersBefore);
    undoStack().pushApplied(std::make_unique<FunctionCommand>(text, a.putBack, a.takeOut));
}

const CTrace* ZchartDoc::appendTrace(std::unique_ptr<CTrace> t, const std::string& text) {
    if (!t || !t->hasData()) {
        chart::reportLowMemory(prompter());
        return nullptr;
    }
    const size_t before = traces_.items.size();
    traces_.items.push_back(std::move(t));
    pushAppended(text, before, markers_.size());
    notify(kHintTraces);
    return traces_.items.back().get();
}

void ZchartDoc::pushSlotEdit(int index, std::unique_ptr<CTrace> replacement, const std::string& text) {
    auto held = std::make_shared<std::unique_ptr<CTrace>>(std::move(replacement));
    const bool removal = !*held;
    auto swapIn = [this, index, held, removal] {
        auto& items = traces_.items;
        if (removal) {
            // Deleting a trace: the slot goes, and comes back on undo.
            if (*held) items.insert(items.begin() + std::min(index, int(items.size())), std::move(*held));
            else if (index < int(items.size())) {
                *held = std::move(items[size_t(index)]);
                items.erase(items.begin() + index);
            }
        } else if (index < int(items.size())) {
            std::swap(items[size_t(index)], *held);
        }
        notify(kHintTraces);
    };
    pushEdit(text, swapIn, swapIn);
}

bool ZchartDoc::deleteTrace(int index) {
    if (!trace(index) || (docFlags_ & kNoDelete)) return false;
    pushSlotEdit(index, nullptr, "Delete trace");
    return true;
}
