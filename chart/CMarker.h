#pragma once
// Chart markers: labelled flags at one x position of a chart. An image
// marker also names an image file; creating one asks the running
// workstation (the window "FENWYR") to freeze and save its live picture
// under that name, and selecting it asks for that picture again.
//
// Archive layouts (schema 1): CMarker: version u16 (1), attribute u16,
// x double, width, height, pole (u16 each), label, description (strings).
// CImageMarker: the CMarker fields, version u16 (1), file name (string).
// CMarkerList: count, then each marker as an object reference.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/CObject.h"
#include "framework/MarkerLink.h"

namespace ordavia {

class Archive;

}  // namespace ordavia

class CMarker : public ordavia::CObject {
    ORDAVIA_SERIAL(CMarker, 1)
public:
    uint32_t attribute = 0;
    std::string description;
    std::string label;
    double x = -1.0;
    int32_t width = 2;
    int32_t height = 1;
    int32_t pole = 3;

    // Sets the label; a non-empty label sets the width to its length.
    void SetLabel(const std::string& text);
    virtual std::unique_ptr<CMarker> Clone() const;
    // Selecting the marker; `link` is the services' marker link, or null.
    virtual void Activate(ordavia::MarkerLink* link) { (void)link; }
    bool operator==(const CMarker& o) const;
    void Serialize(ordavia::Archive& ar) override;

protected:
    void copyFrom(const CMarker& o);
};

class CImageMarker : public CMarker {
    ORDAVIA_SERIAL(CImageMarker, 1)
public:
    CImageMarker() = default;
    // Asks the workstation to freeze and save its live picture as `file`
    // through `link`; the file name stays empty when there is no link or
    // nobody receives the request.
    CImageMarker(const std::string& file, ordavia::MarkerLink* link);
    std::string fileName;
    std::unique_ptr<CMarker> Clone() const override;
    // Asks the workstation to load the picture.
    void Activate(ordavia::MarkerLink* link) override;
    void Serialize(ordavia::Archive& ar) override;
};

class CMarkerList : public ordavia::CObject {
    ORDAVIA_SERIAL(CMarkerList, 1)
public:
    // The markers in list order; through a const list they are read-only.
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const CMarker& operator[](size_t i) const { return *items_[i]; }
    CMarker& operator[](size_t i) { return *items_[i]; }
    class const_iterator {
    public:
        using Base = std::vector<std::unique_ptr<CMarker>>::const_iterator;
        explicit const_iterator(Base it) : it_(it) {}
        const CMarker& operator*() const { return **it_; }
        const_iterator& operator++() { ++it_; return *this; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        Base it_;
    };
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }
    void add(std::unique_ptr<CMarker> m) { if (m) items_.push_back(std::move(m)); }
    void insert(size_t at, std::unique_ptr<CMarker> m);
    // Takes the marker out of the list (null for an index past the end).
    std::unique_ptr<CMarker> take(size_t at);
    void DeleteAll() { items_.clear(); }
    void Shift(double dx);
    // Clones of the markers with x1 <= x < x2 (shifted by -x1 when rebase),
    // written as an object list.
    void SerializeRange(ordavia::Archive& ar, double x1, double x2, bool rebase) const;
    // Moves each marker of `other` not already here to the end; true when
    // any moved. The duplicates stay in `other`.
    bool Merge(CMarkerList& other);
    void Serialize(ordavia::Archive& ar) override;

private:
    std::vector<std::unique_ptr<CMarker>> items_;
};

namespace ordavia {

void registerMarkerClasses();

}  // namespace ordavia
