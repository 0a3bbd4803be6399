#include "measure/WmfDrawing.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <set>

namespace ordavia {

namespace {

// Record function numbers.
enum : uint16_t {
    kEof = 0x0000,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSelectObject = 0x012D,
    kDeleteObject = 0x01F0,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kExtTextOut = 0x0A32,
    // Other records that create an object and take a table slot.
    kCreatePalette = 0x00F7,
    kCreatePatternBrush = 0x01F9,
    kDibCreatePatternBrush = 0x0142,
    kCreateRegion = 0x06FF,
};

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr int kPenNull = 5;    // PS_NULL
constexpr int kBrushNull = 1;  // BS_NULL (BS_HOLLOW)
constexpr uint16_t kEtoOpaque = 0x0002;
constexpr uint16_t kEtoClipped = 0x0004;

uint16_t word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
int16_t sword(const uint8_t* p) { return static_cast<int16_t>(word(p)); }
uint32_t dword(const uint8_t* p) { return static_cast<uint32_t>(word(p)) | (static_cast<uint32_t>(word(p + 2)) << 16); }

struct GdiObject {
    enum Type { kNone, kPen, kBrush, kFont, kOther } type = kNone;
    bool isNull = false;
    uint32_t colour = 0;
    int height = 0;
};

struct State {
    ZPoint pos;
    bool hasPen = false, nullPen = false;
    uint32_t pen = 0;
    bool hasBrush = false, nullBrush = true;
    uint32_t brush = 0;
    bool hasTextColour = false;
    uint32_t textColour = 0;
    int fontHeight = 0;
    bool hasOrg = false, hasExt = false;
    int orgX = 0, orgY = 0, extX = 0, extY = 0;
};

class Reader {
public:
    Reader(WmfDrawing& out, size_t maxPrimitives) : out_(out), max_(maxPrimitives) {}

    void run(const uint8_t* data, size_t size) {
        if (!data || size < 18) return fail("metafile shorter than its header");
        size_t start = 0;
        ZRect placeable;
        bool hasPlaceable = false;
        if (size >= 22 && dword(data) == kPlaceableKey) {
            placeable = {sword(data + 6), sword(data + 8), sword(data + 10), sword(data + 12)};
            hasPlaceable = true;
            start = 22;
        }
        if (size - start < 18) return fail("metafile shorter than its header");
        const uint8_t* h = data + start;
        const uint16_t type = word(h);
        const uint16_t headerWords = word(h + 2);
        if ((type != 1 && type != 2) || headerWords != 9) return fail("not a Windows metafile");
        objects_.assign(word(h + 10), GdiObject{});
        for (size_t i = 0; i < objects_.size(); ++i) free_.insert(free_.end(), static_cast<uint16_t>(i));
        // The size field counts 16-bit words; trust it only as far as the
        // bytes that are really there.
        const uint64_t declared = static_cast<uint64_t>(dword(h + 6)) * 2;
        size_t end = size;
        if (declared >= 18 && declared < size - start) end = start + static_cast<size_t>(declared);

        size_t pos = start + 18;
        bool sawEof = false;
        while (pos < end) {
            if (end - pos < 6) return fail("truncated record header");
            const uint32_t words = dword(data + pos);
            const uint16_t fn = word(data + pos + 4);
            if (words < 3) return fail("record shorter than its own header");
            if (static_cast<uint64_t>(words) * 2 > end - pos) return fail("record runs past the end of the metafile");
            const size_t bytes = static_cast<size_t>(words) * 2;
            if (fn == kEof) {
                sawEof = true;
                break;
            }
            record(fn, data + pos + 6, bytes - 6);
            if (!out_.error.empty()) return;
            pos += bytes;
        }
        if (!sawEof) return fail("no end-of-file record");
        if (st_.hasExt && st_.extX != 0 && st_.extY != 0) {
            out_.hasWindow = true;
            out_.window = {st_.orgX, st_.orgY, st_.orgX + st_.extX, st_.orgY + st_.extY};
        } else if (hasPlaceable && !placeable.normalized().isEmpty()) {
            out_.hasWindow = true;
            out_.window = placeable;
        }
        out_.complete = true;
    }

private:
    void fail(const char* why) { out_.error = why; }

