#include "chart/CMarker.h"

#include <algorithm>

#include "base/Archive.h"
#include "base/ClassRegistry.h"

using namespace ordavia;

void CMarker::SetLabel(const std::string& text) {
    label = text;
    if (!text.empty()) width = static_cast<int32_t>(text.size());
}

void CMarker::copyFrom(const CMarker& o) {
    attribute = o.attribute;
    description = o.description;
    label = o.label;
    x = o.x;
    width = o.width;
    height = o.height;
    pole = o.pole;
}

std::unique_ptr<CMarker> CMarker::Clone() const {
    auto m = std::make_unique<CMarker>();
    m->copyFrom(*this);
    return m;
}

bool CMarker::operator==(const CMarker& o) const {
    return x == o.x && width == o.width && height == o.height && pole == o.pole && attribute == o.attribute &&
           label == o.label && description == o.description;
}

void CMarker::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeWord(1);
        ar.writeWord(static_cast<uint16_t>(attribute));
        ar.writeDouble(x);
        ar.writeWord(static_cast<uint16_t>(width));
        ar.writeWord(static_cast<uint16_t>(height));
        ar.writeWord(static_cast<uint16_t>(pole));
        ar.writeString(label);
        ar.writeString(description);
        return;
    }
    (void)ar.readWord();
    attribute = ar.readWord();
    x = ar.readDouble();
    width = ar.readWord();
    height = ar.readWord();
    pole = ar.readWord();
    label = ar.readString();
    description = ar.readString();
}

CImageMarker::CImageMarker(const std::string& file, MarkerLink* link) {
    if (!link || file.empty() || file.size() > MarkerLink::kMaxFileName) return;
    if (!link->post(MarkerLink::kFreezeSave, file)) return;
    fileName = file;
    description = "filename=" + file + "\r\n";
}

std::unique_ptr<CMarker> CImageMarker::Clone() const {
    auto m = std::make_unique<CImageMarker>();
    m->copyFrom(*this);
    m->fileName = fileName;
    return m;
}

void CImageMarker::Activate(MarkerLink* link) {
    if (link && !fileName.empty())
        (void)link->post(MarkerLink::kAutoLoad, fileName);
}

void CImageMarker::Serialize(Archive& ar) {
    CMarker::Serialize(ar);
    if (ar.IsStoring()) {
        ar.writeWord(1);
        ar.writeString(fileName);
    } else {
        (void)ar.readWord();
        fileName = ar.readString();
    }
}

void CMarkerList::insert(size_t at, std::unique_ptr<CMarker> m) {
    if (m) items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(std::min(at, items_.size())), std::move(m));
}

std::unique_ptr<CMarker> CMarkerList::take(size_t at) {
    if (at >= items_.size()) return nullptr;
    std::unique_ptr<CMarker> m = std::move(items_[at]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
    return m;
}

void CMarkerList::Shift(double dx) {
    for (auto& m : items_) m->x += dx;
}

void CMarkerList::SerializeRange(Archive& ar, double x1, double x2, bool rebase) const {
    CMarkerList tmp;
    for (const auto& m : items_)
        if (m && m->x >= x1 && m->x < x2) tmp.items_.push_back(m->Clone());
    if (rebase) tmp.Shift(-x1);
    tmp.Serialize(ar);
}

bool CMarkerList::Merge(CMarkerList& other) {
    bool moved = false;
    std::vector<std::unique_ptr<CMarker>> left;
    for (auto& m : other.items_) {
        bool dup = false;
        for (const auto& mine : items_)
            if (mine && m && *mine == *m) dup = true;
        if (dup || !m) {
            left.push_back(std::move(m));
        } else {
            items_.push_back(std::move(m));
            moved = true;
        }
    }
    other.items_ = std::move(left);
    return moved;
}

void CMarkerList::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeObjectArray(items_);
    } else {
        auto read = ar.readObjectArray<CMarker>();
        items_.clear();
        for (auto& m : read)
            if (m) items_.push_back(std::move(m));
    }
}

void ordavia::registerMarkerClasses() {
    ClassRegistry& r = ClassRegistry::instance();
    r.add<CMarker>();
    r.add<CImageMarker>();
    r.add<CMarkerList>();
}
