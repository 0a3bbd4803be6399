#include "linescan/CapillaryFlux.h"

#include <algorithm>
#include <cmath>

#include "framework/AppServices.h"
#include "image/CZVimage.h"
#include "linescan/LineScanSettings.h"
#include "measure/CDimList.h"
#include "measure/CapillaryWidth.h"
#include "measure/ImageToolController.h"
#include "video/CMotivaDoc.h"

namespace ordavia {

bool acrossLineAtMiddle(const CDim& line, CDimLine& across) {
    if (line.vertexCount() < 2) return false;
    const std::vector<ZPoint> path = ImageToolController::pathPixels(line);
    if (path.size() < 3) return false;
    const size_t mid = path.size() / 2;
    const ZPoint a = path[mid >= 3 ? mid - 3 : 0], b = path[std::min(mid + 3, path.size() - 1)];
    const double len = std::hypot(double(b.x - a.x), double(b.y - a.y));
    if (len == 0) return false;
    const double nx = -(b.y - a.y) / len, ny = (b.x - a.x) / len;
    const double half = std::clamp(line.length(1, 1) / 2, 12.0, 32.0);
    const ZPoint c = path[mid];
    across = CDimLine();
    across.addVertex({static_cast<int>(std::lround(c.x - half * nx)), static_cast<int>(std::lround(c.y - half * ny))});
    across.addVertex({static_cast<int>(std::lround(c.x + half * nx)), static_cast<int>(std::lround(c.y + half * ny))});
    return true;
}

namespace {

// The bytes of parent pixel (x, y) of a frame, null outside it.
const uint8_t* parentPixel(const CZVimage& f, int x, int y) {
    const int cx = x - f.originX();
    if (cx < 0 || cx >= f.width()) return nullptr;
    const int r = f.isField() ? y / 2 - f.storedOriginY() : y - f.originY();
    if (y < 0 || r < 0 || r >= f.rows()) return nullptr;
    return f.row(r) + static_cast<ptrdiff_t>(cx) * f.bytesPerPixel();
}

}  // namespace

bool meanOfFrames(CMotivaDoc& video, int first, int last, const int box[4], CZVimage& out) {
    first = std::max(first, 0);
    last = std::min(last, video.frameCount());
    const int w = box[2] - box[0] + 1, h = box[3] - box[1] + 1;
    if (last <= first || w < 1 || h < 1) return false;
    const int colour = video.movie().formatImage().colour();
    CZVimage mean(w, h, 0, CZVimage::kFrame, colour);
    if (mean.isEmpty()) return false;
    const int bpp = mean.bytesPerPixel();
    // Sums and counts per byte: a frame moved by its offset may leave part
    // of the box, which then averages the frames that cover it.
    std::vector<uint32_t> sum(size_t(w) * size_t(h) * size_t(bpp), 0), count(size_t(w) * size_t(h), 0);
    MovieFrameImage scratch;
    for (int f = first; f < last; ++f) {
        const CZVimage& frame = video.movie().peekFrame(f, scratch);
        if (frame.isEmpty() || frame.bytesPerPixel() != bpp) continue;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = parentPixel(frame, box[0] + x, box[1] + y);
                if (!p) continue;
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                ++count[i];
                for (int c = 0; c < bpp; ++c) sum[i * size_t(bpp) + size_t(c)] += p[c];
            }
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = mean.row(y);
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            for (int c = 0; c < bpp; ++c)
                row[x * bpp + c] = count[i] ? static_cast<uint8_t>((sum[i * size_t(bpp) + size_t(c)] + count[i] / 2) / count[i]) : 0;
        }
    }
    out = std::move(mean);
    return true;
}

