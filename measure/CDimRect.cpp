#include "measure/CDimRect.h"

using namespace ordavia;

CDimRect::CDimRect() = default;
CDimRect::~CDimRect() = default;

std::unique_ptr<CDim> CDimRect::clone() const { return cloneInto(std::make_unique<CDimRect>()); }

int CDimRect::addVertex(ZPoint p) {
    if (vertexCount() >= 2) return -1;
    return CDim::addVertex(p);
}

double CDimRect::area(double xs, double ys) const {
    const double w = static_cast<double>(bounds_.right) - bounds_.left;
    const double h = static_cast<double>(bounds_.bottom) - bounds_.top;
    return h * w * xs * ys;
}

double CDimRect::areaInRect(const ZRect& r, double xs, double ys) const {
    const ZRect common = bounds_.normalized().intersected(r.normalized());
    if (common.isEmpty()) return 0.0;
    return static_cast<double>(common.width()) * common.height() * xs * ys;
}

void CDimRect::update() {
    if (vertices_.size() < 2) {
        bounds_ = {};
        return;
    }
    bounds_ = {vertices_[0].x, vertices_[0].y, vertices_[1].x, vertices_[1].y};
}
