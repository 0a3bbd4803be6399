#pragma once
// Paints an image document: the picture, then the overlays in their fixed
// order (grid, region of interest, target cross, origin cross, every
// dimension list with numbered objects). The screen, the printer and the
// print preview all paint through here; only the mapping differs.
//
// Overlays are drawn in device coordinates rather than through a scaled
// painter, so that crosses, pens and text keep their size at every zoom.
#include <QColor>
#include <QImage>
#include <QPointF>

#include <cstdint>
#include <string>

#include "base/Geometry.h"

class QPainter;
class ZBasicDoc;
class CDim;
namespace ordavia {

struct WmfDrawing;

struct ImagePaintMapping {
    // Device pixels per image pixel, and where image (0, 0) lands.
    double scale = 1.0;
    QPointF offset;
    // Device pixels per screen pixel: arms, pens and marks scale by it on a
    // printer so that they keep their size on paper.
    double unit = 1.0;

    QPointF map(double x, double y) const { return {offset.x() + x * scale, offset.y() + y * scale}; }
    QPointF map(ZPoint p) const { return map(p.x, p.y); }
};

struct ImagePaintOptions {
    ImagePaintMapping mapping;
    // Show the hidden dust list (while it is being edited).
    bool showDustList = false;
    // A rubber band being dragged out (empty: none).
    ZRect rubberBand;
};

// Colours of the overlays: 32-bit values with red in the low byte.
namespace OverlayColours {
constexpr uint32_t kRegion = 0x00FFFF;  // yellow
constexpr uint32_t kTarget = 255;       // red
constexpr uint32_t kOrigin = 0xFF00;    // green
constexpr int kTargetArm = 20;
constexpr int kOriginArm = 5;
constexpr int kVertexArm = 3;
}  // namespace OverlayColours

class ImageDocPainter {
public:
    explicit ImageDocPainter(const ZBasicDoc& doc);

    // The picture (built with imageToQImage) and all overlays.
    void paint(QPainter& p, const QImage& picture, const ImagePaintOptions& o) const;
    void paintOverlays(QPainter& p, const ImagePaintOptions& o) const;

    // One object in its colour; selected objects are dotted. The prefix is
    // drawn before the label, on its own line.
    static void paintDimension(QPainter& p, const ImagePaintMapping& m, const CDim& d, bool selected,
                               const std::string& prefix);
    // A metafile drawing fitted into the rectangle (image coordinates),
    // keeping its aspect, in the colour unless the drawing has its own pens.
    static void paintMetafile(QPainter& p, const ImagePaintMapping& m, const WmfDrawing& w, const ZRect& into,
                              uint32_t colour);

private:
    void paintGrid(QPainter& p, const ImagePaintOptions& o) const;
    const ZBasicDoc& doc_;
};

// 0x00BBGGRR to a colour.
inline QColor colourFromRef(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace ordavia