double lineDiameter(CMotivaDoc& video, int index) {
    const CDim* line = video.currentDimList().at(index);
    CDimLine across;
    if (!line || !video.hasFrames() || !acrossLineAtMiddle(*line, across)) return -1;
    const LineScanSettings run = lineScanSettings(video, *line, nullptr);
    const ZPoint a = across.vertices()[0], b = across.vertices()[1];
    const int box[4] = {std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
    CZVimage mean;
    if (!meanOfFrames(video, run.first, run.last, box, mean)) return -1;
    CDimLine inBox;
    inBox.addVertex({a.x - box[0], a.y - box[1]});
    inBox.addVertex({b.x - box[0], b.y - box[1]});
    const ProfileStore* profile = video.services().profileStore;
    const WidthSettings ws = profile ? WidthSettings::read(*profile) : WidthSettings{};
    const LineWidth w =
        measureLineWidth(mean, inBox, video.xScaleInEffect(), video.yScaleInEffect(), ws, video.importWeights());
    return w.found() ? w.units : -1;
}

namespace {

// How much darker the middle of a profile is than its ends: the lowest of
// its middle three fifths (over three samples) against the mean of an outer
// fifth, the darker one or the lighter one.
double middleDip(const std::vector<double>& p, bool darkerEnd) {
    const size_t n = p.size();
    if (n < 5) return 0;
    const size_t fifth = std::max<size_t>(1, n / 5);
    double a = 0, b = 0;
    for (size_t i = 0; i < fifth; ++i) a += p[i], b += p[n - 1 - i];
    double low = 1e300;
    for (size_t i = std::max<size_t>(fifth, 1); i < n - fifth && i + 1 < n; ++i)
        low = std::min(low, (p[i - 1] + p[i] + p[i + 1]) / 3);
    return (darkerEnd ? std::min(a, b) : std::max(a, b)) / double(fifth) - low;
}

void growBox(int box[4], const CDim& d) {
    for (const ZPoint& q : d.vertices()) {
        box[0] = std::min(box[0], q.x - 1), box[1] = std::min(box[1], q.y - 1);
        box[2] = std::max(box[2], q.x + 1), box[3] = std::max(box[3], q.y + 1);
    }
}

CDimLine movedBy(const CDim& d, int dx, int dy) {
    CDimLine out;
    for (const ZPoint& q : d.vertices()) out.addVertex({q.x - dx, q.y - dy});
    return out;
}

}  // namespace

std::vector<int> velocityLines(CMotivaDoc& video) {
    std::vector<int> open;
    const CDimList& list = video.currentDimList();
    for (int i = 0; i < list.count(); ++i) {
        const CDim* d = list.at(i);
        if (dynamic_cast<const CDimLine*>(d) && d->vertexCount() >= 2) open.push_back(i);
    }
    if (open.empty() || !video.hasFrames()) return open;
    // One mean picture over every line and its cross line.
    std::vector<std::pair<int, CDimLine>> lines;
    int box[4] = {1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
    for (int i : open) {
        CDimLine across;
        if (!acrossLineAtMiddle(*list.at(i), across)) continue;  // no length: nothing to tell
        growBox(box, *list.at(i));
        growBox(box, across);
        lines.emplace_back(i, std::move(across));
    }
    CZVimage mean;
    const LineScanSettings run = lineScanSettings(video, *list.at(open.front()), nullptr);
    if (lines.empty() || !meanOfFrames(video, run.first, run.last, box, mean)) return open;
    std::vector<int> out;
    for (int i : open) {
        auto it = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.first == i; });
        if (it != lines.end()) {
            // A line crosses the vessel only with light at both its ends; the
            // line across its middle may reach a neighbouring vessel at one.
            // In doubt a line keeps its velocity.
            const GreyWeights& gw = video.importWeights();
            const double along = middleDip(lineProfile(mean, movedBy(*list.at(i), box[0], box[1]), gw), true);
            const double across = middleDip(lineProfile(mean, movedBy(it->second, box[0], box[1]), gw), false);
            if (along > across) continue;
        }
        out.push_back(i);
    }
    return out;
}

double bloodFlux(double diameter, double velocity) {
    if (diameter < 0) return -1;
    return std::acos(-1.0) * diameter * diameter * std::fabs(velocity) * 0.25;
}

}  // namespace ordavia
