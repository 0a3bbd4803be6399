#include "measure/CDim.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include "base/Archive.h"
#include "base/Text.h"
#include "measure/CDimLine.h"
#include "measure/DimMath.h"

using namespace ordavia;

CDim::CDim() = default;
CDim::~CDim() = default;

void CDim::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeInt(kLayoutVersion);
        ar.writeDword(colour_);
        ar.writeInt(width_);
        ar.writeString(label_);
        ar.writeCount(static_cast<uint32_t>(vertices_.size()));
        for (const ZPoint& p : vertices_) {
            ar.writeInt(p.x);
            ar.writeInt(p.y);
        }
        return;
    }
    // Everything is read into locals first so that a damaged archive leaves
    // the object as it was.
    const int32_t version = ar.readInt();
    uint32_t colour = kDefaultColour;
    int32_t width = 1;
    std::string label;
    if (version != kOldestLayout) {
        // Versions above 3 were never written; reading one as ours would
        // misplace every later field of the document.
        if (version < 0 || version > kLayoutVersion)
            throw ArchiveError(strprintf("%s: unknown layout version %d", className(), version));
        colour = ar.readDword();
        width = ar.readInt();
        if (version > 2) label = ar.readString();
    }
    const uint32_t n = ar.readCountFor(8);
    std::vector<ZPoint> pts(n);
    for (ZPoint& p : pts) {
        p.x = ar.readInt();
        p.y = ar.readInt();
    }
    colour_ = colour;
    width_ = width;
    label_ = std::move(label);
    vertices_ = std::move(pts);
    update();
}

void CDim::setWidth(int w) {
    width_ = w;
    update();
}

void CDim::setVertex(int i, ZPoint p) {
    if (!validIndex(i)) return;
    vertices_[static_cast<size_t>(i)] = p;
    update();
}

void CDim::moveBy(int dx, int dy) {
    for (ZPoint& p : vertices_) p = DimMath::offsetPoint(p, dx, dy);
    update();
}

ZPoint CDim::getVertex(int i) const { return validIndex(i) ? vertices_[static_cast<size_t>(i)] : ZPoint{}; }

