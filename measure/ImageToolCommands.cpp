// The image tools' commands on the document: delete, line width, rotation,
// region, grey profile, histogram, dust marks and the clipboard.
#include "measure/ImageToolController.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/Archive.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/CapillaryTrace.h"
#include "image/GreyConversion.h"
#include "measure/CDimCircle.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"
#include "measure/MeasureClasses.h"
#include "measure/UnitText.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

// ---------------------------------------------------------------------------
// Commands

bool ImageToolController::deleteCurrent() {
    finishBuilding();
    CDimList& list = activeList();
    const int i = list.current();
    if (!list.at(i)) return false;
    doc_.rememberForUndo();
    list.remove(i);
    doc_.markEdited();
    return true;
}

bool ImageToolController::setLineWidth(Prompter& prompter) {
    CDim* d = activeList().currentObject();
    if (!d) return false;
    const std::optional<int> w =
        prompter.promptInt(kSetLineWidth, kLineWidthPrompt, d->width(), kMinLineWidth, kMaxLineWidth);
    if (!w || *w < kMinLineWidth || *w > kMaxLineWidth) return false;
    doc_.rememberForUndo();
    d->setWidth(*w);
    d->update();
    doc_.markEdited();
    return true;
}

bool ImageToolController::rotateSelected(Prompter& prompter) {
    CDimList& list = activeList();
    if (!list.currentObject()) return false;
    const double proposed = doc_.services().profile().GetDouble("settings", "angle", 90.0);
    const std::optional<double> deg =
        prompter.promptDouble("Rotate", kRotationPrompt, proposed, -360.0, 360.0, 2);
    if (!deg || !std::isfinite(*deg)) return false;
    doc_.services().profile().WriteDouble("settings", "angle", *deg);
    // CDim::rotate turns anticlockwise on the screen for a positive angle.
    doc_.rememberForUndo();
    list.rotateCurrent(-*deg * M_PI / 180.0);
    doc_.markEdited();
    return true;
}

