#include "measure/CDimList.h"

#include <cmath>
#include <new>

#include "base/Archive.h"
#include "base/Text.h"
#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"

using namespace ordavia;

CDimList::CDimList() = default;
CDimList::~CDimList() = default;
CDimList::CDimList(CDimList&&) noexcept = default;
CDimList& CDimList::operator=(CDimList&&) noexcept = default;

void CDimList::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeObjectArray(objects_);
        return;
    }
    // An object is about 17 bytes on disc and several hundred in memory: a
    // 64 MB file of empty lines would take gigabytes. No picture carries
    // more marks than this.
    const uint32_t n = ar.readCountFor(2);
    if (n > kMaxLoadObjects)
        throw ArchiveError(strprintf("CDimList: %u objects in one list, more than the %u a document may hold", n,
                                     kMaxLoadObjects));
    std::vector<std::unique_ptr<CDim>> loaded;
    loaded.reserve(n);
    for (uint32_t i = 0; i < n; ++i) loaded.push_back(ar.readObject<CDim>());
    for (const auto& o : loaded)
        if (!o) throw ArchiveError("CDimList: empty object reference in the list");
    objects_ = std::move(loaded);
    current_ = -1;
}

std::unique_ptr<CDim> CDimList::create(int kind) {
    switch (kind) {
        case kCircle: return std::make_unique<CDimCircle>();
        case kPolygon: return std::make_unique<CDimPolygon>();
        case kRectangle: return std::make_unique<CDimRect>();
        default: return std::make_unique<CDimLine>();
    }
}

CDim* CDimList::at(int i) { return i >= 0 && i < count() ? objects_[static_cast<size_t>(i)].get() : nullptr; }
const CDim* CDimList::at(int i) const {
    return i >= 0 && i < count() ? objects_[static_cast<size_t>(i)].get() : nullptr;
}

void CDimList::setCurrent(int i) { current_ = (i >= 0 && i < count()) ? i : -1; }

int CDimList::addNew(int kind, ZPoint p) {
    try {
        std::unique_ptr<CDim> obj = create(kind);
        obj->setColour(defaultColour_);
        obj->setWidth(defaultWidth_);
        if (obj->addVertex(p) < 0) return -1;
        objects_.push_back(std::move(obj));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    current_ = count() - 1;
    return current_;
}

int CDimList::add(std::unique_ptr<CDim> obj) {
    if (!obj) return -1;
    objects_.push_back(std::move(obj));
    return count() - 1;
}

void CDimList::remove(int i) {
    if (i < 0 || i >= count()) return;
    objects_.erase(objects_.begin() + i);
    if (i <= current_) --current_;
}

void CDimList::removeAll() {
    objects_.clear();
    current_ = -1;
}

int CDimList::hitTest(ZPoint p) {
    current_ = -1;
    for (int i = 0; i < count(); ++i) {
        if (objects_[static_cast<size_t>(i)]->hit(p)) {
            current_ = i;
            break;
        }
    }
    return current_;
}

int CDimList::countInRect(const ZRect& r) const {
    int n = 0;
    for (const auto& o : objects_)
        if (o->anyVertexInRect(r)) ++n;
    return n;
}

int CDimList::countMarksInRect(const ZRect& r) const {
    int n = 0;
    for (const auto& o : objects_)
        if (o->vertexCount() == 1 && o->anyVertexInRect(r)) ++n;
    return n;
}

double CDimList::totalLength(double xs, double ys) const {
    double s = 0.0;
    for (const auto& o : objects_) s += o->length(xs, ys);
    return s;
}

double CDimList::totalXExtent(double xs) const {
    double s = 0.0;
    for (const auto& o : objects_) s += o->xExtent(xs);
    return s;
}

double CDimList::totalYExtent(double ys) const {
    double s = 0.0;
    for (const auto& o : objects_) s += o->yExtent(ys);
    return s;
}

double CDimList::totalLengthInRect(const ZRect& r, double xs, double ys) const {
    double s = 0.0;
    for (const auto& o : objects_) s += o->lengthInRect(r, xs, ys);
    return s;
}

double CDimList::totalAreaInRect(const ZRect& r, double xs, double ys) const {
    double s = 0.0;
    for (const auto& o : objects_) s += o->areaInRect(r, xs, ys);
    return s;
}

double CDimList::totalTortuosityRatio() const {
    double s = 0.0;
    for (const auto& o : objects_) s += o->tortuosityRatio();
    return s;
}

double CDimList::totalTortuosity(double xs, double ys, int& curveCount, const TortuosityParams& params) const {
    double s = 0.0;
    curveCount = 0;
    for (const auto& o : objects_) {
        int n = 0;
        s += o->tortuosity(xs, ys, n, params);
        curveCount += n;
    }
    return s;
}

template <class F>
void CDimList::forCurrentAndSelected(F f) {
    CDim* cur = currentObject();
    if (!cur) return;
    f(*cur);
    for (const auto& o : objects_)
        if (o.get() != cur && o->isSelected()) f(*o);
}

void CDimList::moveCurrent(int dx, int dy) {
    forCurrentAndSelected([&](CDim& d) { d.moveBy(dx, dy); });
}

void CDimList::rotateCurrent(double a) {
    const CDim* cur = currentObject();
    if (!cur) return;
    double cx, cy;
    cur->centre(cx, cy);
    forCurrentAndSelected([&](CDim& d) { d.rotate(a, cx, cy); });
}

double CDimList::rotateCurrentTowards(ZPoint p) {
    const CDim* cur = currentObject();
    if (!cur || cur->vertexCount() == 0) return 0.0;
    double cx, cy;
    cur->centre(cx, cy);
    const ZPoint v = cur->getVertex(0);
    // CDim::rotate takes an angle of a to an angle of (angle - a).
    const double a = std::atan2(v.y - cy, v.x - cx) - std::atan2(p.y - cy, p.x - cx);
    forCurrentAndSelected([&](CDim& d) { d.rotate(a, cx, cy); });
    return a;
}

std::string CDimList::prefixText(int i) { return strprintf("%1i", i + 1); }