    WmfPrimitive make(WmfPrimitive::Kind k) {
        WmfPrimitive p;
        p.kind = k;
        p.hasPen = st_.hasPen;
        p.nullPen = st_.nullPen;
        p.penColour = st_.pen;
        p.hasBrush = st_.hasBrush;
        p.nullBrush = st_.nullBrush;
        p.brushColour = st_.brush;
        p.hasTextColour = st_.hasTextColour;
        p.textColour = st_.textColour;
        p.fontHeight = st_.fontHeight;
        return p;
    }

    void add(WmfPrimitive&& p) {
        if (out_.primitives.size() >= max_) return fail("too many primitives");
        out_.primitives.push_back(std::move(p));
    }

    // Stores a new object in the first free slot of the table. The free
    // slots are kept ordered, so that a metafile of many creations into a
    // full table of 65535 slots costs no scan of the table per record.
    void create(const GdiObject& o) {
        // A full table: the object has nowhere to go and cannot be selected.
        if (free_.empty()) return;
        const auto first = free_.begin();
        objects_[*first] = o;
        free_.erase(first);
    }

    void select(uint16_t index) {
        if (index >= objects_.size()) return;
        const GdiObject& o = objects_[index];
        switch (o.type) {
            case GdiObject::kPen:
                st_.hasPen = true;
                st_.nullPen = o.isNull;
                st_.pen = o.colour;
                break;
            case GdiObject::kBrush:
                st_.hasBrush = true;
                st_.nullBrush = o.isNull;
                st_.brush = o.colour;
                break;
            case GdiObject::kFont: st_.fontHeight = o.height; break;
            default: break;
        }
    }

    // Points as (x, y) pairs of 16-bit values; false when the record is too short.
    bool points(const uint8_t* p, size_t n, size_t count, std::vector<ZPoint>& pts) {
        if (count > n / 4) return false;
        pts.reserve(count);
        for (size_t i = 0; i < count; ++i) pts.push_back({sword(p + 4 * i), sword(p + 4 * i + 2)});
        return true;
    }

    static std::string textOf(const uint8_t* p, size_t len) {
        std::string s(reinterpret_cast<const char*>(p), len);
        // Stop at an embedded terminator, as the drawing call would.
        const size_t z = s.find('\0');
        if (z != std::string::npos) s.resize(z);
        return s;
    }

