#pragma once
// An ordered list of dimensions owned by an image document, in drawing
// order, with one current object. Archived (schema 1) as the object count
// and each object as an archived object reference; the defaults for new
// objects, the hidden flag and the current index are not archived.
#include <memory>
#include <string>
#include <vector>

#include "base/CObject.h"
#include "measure/CDim.h"

class CDimList : public ordavia::CObject {
    ORDAVIA_SERIAL(CDimList, 1)
public:
    // Kinds understood by addNew(); any other value makes a line.
    enum Kind { kCircle = 4, kPolygon = 5, kRectangle = 6 };

    CDimList();
    ~CDimList() override;
    CDimList(CDimList&&) noexcept;
    CDimList& operator=(CDimList&&) noexcept;

    // Loading replaces the objects only once the whole list has been read,
    // and leaves no object current. A list of more than kMaxLoadObjects is
    // refused.
    void Serialize(ordavia::Archive& ar) override;
    static constexpr uint32_t kMaxLoadObjects = 100000;

    // A new, empty object of the kind.
    static std::unique_ptr<CDim> create(int kind);

    int count() const { return static_cast<int>(objects_.size()); }
    // Null when out of range.
    CDim* at(int i);
    const CDim* at(int i) const;
    const std::vector<std::unique_ptr<CDim>>& objects() const { return objects_; }

    int current() const { return current_; }
    // Out-of-range values make no object current.
    void setCurrent(int i);
    CDim* currentObject() { return at(current_); }
    const CDim* currentObject() const { return at(current_); }

    int defaultWidth() const { return defaultWidth_; }
    void setDefaultWidth(int w) { defaultWidth_ = w; }
    uint32_t defaultColour() const { return defaultColour_; }
    void setDefaultColour(uint32_t c) { defaultColour_ = c; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool on) { hidden_ = on; }

    // Starts a new object of the kind at p with the list's colour and width;
    // it becomes current. Returns its index, or -1 on memory exhaustion.
    int addNew(int kind, ordavia::ZPoint p);
    // Takes over an existing object; returns its index. The current object
    // does not change.
    int add(std::unique_ptr<CDim> obj);
    // Deletes object i. The current index keeps naming the same object;
    // when i was current it steps back by one.
    void remove(int i);
    void removeAll();
    // Makes the first object whose first vertex is within the hit tolerance
    // of p current and returns its index; -1 (and nothing current) when none.
    int hitTest(ordavia::ZPoint p);

    // Objects with any vertex inside r.
    int countInRect(const ordavia::ZRect& r) const;
    // Single-vertex objects (counting marks) inside r.
    int countMarksInRect(const ordavia::ZRect& r) const;

    // Sums over all objects.
    double totalLength(double xs, double ys) const;
    double totalXExtent(double xs) const;
    double totalYExtent(double ys) const;
    double totalLengthInRect(const ordavia::ZRect& r, double xs, double ys) const;
    double totalAreaInRect(const ordavia::ZRect& r, double xs, double ys) const;
    double totalTortuosityRatio() const;
    double totalTortuosity(double xs, double ys, int& curveCount, const ordavia::TortuosityParams& params) const;

    // Moves the current object, and with it every selected object.
    void moveCurrent(int dx, int dy);
    // Rotates the current object and every selected one by a radians about
    // the current object's centre (see CDim::rotate for the direction).
    void rotateCurrent(double a);
    // Rotates them so that the current object's first vertex turns towards p
    // as seen from the centre. Returns the angle turned.
    double rotateCurrentTowards(ordavia::ZPoint p);

    // The text drawn before object i: its number counted from 1.
    static std::string prefixText(int i);

private:
    // The current object plus every other selected one, each once.
    template <class F>
    void forCurrentAndSelected(F f);

    int defaultWidth_ = 1;
    uint32_t defaultColour_ = CDim::kDefaultColour;
    bool hidden_ = false;
    std::vector<std::unique_ptr<CDim>> objects_;
    int current_ = -1;
};
