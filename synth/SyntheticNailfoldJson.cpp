// The truth of a synthetic nailfold picture as JSON: the parameters, the
// nail edge, every loop with its widths, outlines and limbs, the first
// row's extent and density, and the haemorrhages.
#include <algorithm>
#include <cmath>

#include "base/JsonWriter.h"
#include "synth/SyntheticNailfold.h"

namespace ordavia {

namespace {
const char* const kShapeWords[] = {"hairpin", "tortuous", "crossing", "ramified", "bizarre"};
}  // namespace

void SyntheticNailfold::limbsJson(JsonWriter& j, const std::vector<Loop::Limb>& limbs) {
    auto r2 = [](double v) { return std::round(v * 100) / 100; };
    auto point = [&](const Point& q) { j.beginArray().value(r2(q.x)).value(r2(q.y)).endArray(); };
    j.key("limbs").beginArray();
    for (const Loop::Limb& b : limbs) {
        j.beginObject();
        j.field("limb", b.arterial ? "arterial" : "venous").field("side", b.onLeft ? "left" : "right");
        j.field("widthUm", r2(b.widthUm)).field("widthPx", r2(b.widthPx));
        j.key("across").beginArray();
        point(b.acrossFrom);
        point(b.acrossTo);
        j.endArray();
        j.key("along").beginArray();
        for (const Point& q : b.along) point(q);
        j.endArray();
        j.endObject();
    }
    j.endArray();
}

std::string SyntheticNailfold::truthJson(const Truth& t, const Params& p) {
    // Coordinates to a hundredth of a pixel keep the file small and exact enough.
    auto r2 = [](double v) { return std::round(v * 100) / 100; };
    auto points = [&](JsonWriter& j, const char* name, const std::vector<Point>& pts) {
        j.key(name).beginArray();
        for (const Point& q : pts) j.beginArray().value(r2(q.x)).value(r2(q.y)).endArray();
        j.endArray();
    };
    JsonWriter j(false);
    j.beginObject();
    j.field("generator", "Ordavia synthetic nailfold");
    j.field("seed", static_cast<unsigned long long>(t.seed));
    j.field("width", t.width).field("height", t.height);
    j.field("umPerPixelX", t.umPerPixelX).field("umPerPixelY", t.umPerPixelY);
    j.key("parameters").beginObject();
    j.field("loops", p.effectiveLoops()).field("noiseSigma", p.noiseSigma).field("blurSigma", p.blurSigma);
    j.field("vignetting", p.vignetting).field("plexus", p.plexus);
    j.field("tortuousFraction", p.tortuousFraction).field("giantLoops", p.giantLoops);
    j.field("secondRow", p.secondRow);
    if (p.dilatedLoops || p.ramifiedLoops || p.bizarreLoops || p.avascularGaps || p.haemorrhages || p.disorder > 0)
        j.field("dilatedLoops", p.dilatedLoops).field("ramifiedLoops", p.ramifiedLoops)
            .field("bizarreLoops", p.bizarreLoops).field("avascularGaps", p.avascularGaps)
            .field("haemorrhages", p.haemorrhages).field("disorder", p.disorder);
    if (p.maxTilt != 0.21 || p.mayOverlap || p.darknessSpread > 0 || p.nailDepth > 0)
        j.field("maxTilt", p.maxTilt).field("mayOverlap", p.mayOverlap).field("darknessSpread", p.darknessSpread)
            .field("nailDepth", p.nailDepth);
    j.endObject();
    points(j, "nailEdge", t.nailEdge);
    j.key("loops").beginArray();
    for (size_t i = 0; i < t.loops.size(); ++i) {
        const Loop& L = t.loops[i];
        j.beginObject();
        j.field("index", static_cast<int>(i)).field("row", L.row);
        j.key("apex").beginObject().field("x", r2(L.apex.x)).field("y", r2(L.apex.y)).endObject();
        j.field("arterialWidthPx", r2(L.arterialWidthPx)).field("arterialWidthUm", r2(L.arterialWidthUm));
        j.field("venousWidthPx", r2(L.venousWidthPx)).field("venousWidthUm", r2(L.venousWidthUm));
        j.field("apexWidthPx", r2(L.apexWidthPx)).field("apexWidthUm", r2(L.apexWidthUm));
        j.field("limbSpacingUm", r2(L.limbSpacingUm)).field("lengthUm", r2(L.lengthUm));
        j.field("arterialLimb", L.arterialOnLeft ? "left" : "right");
        j.field("tortuous", L.tortuous).field("giant", L.giant);
        j.field("dilated", L.dilated).field("shape", kShapeWords[std::clamp(L.shape, 0, 4)]);
        points(j, "polygon", L.polygon);
        points(j, "envelope", L.envelope);
        points(j, "centreLine", L.centreLine);
        limbsJson(j, L.limbs);
        j.endObject();
    }
    j.endArray();
    j.key("row").beginObject();
    j.field("fromX", r2(t.rowFromX)).field("toX", r2(t.rowToX)).field("densityPerMm", r2(t.rowDensityPerMm()));
    j.endObject();
    j.key("haemorrhages").beginArray();
    for (const Truth::Haemorrhage& h : t.haemorrhages) {
        j.beginObject();
        j.key("centre").beginArray().value(r2(h.centre.x)).value(r2(h.centre.y)).endArray();
        j.field("areaUm2", r2(h.areaUm2));
        points(j, "outline", h.outline);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    return j.str() + "\n";
}

}  // namespace ordavia