int CDim::addVertex(ZPoint p) {
    try {
        vertices_.push_back(p);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    update();
    return vertexCount() - 1;
}

double CDim::length(double xs, double ys) const {
    double sum = 0.0;
    forEachSegment([&](ZPoint a, ZPoint b) { sum += DimMath::segmentLength(a, b, xs, ys); });
    return sum;
}

double CDim::xExtent(double xs) const {
    double sum = 0.0;
    forEachSegment([&](ZPoint a, ZPoint b) { sum += std::fabs(static_cast<double>(b.x) - a.x) * xs; });
    return sum;
}

double CDim::yExtent(double ys) const {
    double sum = 0.0;
    forEachSegment([&](ZPoint a, ZPoint b) { sum += std::fabs(static_cast<double>(b.y) - a.y) * ys; });
    return sum;
}

double CDim::lengthInRect(const ZRect& r, double xs, double ys) const {
    const ZRect box = r.normalized();
    if (box.isEmpty()) return 0.0;
    double sum = 0.0;
    forEachSegment([&](ZPoint a, ZPoint b) {
        const double f = DimMath::insideFraction(a, b, box);
        if (f > 0.0) sum += f * DimMath::segmentLength(a, b, xs, ys);
    });
    return sum;
}

double CDim::pathLength(int first, int last, double xs, double ys) const {
    if (vertices_.empty()) return 0.0;
    first = std::max(first, 0);
    last = std::min(last, vertexCount() - 1);
    double sum = 0.0;
    for (int i = first; i < last; ++i)
        sum += DimMath::segmentLength(vertices_[static_cast<size_t>(i)], vertices_[static_cast<size_t>(i) + 1], xs, ys);
    return sum;
}

double CDim::distance(int i, int j, double xs, double ys) const {
    if (!validIndex(i) || !validIndex(j)) return 0.0;
    return DimMath::segmentLength(vertices_[static_cast<size_t>(i)], vertices_[static_cast<size_t>(j)], xs, ys);
}

double CDim::angle(int i, int j, double xs, double ys) const {
    if (!validIndex(i) || !validIndex(j)) return 0.0;
    const ZPoint a = vertices_[static_cast<size_t>(i)], b = vertices_[static_cast<size_t>(j)];
    return std::atan2((static_cast<double>(b.y) - a.y) * ys, (static_cast<double>(b.x) - a.x) * xs);
}

double CDim::area(double, double) const { return 0.0; }
double CDim::areaInRect(const ZRect&, double, double) const { return 0.0; }

int CDim::removeVertex(int i) {
    if (validIndex(i)) {
        vertices_.erase(vertices_.begin() + i);
        update();
    }
    return vertexCount();
}

void CDim::removeAllVertices() {
    vertices_.clear();
    update();
}

void CDim::setLength(double newLength) {
    const double current = length(1.0, 1.0);
    if (current > 0.0 && std::isfinite(newLength)) scaleAboutFirst(newLength / current);
}

void CDim::scaleAboutFirst(double factor) {
    if (vertices_.empty()) return;
    const ZPoint o = vertices_.front();
    // Rounded rather than truncated so that a diagonal scaled by a whole
    // factor keeps its exact end points.
    for (ZPoint& p : vertices_) {
        p.x = DimMath::roundToInt(o.x + (static_cast<double>(p.x) - o.x) * factor);
        p.y = DimMath::roundToInt(o.y + (static_cast<double>(p.y) - o.y) * factor);
    }
    update();
}

bool CDim::hit(ZPoint p) const {
    if (vertices_.empty()) return false;
    const ZPoint v = vertices_.front();
    return std::llabs(static_cast<int64_t>(p.x) - v.x) <= kHitTolerance &&
           std::llabs(static_cast<int64_t>(p.y) - v.y) <= kHitTolerance;
}

bool CDim::anyVertexInRect(const ZRect& r) const {
    for (const ZPoint& p : vertices_)
        if (r.contains(p)) return true;
    return false;
}

bool CDim::allVerticesInRect(const ZRect& r) const {
    for (const ZPoint& p : vertices_)
        if (!r.contains(p)) return false;
    return true;
}

void CDim::moveTo(ZPoint p) {
    if (vertices_.empty()) return;
    const ZPoint v = vertices_.front();
    const int64_t dx = static_cast<int64_t>(p.x) - v.x, dy = static_cast<int64_t>(p.y) - v.y;
    for (ZPoint& q : vertices_) q = DimMath::offsetPoint(q, dx, dy);
    update();
}

void CDim::rotate(double a, double cx, double cy) {
    const double c = std::cos(a), s = std::sin(a);
    for (ZPoint& p : vertices_) {
        const double dx = p.x - cx, dy = p.y - cy;
        p.x = DimMath::truncToInt(dx * c + dy * s + cx);
        p.y = DimMath::truncToInt(dy * c - dx * s + cy);
    }
    update();
}

void CDim::update() {}

std::unique_ptr<CDim> CDim::cloneInto(std::unique_ptr<CDim> fresh) const {
    fresh->colour_ = colour_;
    fresh->width_ = width_;
    fresh->label_ = label_;
    fresh->vertices_ = vertices_;
    fresh->update();
    return fresh;
}

std::unique_ptr<CDim> CDim::clone() const { return cloneInto(std::make_unique<CDim>()); }

ZPoint CDim::centre(double& x, double& y) const {
    if (vertices_.empty()) {
        x = y = 0.0;
        return {};
    }
    const ZPoint a = vertices_.front(), b = vertices_.back();
    x = (static_cast<double>(a.x) + b.x) / 2.0;
    y = (static_cast<double>(a.y) + b.y) / 2.0;
    return {DimMath::clampToInt((static_cast<int64_t>(a.x) + b.x) / 2),
            DimMath::clampToInt((static_cast<int64_t>(a.y) + b.y) / 2)};
}

ZPoint CDim::centrePoint() const {
    double x, y;
    return centre(x, y);
}

std::unique_ptr<CDimLine> CDim::perpendicular() const {
    if (vertices_.size() < 2) return nullptr;
    const ZPoint a = vertices_.front(), b = vertices_.back();
    const double mx = (static_cast<double>(a.x) + b.x) / 2.0, my = (static_cast<double>(a.y) + b.y) / 2.0;
    const double hx = (static_cast<double>(b.x) - a.x) / 2.0, hy = (static_cast<double>(b.y) - a.y) / 2.0;
    auto line = std::make_unique<CDimLine>();
    line->setColour(colour_);
    // The chord's half vector turned by a right angle, either side of the midpoint.
    line->addVertex({DimMath::roundToInt(mx + hy), DimMath::roundToInt(my - hx)});
    line->addVertex({DimMath::roundToInt(mx - hy), DimMath::roundToInt(my + hx)});
    return line;
}

double CDim::tortuosityRatio() const { return 0.0; }

double CDim::tortuosity(double, double, int& curveCount, const TortuosityParams&) const {
    curveCount = 0;
    return 0.0;
}

void CDim::rescale(int numerator, int denominator) {
    if (denominator == 0) return;
    for (ZPoint& p : vertices_) {
        p.x = DimMath::clampToInt(static_cast<int64_t>(p.x) * numerator / denominator);
        p.y = DimMath::clampToInt(static_cast<int64_t>(p.y) * numerator / denominator);
    }
    update();
}
