#include "measure/CDimCircle.h"

#include <cmath>
#include <numbers>

#include "measure/DimMath.h"

using namespace ordavia;

CDimCircle::CDimCircle() = default;
CDimCircle::~CDimCircle() = default;

std::unique_ptr<CDim> CDimCircle::clone() const { return cloneInto(std::make_unique<CDimCircle>()); }

int CDimCircle::addVertex(ZPoint p) {
    if (vertexCount() >= 2) return -1;
    return CDim::addVertex(p);
}

double CDimCircle::radius() const {
    if (vertices_.size() < 2) return 0.0;
    const double dx = static_cast<double>(vertices_[1].x) - vertices_[0].x;
    const double dy = static_cast<double>(vertices_[1].y) - vertices_[0].y;
    return std::sqrt(dx * dx + dy * dy) / 2.0;
}

double CDimCircle::area(double xs, double ys) const {
    const double r = radius();
    return r * r * xs * ys * std::numbers::pi;
}

double CDimCircle::areaInRect(const ZRect& r, double xs, double ys) const {
    return bounds_.intersected(r).isEmpty() ? 0.0 : area(xs, ys);
}

void CDimCircle::update() {
    if (vertices_.size() < 2) {
        bounds_ = {};
        return;
    }
    const ZPoint a = vertices_[0], b = vertices_[1];
    const double cx = a.x + (static_cast<double>(b.x) - a.x) / 2.0;
    const double cy = a.y + (static_cast<double>(b.y) - a.y) / 2.0;
    const double r = radius();
    bounds_ = {DimMath::truncToInt(cx - r), DimMath::truncToInt(cy - r), DimMath::truncToInt(cx + r),
               DimMath::truncToInt(cy + r)};
}