    void record(uint16_t fn, const uint8_t* p, size_t n) {
        switch (fn) {
            case kSetWindowOrg:
                if (n < 4) return fail("short window origin record");
                st_.orgY = sword(p);
                st_.orgX = sword(p + 2);
                st_.hasOrg = true;
                return;
            case kSetWindowExt:
                if (n < 4) return fail("short window extent record");
                st_.extY = sword(p);
                st_.extX = sword(p + 2);
                st_.hasExt = true;
                return;
            case kMoveTo:
                if (n < 4) return fail("short move record");
                st_.pos = {sword(p + 2), sword(p)};
                return;
            case kLineTo: {
                if (n < 4) return fail("short line record");
                const ZPoint to{sword(p + 2), sword(p)};
                WmfPrimitive l = make(WmfPrimitive::kLine);
                l.points = {st_.pos, to};
                st_.pos = to;
                return add(std::move(l));
            }
            case kPolyline:
            case kPolygon: {
                if (n < 2) return fail("short polyline record");
                WmfPrimitive l = make(fn == kPolygon ? WmfPrimitive::kPolygon : WmfPrimitive::kPolyline);
                if (!points(p + 2, n - 2, word(p), l.points)) return fail("polyline count beyond its record");
                return add(std::move(l));
            }
            case kPolyPolygon: {
                if (n < 2) return fail("short polypolygon record");
                const size_t polys = word(p);
                if (polys > (n - 2) / 2) return fail("polygon count beyond its record");
                const uint8_t* counts = p + 2;
                size_t offset = 2 + 2 * polys;
                for (size_t i = 0; i < polys; ++i) {
                    const size_t c = word(counts + 2 * i);
                    WmfPrimitive l = make(WmfPrimitive::kPolygon);
                    if (offset > n || !points(p + offset, n - offset, c, l.points))
                        return fail("polygon points beyond their record");
                    offset += 4 * c;
                    add(std::move(l));
                    if (!out_.error.empty()) return;
                }
                return;
            }
            case kRectangle:
            case kEllipse: {
                if (n < 8) return fail("short rectangle record");
                WmfPrimitive r = make(fn == kEllipse ? WmfPrimitive::kEllipse : WmfPrimitive::kRectangle);
                // bottom, right, top, left
                r.points = {{sword(p + 6), sword(p + 4)}, {sword(p + 2), sword(p)}};
                return add(std::move(r));
            }
            case kTextOut: {
                if (n < 2) return fail("short text record");
                const size_t len = word(p);
                const size_t padded = len + (len & 1);
                if (padded > n - 2 || n - 2 - padded < 4) return fail("text beyond its record");
                WmfPrimitive t = make(WmfPrimitive::kText);
                t.text = textOf(p + 2, len);
                const uint8_t* q = p + 2 + padded;
                t.points = {{sword(q + 2), sword(q)}};
                return add(std::move(t));
            }
            case kExtTextOut: {
                if (n < 8) return fail("short text record");
                WmfPrimitive t = make(WmfPrimitive::kText);
                t.points = {{sword(p + 2), sword(p)}};
                const size_t len = word(p + 4);
                const uint16_t opts = word(p + 6);
                size_t offset = 8;
                if (opts & (kEtoOpaque | kEtoClipped)) offset += 8;
                if (offset > n || len > n - offset) return fail("text beyond its record");
                t.text = textOf(p + offset, len);
                return add(std::move(t));
            }
            case kCreatePenIndirect: {
                if (n < 10) return fail("short pen record");
                GdiObject o;
                o.type = GdiObject::kPen;
                o.isNull = (word(p) & 0x0F) == kPenNull;
                o.colour = dword(p + 6) & 0xFFFFFFu;
                return create(o);
            }
            case kCreateBrushIndirect: {
                if (n < 6) return fail("short brush record");
                GdiObject o;
                o.type = GdiObject::kBrush;
                o.isNull = word(p) == kBrushNull;
                o.colour = dword(p + 2) & 0xFFFFFFu;
                return create(o);
            }
            case kCreateFontIndirect: {
                if (n < 2) return fail("short font record");
                GdiObject o;
                o.type = GdiObject::kFont;
                const int h = sword(p);
                o.height = h < 0 ? -h : h;
                return create(o);
            }
            case kCreatePalette:
            case kCreatePatternBrush:
            case kDibCreatePatternBrush:
            case kCreateRegion: {
                GdiObject o;
                o.type = GdiObject::kOther;
                return create(o);
            }
            case kSelectObject:
                if (n < 2) return fail("short select record");
                return select(word(p));
            case kDeleteObject:
                if (n < 2) return fail("short delete record");
                if (word(p) < objects_.size() && objects_[word(p)].type != GdiObject::kNone) {
                    objects_[word(p)] = GdiObject{};
                    free_.insert(word(p));
                }
                return;
            case kSetTextColor:
                if (n < 4) return fail("short text colour record");
                st_.hasTextColour = true;
                st_.textColour = dword(p) & 0xFFFFFFu;
                return;
            default: return;  // not part of a grid drawing
        }
    }

    WmfDrawing& out_;
    size_t max_;
    State st_;
    std::vector<GdiObject> objects_;
    std::set<uint16_t> free_;
};

}  // namespace

ZRect WmfDrawing::primitiveBounds() const {
    bool any = false;
    int l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
    for (const WmfPrimitive& p : primitives) {
        for (const ZPoint& q : p.points) {
            any = true;
            l = std::min(l, q.x);
            t = std::min(t, q.y);
            r = std::max(r, q.x);
            b = std::max(b, q.y);
        }
    }
    return any ? ZRect{l, t, r, b} : ZRect{};
}

ZRect WmfDrawing::frame() const { return hasWindow ? window : primitiveBounds(); }

WmfDrawing parseWmf(const uint8_t* data, size_t size, size_t maxPrimitives) {
    WmfDrawing out;
    Reader(out, maxPrimitives).run(data, size);
    return out;
}

std::shared_ptr<const WmfDrawing> parseWmfCached(const std::vector<uint8_t>& bytes) {
    // One drawing is shown at a time: the last bytes and their drawing.
    struct Memo {
        std::vector<uint8_t> bytes;
        std::shared_ptr<const WmfDrawing> drawing;
    };
    static thread_local Memo memo;
    if (!memo.drawing || memo.bytes.size() != bytes.size() ||
        (!bytes.empty() && std::memcmp(memo.bytes.data(), bytes.data(), bytes.size()) != 0)) {
        memo.drawing = std::make_shared<const WmfDrawing>(parseWmf(bytes));
        memo.bytes = bytes;
    }
    return memo.drawing;
}

}  // namespace ordavia
