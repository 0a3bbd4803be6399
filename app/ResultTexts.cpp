#include "app/ResultTexts.h"

#include "base/Text.h"
#include "linescan/ZlineScanBaseDoc.h"
#include "measure/CDim.h"
#include "measure/ZBasicDoc.h"

namespace ordavia {

namespace {

// The texts made here begin with these, so that a later save replaces
// them with the present figures but never a command's own text.
constexpr const char* kDimensions = "Dimensions: ";
constexpr const char* kVelocity = "line 1 velocity";
// A results row is read by people: the first lengths say enough.
constexpr int kListedLengths = 12;

bool ours(const std::string& current, const char* prefix) { return current.empty() || startsWith(current, prefix); }

std::string dimensionsText(const ZBasicDoc& d) {
    const double xs = d.xScaleInEffect(), ys = d.yScaleInEffect();
    int n = 0;
    std::string lengths;
    for (const CDimList& list : d.lists()) {
        for (const auto& obj : list.objects()) {
            if (!obj || obj->vertexCount() < 2) continue;
            if (n < kListedLengths) lengths += (n ? ", " : "") + strprintf("%.1f", obj->length(xs, ys));
            ++n;
        }
    }
    if (n == 0) return {};
    return kDimensions + strprintf("%i, lengths ", n) + lengths + (n > kListedLengths ? ", ..." : "") + " " +
           d.unitsInEffect();
}

}  // namespace

std::string composeResultText(const Document& doc, const std::string& current) {
    if (const auto* scan = dynamic_cast<const ZlineScanBaseDoc*>(&doc)) {
        if (!ours(current, kVelocity)) return current;
        const CbvSummary s = scan->summary(0, 0);
        return s.good > 0 ? s.text(1) : current;
    }
    if (const auto* image = dynamic_cast<const ZBasicDoc*>(&doc)) {
        if (!ours(current, kDimensions)) return current;
        const std::string t = dimensionsText(*image);
        return t.empty() ? current : t;
    }
    return current;
}

}  // namespace ordavia