void ImageToolController::appendLinePixels(ZPoint a, ZPoint b, std::vector<ZPoint>& out) {
    // Integer Bresenham over 64-bit differences so that hostile vertices
    // far apart cannot overflow.
    long long x = a.x, y = a.y;
    const long long dx = std::llabs(static_cast<long long>(b.x) - a.x);
    const long long dy = -std::llabs(static_cast<long long>(b.y) - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    long long err = dx + dy;
    for (;;) {
        out.push_back({static_cast<int>(x), static_cast<int>(y)});
        if (x == b.x && y == b.y) break;
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

std::vector<ZPoint> ImageToolController::pathPixels(const CDim& d) {
    std::vector<ZPoint> out;
    const std::vector<ZPoint>& v = d.vertices();
    if (v.empty()) return out;
    if (v.size() == 1) {
        out.push_back(v[0]);
        return out;
    }
    std::vector<ZPoint> path(v.begin(), v.end());
    if (dynamic_cast<const CDimPolygon*>(&d)) path.push_back(v[0]);
    for (size_t i = 1; i < path.size(); ++i) {
        // Each joint belongs to the segment it ends.
        if (i > 1 && !out.empty()) out.pop_back();
        appendLinePixels(path[i - 1], path[i], out);
    }
    return out;
}

bool ImageToolController::setRegion() {
    const CDim* d = activeList().currentObject();
    if (!d || d->vertexCount() == 0 || doc_.image().isEmpty()) return false;
    const std::vector<ZPoint> pixels = pathPixels(*d);
    return doc_.imageOperation(kSetRegion, [&](CZVimage& img, const ZRect&) {
        bool any = false;
        for (const ZPoint& q : pixels) {
            if (img.getParentPixel(q.x, q.y) < 0) continue;
            // Every byte of a colour pixel, so that the line shows white.
            const int r = img.isField() ? q.y / 2 - img.storedOriginY() : q.y - img.originY();
            uint8_t* px = img.row(r) + static_cast<ptrdiff_t>(q.x - img.originX()) * img.bytesPerPixel();
            for (int k = 0; k < img.bytesPerPixel(); ++k) px[k] = 255;
            any = true;
        }
        return any;
    });
}

const CDim* ImageToolController::profileObject() const {
    if (toolMode() == kDustMask) return doc_.lists()[ZBasicDoc::kDustList].currentObject();
    return doc_.currentDimList().currentObject();
}

std::vector<int> ImageToolController::greyProfile() const {
    std::vector<int> values;
    const CDim* d = profileObject();
    if (!d) return values;
    const GreyWeights weights = doc_.importWeights();
    for (const ZPoint& q : pathPixels(*d)) {
        const int v = greyAt(doc_.image(), q.x, q.y, weights);
        if (v >= 0) values.push_back(v);
    }
    return values;
}

double ImageToolController::greyProfileInterval() const {
    const CDim* d = profileObject();
    if (!d) return 0;
    const size_t steps = pathPixels(*d).size();
    if (steps < 2) return 0;
    return d->length(doc_.xScaleInEffect(), doc_.yScaleInEffect()) / static_cast<double>(steps - 1);
}

std::array<int64_t, 256> ImageToolController::histogram() const {
    std::array<int64_t, 256> bins{};
    const CZVimage& img = doc_.image();
    if (img.isEmpty()) return bins;
    const ZRect r = img.clip(doc_.marks().roi);
    const int bpp = img.bytesPerPixel();
    // Colour pixels count as the grey the analyses see.
    const GreyWeights w = doc_.importWeights();
    for (int y = r.top; y < r.bottom; ++y) {
        const uint8_t* p = img.row(y) + static_cast<ptrdiff_t>(r.left) * bpp;
        if (bpp == 3) {
            for (int x = r.left; x < r.right; ++x, p += 3) ++bins[weightedGrey(w.blue, p[0], w.green, p[1], w.red, p[2])];
        } else {
            for (int x = r.left; x < r.right; ++x, p += bpp) ++bins[p[0]];
        }
    }
    return bins;
}

int ImageToolController::removeMarksInDustMask() {
    finishBuilding();
    const CDimList& dust = doc_.lists()[ZBasicDoc::kDustList];
    if (dust.count() == 0) return -1;
    std::vector<ZRect> marks;
    for (const auto& o : dust.objects()) {
        const std::vector<ZPoint>& v = o->vertices();
        if (v.size() >= 2) marks.push_back(ZRect{v[0].x, v[0].y, v[1].x, v[1].y}.normalized());
    }
    CDimList& list = doc_.currentDimList();
    if (&list == &dust) return 0;
    auto onDust = [&](double x, double y) {
        for (const ZRect& m : marks)
            if (x >= m.left && x <= m.right && y >= m.top && y <= m.bottom) return true;
        return false;
    };
    int removed = 0;
    doc_.rememberForUndo();
    for (int i = list.count() - 1; i >= 0; --i) {
        const CDim* d = list.at(i);
        const std::vector<ZPoint>& v = d->vertices();
        bool gone = false;
        if (v.size() == 1)
            gone = onDust(v[0].x, v[0].y);
        else if (v.size() == 2 && dynamic_cast<const CDimCircle*>(d))
            gone = onDust((double(v[0].x) + v[1].x) / 2.0, (double(v[0].y) + v[1].y) / 2.0);
        if (gone) {
            list.remove(i);
            ++removed;
        }
    }
    if (removed > 0) doc_.markEdited();
    return removed;
}

std::vector<uint8_t> ImageToolController::copyCurrent() const {
    const CDim* d = toolMode() == kDustMask ? doc_.lists()[ZBasicDoc::kDustList].currentObject()
                                            : doc_.currentDimList().currentObject();
    if (!d) return {};
    Archive ar;
    ar.writeObject(d);
    return ar.takeBytes();
}

bool ImageToolController::paste(const std::vector<uint8_t>& bytes) {
    std::unique_ptr<CDim> d;
    try {
        Archive ar(bytes);
        d = ar.readObject<CDim>();
        if (ar.remaining() != 0) throw ArchiveError("trailing bytes after the dimension");
    } catch (const ArchiveError& e) {
        debugLog("ZBasicView::OnEditPaste %s\n", e.what());
        return false;
    }
    if (!d) return false;
    d->update();
    CDimList& list = activeList();
    doc_.rememberForUndo();
    const int i = list.add(std::move(d));
    list.setCurrent(i);
    doc_.markEdited();
    return true;
}

}  // namespace ordavia
