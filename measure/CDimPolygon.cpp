#include "measure/CDimPolygon.h"

#include <cmath>

#include "measure/DimMath.h"

using namespace ordavia;

CDimPolygon::CDimPolygon() = default;
CDimPolygon::~CDimPolygon() = default;

std::unique_ptr<CDim> CDimPolygon::clone() const { return cloneInto(std::make_unique<CDimPolygon>()); }

double CDimPolygon::area(double xs, double ys) const {
    const size_t n = vertices_.size();
    // Each factor fits 64 bits; the products are summed in double, which is
    // exact for any coordinates an image can have and cannot overflow for
    // the ones a damaged file might hold.
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const ZPoint a = vertices_[i], b = vertices_[(i + 1) % n];
        const int64_t ySum = static_cast<int64_t>(a.y) + b.y;
        const int64_t xDiff = static_cast<int64_t>(a.x) - b.x;
        sum += static_cast<double>(ySum) * static_cast<double>(xDiff);
    }
    return std::fabs(sum) * xs * ys / 2.0;
}

double CDimPolygon::areaInRect(const ZRect& r, double xs, double ys) const {
    return anyVertexInRect(r) ? area(xs, ys) : 0.0;
}

ZPoint CDimPolygon::centre(double& x, double& y) const {
    if (vertices_.empty()) {
        x = y = 0.0;
        return {};
    }
    int64_t sx = 0, sy = 0;
    for (const ZPoint& p : vertices_) {
        sx += p.x;
        sy += p.y;
    }
    const auto n = static_cast<int64_t>(vertices_.size());
    x = static_cast<double>(sx) / static_cast<double>(n);
    y = static_cast<double>(sy) / static_cast<double>(n);
    return {DimMath::clampToInt(sx / n), DimMath::clampToInt(sy / n)};
}
