#include "video/FocusCheck.h"

#include <algorithm>

#include "base/Text.h"
#include "chart/CTrace.h"
#include "chart/ZchartDoc.h"
#include "figures/MeasureCatalogue.h"
#include "image/CZVimage.h"
#include "image/GreyConversion.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"

namespace ordavia {

int FocusCheckSettings::gapStep() const { return std::max(1, (gapTo - gapFrom) / std::max(1, divisions)); }
int FocusCheckSettings::thresholdStep() const {
    return std::max(1, (thresholdTo - thresholdFrom) / std::max(1, divisions));
}

std::vector<FocusPair> focusCheckPairs(const FocusCheckSettings& s) {
    std::vector<FocusPair> out;
    for (int g = s.gapFrom; g < s.gapTo; g += s.gapStep())
        for (int t = s.thresholdFrom; t < s.thresholdTo; t += s.thresholdStep())
            out.push_back({g, t, strprintf("fnessg%1it%1i", g, t)});
    return out;
}

int focusMethodBits(const ProfileStore* profile) {
    return profile ? profile->GetInt("autofocuscontrol", "fmethod", 2) : 2;
}

FocusRegion focusCheckRegion(int width, int height, const ZRect& roi, int gap, int methodBits) {
    ZRect r = roi.normalized();
    if (r.isEmpty()) r = {0, 0, width, height};
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    // The difference measures look g pixels beyond the region: across for
    // the second difference, across and along for the Laplacian.
    const int highest = (methodBits & FocusLaplacian) ? 4 : (methodBits & FocusSecondDifference) ? 2 : 1;
    if (highest > 1 && gap >= 0) {
        r.left = std::max(r.left, gap + 1);
        r.right = std::min(r.right, width - gap - 1);
        if (highest == 4) {
            r.top = std::max(r.top, gap + 1);
            r.bottom = std::min(r.bottom, height - gap - 1);
        }
    }
    if (r.isEmpty()) return {};
    return {r.left, r.top, r.right, r.bottom};
}

double frameFocus(const CZVimage& frame, const ZRect& roi, int methodBits, int gap, int threshold) {
    if (frame.isEmpty()) return 0.0;
    CZVimage grey;
    const CZVimage* pic = &frame;
    if (frame.bytesPerPixel() != 1 || frame.colour() != CZVimage::kGrey) {
        grey = greyCopyOf(frame, GreyWeights{});
        if (grey.isEmpty()) return 0.0;
        pic = &grey;
    }
    const GreyPixels px{pic->row(0), pic->width(), pic->rows(), pic->stride()};
    return focusMeasure(px, focusCheckRegion(px.width, px.height, roi, gap, methodBits), methodBits, gap, threshold);
}

uint32_t frameFocusWord(const CZVimage& frame) {
    if (frame.isEmpty() || frame.stride() < 4) return 0;
    const uint8_t* p = frame.row(0);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

namespace {

CTrace* perFrameTrace(ZchartDoc& chart, int typeCode, int frames, double fps, const std::string& name,
                      const std::string& yUnits) {
    CTrace* t = chart.newTrace(typeCode, uint32_t(frames), true);
    if (!t) return nullptr;
    t->name = name;
    t->xInterval = 1.0 / fps;
    t->xUnits = "secs";
    t->yUnits = yUnits;
    return t;
}

}  // namespace

Result<std::unique_ptr<ZchartDoc>> focusCheckChart(CMotivaDoc& video, const FocusCheckSettings& s, int methodBits,
                                                   const std::function<bool(int)>& progress) {
    if (!video.hasFrames()) return Status::failure(StatusCode::NotFound, "the video has no frames");
    const int frames = video.frameCount();
    const double fps = video.framesPerSecond() > 0 ? video.framesPerSecond() : 25.0;
    auto chart = std::make_unique<ZchartDoc>();
    video.lendServicesTo(*chart);
    if (!chart->OnNewDocument()) return Status::failure("the chart could not be made");
    chart->SetTitle(video.GetTitle() + " Focus check");
    CTrace* word = perFrameTrace(*chart, 4, frames, fps, "focus", "focus");
    const std::vector<FocusPair> pairs = focusCheckPairs(s);
    std::vector<CTrace*> measures;
    for (const FocusPair& p : pairs) measures.push_back(perFrameTrace(*chart, 8, frames, fps, p.name, ""));
    if (!word || std::count(measures.begin(), measures.end(), nullptr))
        return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    const ZRect roi = video.marks().roi;
    MovieFrameImage scratch;
    for (int f = 0; f < frames; ++f) {
        const CZVimage& frame = video.movie().peekFrame(f, scratch);
        // The 16-bit trace keeps the low half of the stored word.
        word->data->setD(size_t(f), double(frameFocusWord(frame) & 0xFFFFu));
        for (size_t i = 0; i < pairs.size(); ++i)
            measures[i]->data->setD(size_t(f), frameFocus(frame, roi, methodBits, pairs[i].gap, pairs[i].threshold));
        if (progress && !progress(f)) {
            video.goToFrame(0);
            return Status::cancelled();
        }
    }
    video.goToFrame(0);
    chart->startUnmodified();
    return chart;
}

MeasureValues FocusSeries::figures() const {
    MeasureValues f(focusMeasures());
    // Frames that all measure the same have no sharpest one.
    if (best < 0 || size_t(best) >= values.size()) return f;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    if (*hi > *lo) f.set("best", best).set("best_focus", values[size_t(best)]);
    return f;
}

Result<FocusSeries> focusSeries(CMotivaDoc& video, int methodBits, int gap, int threshold,
                                const std::function<bool(int)>& progress) {
    if (!video.hasFrames()) return Status::failure(StatusCode::NotFound, "the video has no frames");
    FocusSeries s;
    const ZRect roi = video.marks().roi;
    MovieFrameImage scratch;
    for (int f = 0; f < video.frameCount(); ++f) {
        const double v = frameFocus(video.movie().peekFrame(f, scratch), roi, methodBits, gap, threshold);
        s.values.push_back(v);
        if (s.best < 0 || v > s.values[size_t(s.best)]) s.best = f;
        if (progress && !progress(f)) return Status::cancelled();
    }
    return s;
}

}  // namespace ordavia
