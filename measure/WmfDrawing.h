#pragma once
// The parts of a Windows metafile that a grid drawing uses, read into plain
// primitives in the metafile's logical coordinates. The view maps the
// logical window (origin and extent records, else the placeable header's
// bounds, else the primitives' own bounds) onto the rectangle it draws into.
//
// Layout read: an optional 22-byte placeable header (key 0x9AC6CDD7,
// bounds as four 16-bit values), the 18-byte standard header, then records
// of a 32-bit size in 16-bit words, a 16-bit function number and the
// parameters, up to the end-of-file record. Coordinates are signed 16-bit.
// Records we do not draw are skipped by their size; object-creating ones
// still take their slot in the object table so that later selections
// resolve to the right pen or brush.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Geometry.h"

namespace ordavia {

struct WmfPrimitive {
    enum Kind { kLine, kPolyline, kPolygon, kRectangle, kEllipse, kText };
    Kind kind = kLine;
    // Lines: two points; polylines and polygons: their points; rectangles
    // and ellipses: two opposite corners; text: the reference point.
    std::vector<ZPoint> points;
    std::string text;
    // Colours are 32-bit with red in the low byte; hasPen false means the
    // metafile selected no pen of its own (draw with the grid colour), and
    // a null pen or brush draws nothing.
    bool hasPen = false;
    bool nullPen = false;
    uint32_t penColour = 0;
    bool hasBrush = false;
    bool nullBrush = true;
    uint32_t brushColour = 0;
    uint32_t textColour = 0;
    bool hasTextColour = false;
    // Font height in logical units (0: the drawing did not choose one).
    int fontHeight = 0;
};

struct WmfDrawing {
    std::vector<WmfPrimitive> primitives;
    // The logical rectangle the drawing occupies (left, top, right, bottom
    // as given; a negative extent flips the axis).
    bool hasWindow = false;
    ZRect window;
    // Whether the records ran to the end-of-file record without a fault.
    bool complete = false;
    // Why reading stopped early.
    std::string error;

    bool empty() const { return primitives.empty(); }
    // The bounds of every primitive point (empty when there are none).
    ZRect primitiveBounds() const;
    // The window when one was given, else the primitive bounds.
    ZRect frame() const;
};

// Reads the metafile bytes (with or without the placeable header). Never
// throws; on a fault the primitives read so far are kept and `error` says
// what was wrong. At most maxPrimitives are kept.
WmfDrawing parseWmf(const uint8_t* data, size_t size, size_t maxPrimitives = 200000);
inline WmfDrawing parseWmf(const std::vector<uint8_t>& bytes) { return parseWmf(bytes.data(), bytes.size()); }
// The same, parsed once: a repaint with the same bytes gets the drawing
// parsed before (a grid metafile is drawn on every repaint of the view).
std::shared_ptr<const WmfDrawing> parseWmfCached(const std::vector<uint8_t>& bytes);

}  // namespace ordavia
