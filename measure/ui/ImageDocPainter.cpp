#include "measure/ui/ImageDocPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

#include "framework/AppServices.h"
#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"
#include "measure/WmfDrawing.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

// More grid lines or points than this are not worth drawing: they would
// only paint the picture over in the grid colour.
constexpr double kMaxGridMarks = 250000.0;

QPen overlayPen(uint32_t colour, double unit, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(colourFromRef(colour));
    pen.setWidthF(std::max(1.0, unit));
    pen.setStyle(style);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void drawCross(QPainter& p, QPointF c, double arm) {
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

void drawDiamond(QPainter& p, QPointF c, double arm) {
    const QPointF pts[4] = {{c.x(), c.y() - arm}, {c.x() + arm, c.y()}, {c.x(), c.y() + arm}, {c.x() - arm, c.y()}};
    p.drawPolygon(pts, 4);
}

QPolygonF mapped(const ImagePaintMapping& m, const std::vector<ZPoint>& pts) {
    QPolygonF poly;
    poly.reserve(static_cast<int>(pts.size()));
    for (const ZPoint& q : pts) poly << m.map(q);
    return poly;
}

QRectF mappedRect(const ImagePaintMapping& m, const ZRect& r) {
    const ZRect n = r.normalized();
    return QRectF(m.map(n.left, n.top), m.map(n.right, n.bottom));
}

QFont overlayFont(const ProfileStore& s) {
    QFont f(QString::fromStdString(s.GetString("settings", "overlayfont", "Arial")));
    const int tenths = s.GetInt("settings", "overlayptsz", 100);
    f.setPointSizeF(tenths > 0 && tenths < 10000 ? tenths / 10.0 : 10.0);
    return f;
}

}  // namespace

ImageDocPainter::ImageDocPainter(const ZBasicDoc& doc) : doc_(doc) {}

void ImageDocPainter::paint(QPainter& p, const QImage& picture, const ImagePaintOptions& o) const {
    if (!picture.isNull()) {
        const ImagePaintMapping& m = o.mapping;
        const QRectF target(m.map(doc_.image().originX(), doc_.image().originY()),
                            QSizeF(picture.width() * m.scale, picture.height() * m.scale));
        p.save();
        // Nearest pixel: researchers look at single pixels.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(target, picture);
        p.restore();
    }
    paintOverlays(p, o);
}

void ImageDocPainter::paintOverlays(QPainter& p, const ImagePaintOptions& o) const {
    const ImagePaintMapping& m = o.mapping;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    if (const ProfileStore* profile = doc_.services().profileStore)
        p.setFont(overlayFont(*profile));
    else
        p.setFont(overlayFont(ProfileStore()));
    if (doc_.grid().show) paintGrid(p, o);

    const ZRect roi = doc_.marks().roi.normalized();
    if (!roi.isEmpty()) {
        p.setPen(overlayPen(OverlayColours::kRegion, m.unit));
        p.drawRect(mappedRect(m, roi));
    }
    if (doc_.marks().showTarget) {
        p.setPen(overlayPen(OverlayColours::kTarget, m.unit));
        drawCross(p, m.map(doc_.marks().targetX, doc_.marks().targetY), OverlayColours::kTargetArm * m.unit);
    }
    p.setPen(overlayPen(OverlayColours::kOrigin, m.unit));
    drawCross(p, m.map(doc_.marks().originX, doc_.marks().originY), OverlayColours::kOriginArm * m.unit);

    for (int li = 0; li < ZBasicDoc::kListCount; ++li) {
        const CDimList& list = doc_.lists()[static_cast<size_t>(li)];
        if (list.isHidden() && !(li == ZBasicDoc::kDustList && o.showDustList)) continue;
        for (int i = 0; i < list.count(); ++i) {
            const CDim* d = list.at(i);
            paintDimension(p, m, *d, i == list.current() || d->isSelected(), CDimList::prefixText(i));
        }
    }
    if (!o.rubberBand.isEmpty()) {
        p.setPen(overlayPen(OverlayColours::kRegion, m.unit, Qt::DashLine));
        p.drawRect(mappedRect(m, o.rubberBand));
    }
    p.restore();
}

void ImageDocPainter::paintDimension(QPainter& p, const ImagePaintMapping& m, const CDim& d, bool selected,
                                     const std::string& prefix) {
    if (d.vertexCount() == 0) return;
    const double arm = OverlayColours::kVertexArm * m.unit;
    p.setPen(overlayPen(d.colour(), m.unit, selected ? Qt::DotLine : Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    const std::vector<ZPoint>& v = d.vertices();
    if (v.size() == 1) {
        drawCross(p, m.map(v[0]), arm);  // a counting mark
    } else if (const auto* c = dynamic_cast<const CDimCircle*>(&d)) {
        p.drawEllipse(mappedRect(m, c->boundingRect()));
    } else if (const auto* r = dynamic_cast<const CDimRect*>(&d)) {
        p.drawRect(mappedRect(m, r->boundingRect()));
    } else if (dynamic_cast<const CDimPolygon*>(&d)) {
        p.drawPolygon(mapped(m, v));
    } else if (const auto* l = dynamic_cast<const CDimLine*>(&d)) {
        if (l->drawnAsBand())
            p.drawPolygon(mapped(m, l->bandOutline()));
        else
            p.drawPolyline(mapped(m, v));
        for (const ZPoint& c : l->curveMarks()) drawDiamond(p, m.map(c), arm);
    } else {
        p.drawPolyline(mapped(m, v));
    }
    // Vertex crosses: every vertex of the object being worked on, else the
    // first one only, which is the handle the select tool picks it by.
    p.setPen(overlayPen(d.colour(), m.unit));
    if (v.size() > 1) {
        if (selected)
            for (const ZPoint& q : v) drawCross(p, m.map(q), arm);
        else
            drawCross(p, m.map(v[0]), arm);
    }
    QString text = QString::fromStdString(prefix);
    if (!d.label().empty()) text += "\n" + QString::fromStdString(d.label());
    const QPointF at = m.map(v[0]) + QPointF(arm + m.unit, m.unit);
    p.setBackgroundMode(Qt::TransparentMode);
    p.drawText(QRectF(at, QSizeF(1, 1)), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

void ImageDocPainter::paintGrid(QPainter& p, const ImagePaintOptions& o) const {
    const ImagePaintMapping& m = o.mapping;
    const ZRect area{doc_.image().originX(), doc_.image().originY(), doc_.image().originX() + doc_.image().width(),
                     doc_.image().originY() + doc_.image().height()};
    if (area.isEmpty()) return;
    if (doc_.grid().style == 2 || doc_.grid().style == 3) {
        if (doc_.gridDrawing().empty()) return;
        const std::shared_ptr<const WmfDrawing> drawing = parseWmfCached(doc_.gridDrawing());
        const WmfDrawing& w = *drawing;
        // A counting field goes where the user counts: the region of
        // interest when one is set, else the whole picture.
        const ZRect roi = doc_.marks().roi.normalized();
        paintMetafile(p, m, w, roi.isEmpty() ? area : roi, doc_.grid().colour);
        return;
    }
    // Spacing in pixels, or in user units through the scales in effect.
    double sx = doc_.grid().spacing, sy = doc_.grid().spacing;
    if (doc_.grid().units == 1) {
        sx /= doc_.xScaleInEffect();
        sy /= doc_.yScaleInEffect();
    }
    if (!(std::isfinite(sx) && std::isfinite(sy)) || sx <= 0 || sy <= 0) return;
    const double nx = area.width() / sx, ny = area.height() / sy;
    if (sx * m.scale < 2.0 || sy * m.scale < 2.0) return;
    p.setPen(overlayPen(doc_.grid().colour, m.unit));
    if (doc_.grid().style == 1) {
        if (nx * ny > kMaxGridMarks) return;
        const double arm = m.unit;
        for (double y = area.top; y < area.bottom; y += sy)
            for (double x = area.left; x < area.right; x += sx) drawCross(p, m.map(x, y), arm);
        return;
    }
    if (nx + ny > kMaxGridMarks) return;
    const QPointF tl = m.map(area.left, area.top), br = m.map(area.right, area.bottom);
    for (double x = area.left; x < area.right; x += sx) {
        const double dx = m.map(x, 0).x();
        p.drawLine(QPointF(dx, tl.y()), QPointF(dx, br.y()));
    }
    for (double y = area.top; y < area.bottom; y += sy) {
        const double dy = m.map(0, y).y();
        p.drawLine(QPointF(tl.x(), dy), QPointF(br.x(), dy));
    }
}

void ImageDocPainter::paintMetafile(QPainter& p, const ImagePaintMapping& m, const WmfDrawing& w, const ZRect& into,
                                    uint32_t colour) {
    const ZRect f = w.frame();
    const double fw = double(f.right) - f.left, fh = double(f.bottom) - f.top;
    if (fw == 0 || fh == 0 || into.isEmpty()) return;
    // Fit the logical window into the rectangle, keeping its aspect and
    // honouring flipped (negative) extents.
    const double s = std::min(into.width() / std::fabs(fw), into.height() / std::fabs(fh));
    const double ox = into.left + (into.width() - std::fabs(fw) * s) / 2;
    const double oy = into.top + (into.height() - std::fabs(fh) * s) / 2;
    auto toDevice = [&](ZPoint q) {
        const double u = (q.x - f.left) / fw, v = (q.y - f.top) / fh;
        return m.map(ox + u * std::fabs(fw) * s, oy + v * std::fabs(fh) * s);
    };
    p.save();
    for (const WmfPrimitive& prim : w.primitives) {
        QPen pen = overlayPen(prim.hasPen ? prim.penColour : colour, m.unit);
        if (prim.nullPen) pen = Qt::NoPen;
        p.setPen(pen);
        if (prim.hasBrush && !prim.nullBrush)
            p.setBrush(colourFromRef(prim.brushColour));
        else
            p.setBrush(Qt::NoBrush);
        QPolygonF poly;
        for (const ZPoint& q : prim.points) poly << toDevice(q);
        switch (prim.kind) {
            case WmfPrimitive::kLine:
            case WmfPrimitive::kPolyline: p.drawPolyline(poly); break;
            case WmfPrimitive::kPolygon: p.drawPolygon(poly); break;
            case WmfPrimitive::kRectangle: p.drawRect(QRectF(poly[0], poly[1]).normalized()); break;
            case WmfPrimitive::kEllipse: p.drawEllipse(QRectF(poly[0], poly[1]).normalized()); break;
            case WmfPrimitive::kText: {
                QFont font = p.font();
                const double px = prim.fontHeight * s * m.scale;
                if (px >= 1.0 && px < 2000.0) font.setPixelSize(static_cast<int>(px));
                p.setFont(font);
                p.setPen(colourFromRef(prim.hasTextColour ? prim.textColour : colour));
                p.drawText(poly[0] + QPointF(0, QFontMetricsF(font).ascent()), QString::fromLatin1(prim.text.c_str()));
                break;
            }
        }
    }
    p.restore();
}

}  // namespace ordavia
