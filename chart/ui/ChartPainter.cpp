#include "chart/ui/ChartPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "chart/ChartToolController.h"
#include "chart/ZchartDoc.h"

namespace ordavia {

namespace {
// An x axis in seconds counts in minutes and hours when long; any other
// unit (pixels or microns along an image profile) counts in plain decimals.
bool isTimeUnit(const std::string& u) { return u.empty() || u == "s" || u == "sec" || u == "seconds"; }

const QColor kPalette[] = {QColor(20, 60, 160), QColor(200, 40, 40),  QColor(20, 140, 60), QColor(220, 120, 0),
                           QColor(130, 50, 170), QColor(0, 150, 170), QColor(120, 90, 40), QColor(90, 90, 90)};

void buildCache(TraceDisplay& d) {
    const CTrace& t = *d.trace;
    const uint32_t n = t.sampleCount();
    d.cache.resize(n);
    if (n && t.data && !t.data->twoD()) {
        // Walk order from the head: two block reads.
        const uint32_t h = t.head % n;
        t.data->readBlock(d.cache.data(), h, n - h, 1);
        if (h) t.data->readBlock(d.cache.data() + (n - h), 0, h, 1);
        const double a = t.yScale, b = t.yOffset;
        if (a != 1.0 || b != 0.0)
            for (double& v : d.cache) v = v * a + b;
    }
    d.cacheValid = true;
}

void buildStrip(TraceDisplay& d) {
    const auto* t = dynamic_cast<const C2DTrace*>(d.trace);
    d.stripValid = true;
    if (!t || !t->hasData()) return;
    const uint32_t rows = t->sampleCount(), w = double(t->data->components);
    if (!rows || !w) return;
    d.stripWidth = static_cast<int>(rows);
    d.stripHeight = static_cast<int>(w);
    d.strip.assign(size_t(rows) * w, 0xFF000000u);
    std::vector<double> row(w);
    const double range = d.intensityRange > 0 ? d.intensityRange : 1.0;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint32_t src = (t->head + r) % rows;
        t->data->readBlock(row.data(), src, 1, 1);
        for (uint32_t k = 0; k < w; ++k) {
            int idx = static_cast<int>(std::clamp((row[k] + t->intensityOffset) * 256.0 / range, 0.0, 255.0));
            if (t->paletteReversed) idx = 255 - idx;
            QRgb c;
            if (t->paletteScheme == 0) {
                c = qRgb(idx, idx, idx);
            } else {
                // A blue-green-yellow-red ramp for the colour scheme.
                const double f = idx / 255.0;
                c = QColor::fromHsvF(std::max(0.0, 0.66 * (1.0 - f)), 1.0, std::min(1.0, 0.25 + f)).rgb();
            }
            d.strip[size_t(w - 1 - k) * rows + r] = c;
        }
    }
}
}  // namespace

QColor ChartPainter::traceColour(const CTrace& t, int index) {
    if (t.colour != 0) return QColor(t.colour & 0xFF, (t.colour >> 8) & 0xFF, (t.colour >> 16) & 0xFF);
    return kPalette[index % 8];
}

double ChartPainter::xOfSample(const CTrace& t, uint32_t i) { return t.sampleX(i); }

int64_t ChartPainter::sampleAt(const CTrace& t, double x) { return ChartToolController::sampleAt(t, x); }

void ChartPainter::syncDisplays(ChartViewState& s, const ZchartDoc& doc) {
    std::vector<TraceDisplay> next;
    for (int i = 0; i < doc.traceCount(); ++i) {
        const CTrace* t = doc.trace(i);
        TraceDisplay d;
        auto it = std::find_if(s.displays.begin(), s.displays.end(), [&](const TraceDisplay& o) { return o.trace == t; });
        if (it != s.displays.end()) {
            d = std::move(*it);
        } else {
            d.trace = t;
            if (t) {
                d.yPerPixel = t->displayYScale > 0 ? t->displayYScale : 1.0;
                d.yBottom = -t->displayYOffset * d.yPerPixel;
                if (auto* c2 = dynamic_cast<const C2DTrace*>(t)) d.intensityRange = c2->intensityRange;
            }
        }
        next.push_back(std::move(d));
    }
    s.displays = std::move(next);
    if (s.active >= static_cast<int>(s.displays.size())) s.active = std::max(0, static_cast<int>(s.displays.size()) - 1);
}

void ChartPainter::invalidateData(ChartViewState& s) {
    for (auto& d : s.displays) {
        d.cacheValid = false;
        d.stripValid = false;
    }
}

void ChartPainter::autoscale(ChartViewState& s, const ZchartDoc& doc, int w, int h, bool xToo) {
    syncDisplays(s, doc);
    double x0 = 1e300, x1 = -1e300;
    struct Range {
        double lo = 1e300, hi = -1e300;
    };
    std::vector<Range> ranges(s.displays.size());
    for (size_t i = 0; i < s.displays.size(); ++i) {
        TraceDisplay& d = s.displays[i];
        const CTrace* t = d.trace;
        if (!t || !t->hasData()) continue;
        const double start = t->xStart * 0.001;
        x0 = std::min(x0, start);
        x1 = std::max(x1, start + t->sampleCount() * t->xInterval);
        if (t->data->twoD()) {
            double e = 0;
            if (auto* c2 = dynamic_cast<const C2DTrace*>(t); c2 && c2->extent)
                for (uint32_t r = 0; r < c2->extent->count; ++r) e = std::max(e, c2->extent->getD(r));
            ranges[i] = Range{0.0, (e > 0 ? e : double(t->data->components)) * t->yScale};
            continue;
        }
        if (!d.cacheValid) buildCache(d);
        for (double v : d.cache) {
            ranges[i].lo = std::min(ranges[i].lo, v);
            ranges[i].hi = std::max(ranges[i].hi, v);
        }
    }
    // Traces of one y group (other than 0) share one range.
    for (size_t i = 0; i < ranges.size(); ++i)
        for (size_t j = 0; j < ranges.size(); ++j)
            if (i != j && s.displays[i].trace && s.displays[j].trace && s.displays[i].trace->yGroup != 0 &&
                s.displays[i].trace->yGroup == s.displays[j].trace->yGroup) {
                ranges[i].lo = std::min(ranges[i].lo, ranges[j].lo);
                ranges[i].hi = std::max(ranges[i].hi, ranges[j].hi);
            }
    for (size_t i = 0; i < ranges.size(); ++i) {
        if (ranges[i].lo > ranges[i].hi) continue;
        double lo = ranges[i].lo, hi = ranges[i].hi;
        if (hi - lo < 1e-12 * std::max(1.0, std::fabs(hi))) {
            lo -= 1;
            hi += 1;
        }
        const double pad = (hi - lo) * 0.06;
        s.displays[i].yPerPixel = (hi - lo + 2 * pad) / std::max(h, 10);
        s.displays[i].yBottom = lo - pad;
    }
    if (xToo && x1 > x0) {
        s.xLeft = x0;
        s.xPerPixel = (x1 - x0) / std::max(w, 10);
    }
}

namespace {
// The plot's x pixel of x (in the x axis's units).
double xPixel(const QRect& plot, const ChartViewState& s, double x) {
    const double xpp = s.xPerPixel > 0 ? s.xPerPixel : 1.0;
    return plot.left() + (x - s.xLeft) / xpp;
}

const TraceDisplay* activeDisplay(const ChartViewState& s) {
    const bool shown = s.active >= 0 && s.active < static_cast<int>(s.displays.size()) && s.displays[s.active].trace;
    return shown ? &s.displays[s.active] : nullptr;
}

std::string legendLabel(const CTrace& t) { return t.name + (t.yUnits.empty() ? "" : " (" + t.yUnits + ")"); }
}  // namespace

void ChartPainter::paintPlot(QPainter& p, const QRect& plot, ChartViewState& s, const ZchartDoc& doc) {
    p.save();
    p.setClipRect(plot);
    p.fillRect(plot, Qt::white);
    // Spectra and scan-line stacks lie underneath, then the grid and the
    // selection, then the curves, the legend, the markers and the cursor.
    paintTraces(p, plot, s, true);
    paintGrid(p, plot, s);
    paintSelection(p, plot, s, doc);
    paintTraces(p, plot, s, false);
    paintLegend(p, plot, s);
    paintMarkers(p, plot, s, doc);
    paintCursor(p, plot, s);
    p.restore();
    p.setPen(QPen(QColor(120, 120, 120), 0));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
}

void ChartPainter::paintGrid(QPainter& p, const QRect& plot, const ChartViewState& s) {
    // Grid at the x axis's major ticks and the active trace's y ticks.
    const double xpp = s.xPerPixel > 0 ? s.xPerPixel : 1.0;
    const TraceDisplay* active = activeDisplay(s);
    CAxis gx(!active || isTimeUnit(active->trace->xUnits));
    gx.measure(p.fontMetrics().averageCharWidth(), p.fontMetrics().height(), true);
    gx.length = plot.width();
    gx.startPixel = static_cast<int>(std::floor(s.xLeft / xpp));
    gx.setScale(xpp);
    p.setPen(QPen(QColor(225, 228, 235), 0));
    const double conv = gx.requestedScale != 0 ? gx.unitsPerPixel / gx.requestedScale : 1.0;
    for (const auto& t : gx.ticks())
        if (t.major) {
            const int x = static_cast<int>(std::lround(xPixel(plot, s, t.value / conv)));
            p.drawLine(x, plot.top(), x, plot.bottom());
        }
    if (!active) return;
    const TraceDisplay& d = *active;
    CAxis gy(false);
    gy.measure(p.fontMetrics().averageCharWidth(), p.fontMetrics().height(), true);
    gy.length = plot.height();
    gy.startPixel = static_cast<int>(std::floor(d.yBottom / d.yPerPixel));
    gy.setScale(d.yPerPixel);
    for (const auto& t : gy.ticks())
        if (t.major) {
            const int y = static_cast<int>(std::lround(plot.bottom() - (t.value - d.yBottom) / d.yPerPixel));
            p.drawLine(plot.left(), y, plot.right(), y);
        }
}

void ChartPainter::paintSelection(QPainter& p, const QRect& plot, const ChartViewState& s, const ZchartDoc& doc) {
    // The selection band lies on the active trace.
    const CTrace* active = (s.active >= 0 && s.active < doc.traceCount()) ? doc.trace(s.active) : nullptr;
    if (!active || !active->hasData() || !s.hasSelection()) return;
    const uint32_t n = active->sampleCount();
    const double xa = active->sampleX(s.selFrom % n), xb = active->sampleX(s.selTo % n);
    const double l = xPixel(plot, s, std::min(xa, xb)), r = xPixel(plot, s, std::max(xa, xb));
    p.fillRect(QRectF(l, plot.top(), r - l, plot.height()), QColor(255, 200, 90, s.printing ? 60 : 90));
}

void ChartPainter::paintTraces(QPainter& p, const QRect& plot, ChartViewState& s, bool twoD) {
    for (size_t i = 0; i < s.displays.size(); ++i) {
        TraceDisplay& d = s.displays[i];
        const CTrace* t = d.trace;
        if (!t || d.hidden || !t->hasData() || t->data->twoD() != twoD) continue;
        if (t->colour != d.colourSeen) {
            d.colourSeen = t->colour;
            d.stripValid = false;
        }
        if (twoD) paintStrip(p, plot, s, d);
        else paintCurve(p, plot, s, d, static_cast<int>(i));
    }
}

void ChartPainter::paintStrip(QPainter& p, const QRect& plot, const ChartViewState& s, TraceDisplay& d) {
    const CTrace* t = d.trace;
    if (!d.stripValid) buildStrip(d);
    if (d.strip.empty()) return;
    double e = 0;
    if (auto* c2 = dynamic_cast<const C2DTrace*>(t); c2 && c2->extent)
        for (uint32_t r = 0; r < c2->extent->count; ++r) e = std::max(e, c2->extent->getD(r));
    if (e <= 0) e = double(t->data->components);
    const double xpp = s.xPerPixel > 0 ? s.xPerPixel : 1.0;
    const double top = plot.bottom() - (e * t->yScale + t->yOffset - d.yBottom) / d.yPerPixel;
    const double bottom = plot.bottom() - (t->yOffset - d.yBottom) / d.yPerPixel;
    const QRectF target(xPixel(plot, s, t->xStart * 0.001), top, t->sampleCount() * t->xInterval / xpp, bottom - top);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QImage strip(reinterpret_cast<const uchar*>(d.strip.data()), d.stripWidth, d.stripHeight, d.stripWidth * 4,
                       QImage::Format_RGB32);
    p.drawImage(target, strip);
}

void ChartPainter::paintCurve(QPainter& p, const QRect& plot, const ChartViewState& s, TraceDisplay& d, int index) {
    const CTrace* t = d.trace;
    const double x0 = t->xStart * 0.001, dt = t->xInterval;
    if (!d.cacheValid) buildCache(d);
    const std::vector<double>& v = d.cache;
    const int64_t n = static_cast<int64_t>(v.size());
    if (!n || dt <= 0) return;
    const double xpp = s.xPerPixel > 0 ? s.xPerPixel : 1.0;
    const double ypp = d.yPerPixel > 0 ? d.yPerPixel : 1.0;
    auto py = [&](double val) {
        const double y = plot.bottom() - (val - d.yBottom) / ypp;
        return std::clamp(y, -1e6, 1e6);
    };
    QPen pen(traceColour(*t, index), index == s.active ? 1.6 : 1.0);
    pen.setCosmetic(true);
    p.setPen(pen);
    const double samplesPerPixel = xpp / dt;
    if (samplesPerPixel > 2.0) {
        // One min/max stroke per pixel column, joined to the next column.
        const int w = plot.width();
        QVector<QLineF> lines;
        lines.reserve(w * 2);
        double lastY = 0;
        bool have = false;
        for (int c = 0; c < w; ++c) {
            const double xa = s.xLeft + c * xpp, xb = xa + xpp;
            int64_t k0 = static_cast<int64_t>(std::ceil((xa - x0) / dt));
            int64_t k1 = static_cast<int64_t>(std::ceil((xb - x0) / dt));
            k0 = std::max<int64_t>(k0, 0);
            k1 = std::min<int64_t>(k1, n);
            if (k0 >= k1) {
                have = have && k0 < n;
                continue;
            }
            double lo = v[k0], hi = v[k0];
            for (int64_t k = k0 + 1; k < k1; ++k) {
                const double q = v[k];
                lo = q < lo ? q : lo;
                hi = q > hi ? q : hi;
            }
            const double xpx = plot.left() + c + 0.5;
            const double ylo = py(lo), yhi = py(hi);
            if (have) lines.append(QLineF(xpx - 1, lastY, xpx, py(v[k0])));
            lines.append(QLineF(xpx, ylo, xpx, yhi == ylo ? ylo + 0.01 : yhi));
            lastY = py(v[k1 - 1]);
            have = true;
        }
        p.drawLines(lines);
        return;
    }
    int64_t k0 = static_cast<int64_t>(std::floor((s.xLeft - x0) / dt)) - 1;
    int64_t k1 = static_cast<int64_t>(std::ceil((s.xLeft + plot.width() * xpp - x0) / dt)) + 2;
    k0 = std::max<int64_t>(k0, 0);
    k1 = std::min<int64_t>(k1, n);
    if (k0 >= k1) return;
    QPolygonF poly;
    poly.reserve(static_cast<int>(k1 - k0));
    for (int64_t k = k0; k < k1; ++k) poly.append(QPointF(xPixel(plot, s, x0 + k * dt), py(v[k])));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawPolyline(poly);
    if (t->showPoints || samplesPerPixel < 0.08) {
        const double r = t->showPoints ? t->pointSize / 2.0 : 2.0;
        for (const QPointF& q : poly) {
            p.drawLine(QPointF(q.x() - r, q.y() - r), QPointF(q.x() + r, q.y() + r));
            p.drawLine(QPointF(q.x() - r, q.y() + r), QPointF(q.x() + r, q.y() - r));
        }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void ChartPainter::paintLegend(QPainter& p, const QRect& plot, const ChartViewState& s) {
    // One line per shown trace, top right.
    const QFontMetrics lfm = p.fontMetrics();
    int w = 0, rowsShown = 0;
    for (const auto& d : s.displays)
        if (d.trace && !d.hidden) {
            w = std::max(w, lfm.horizontalAdvance(QString::fromStdString(legendLabel(*d.trace))));
            ++rowsShown;
        }
    if (rowsShown == 0) return;
    const int lh = lfm.height();
    const QRect box(plot.right() - w - 40, plot.top() + 6, w + 32, rowsShown * lh + 8);
    p.fillRect(box, QColor(255, 255, 255, 215));
    p.setPen(QPen(QColor(190, 190, 190), 0));
    p.drawRect(box);
    int y = box.top() + 4;
    for (size_t i = 0; i < s.displays.size(); ++i) {
        const TraceDisplay& d = s.displays[i];
        if (!d.trace || d.hidden) continue;
        const QColor c = traceColour(*d.trace, static_cast<int>(i));
        p.setPen(QPen(c, static_cast<int>(i) == s.active ? 3 : 2));
        p.drawLine(box.left() + 6, y + lh / 2, box.left() + 22, y + lh / 2);
        p.setPen(static_cast<int>(i) == s.active ? Qt::black : QColor(70, 70, 70));
        p.drawText(QRect(box.left() + 27, y, w + 4, lh), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(legendLabel(*d.trace)));
        y += lh;
    }
}

void ChartPainter::paintMarkers(QPainter& p, const QRect& plot, const ChartViewState& s, const ZchartDoc& doc) {
    // A box standing on a pole at the marker's x.
    const QFontMetrics fm = p.fontMetrics();
    const auto boxes = markerBoxes(plot, s, doc, fm);
    for (size_t i = 0; i < boxes.size(); ++i) {
        const QRect& b = boxes[i];
        if (b.isEmpty()) continue;
        const CMarker& m = doc.markers()[i];
        p.setPen(QPen(Qt::black, 0));
        const int poleLen = std::max(1, m.pole) * fm.height();
        p.drawLine(b.right(), b.bottom(), b.right(), b.bottom() + poleLen);
        p.setPen(QPen(QColor(150, 150, 150), 0, Qt::DotLine));
        p.drawLine(b.right(), b.bottom() + poleLen, b.right(), plot.bottom());
        p.setPen(QPen(Qt::black, 0));
        p.fillRect(b, s.printing ? QColor(Qt::white) : QColor(235, 235, 235));
        p.drawRect(b);
        QString label = QString::fromStdString(m.label);
        if (s.printing) label = label.left(std::max(1, m.width));
        p.drawText(b.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
        if (static_cast<int>(i) == s.selectedMarker && !s.printing) {
            p.setPen(QPen(QColor(30, 90, 220), 2));
            p.drawRect(b.adjusted(-2, -2, 2, 2));
        }
    }
}

void ChartPainter::paintCursor(QPainter& p, const QRect& plot, const ChartViewState& s) {
    if (!(s.cursorX > -1e299) || s.printing) return;
    p.setPen(QPen(QColor(60, 60, 60), 0, Qt::DashLine));
    const int x = static_cast<int>(std::lround(xPixel(plot, s, s.cursorX)));
    p.drawLine(x, plot.top(), x, plot.bottom());
}

std::vector<QRect> ChartPainter::markerBoxes(const QRect& plot, const ChartViewState& s, const ZchartDoc& doc,
                                             const QFontMetrics& fm) {
    std::vector<QRect> out;
    for (const ZRect& b :
         ChartToolController::markerBoxes(s, doc.markers(), plot.width(), fm.averageCharWidth(), fm.height()))
        out.push_back(b.isEmpty() ? QRect() : QRect(plot.left() + b.left, plot.top() + b.top, b.width(), b.height()));
    return out;
}

void ChartPainter::paintXAxis(QPainter& p, const QRect& strip, const ChartViewState& s, CAxis& axis,
                              const std::string& units) {
    p.fillRect(strip, QColor(246, 246, 248));
    const QFontMetrics fm = p.fontMetrics();
    const bool time = isTimeUnit(units);
    axis.timeAxis = time;
    axis.measure(fm.averageCharWidth(), fm.height(), true);
    axis.length = strip.width();
    const double xpp = s.xPerPixel > 0 ? s.xPerPixel : 1.0;
    axis.startPixel = static_cast<int>(std::floor(s.xLeft / xpp));
    axis.setScale(xpp);
    const std::string unitText = time ? axis.unitLabel : units;
    const double conv = axis.requestedScale != 0 ? axis.unitsPerPixel / axis.requestedScale : 1.0;
    const QString ul = QString::fromStdString(unitText);
    const int ulw = fm.horizontalAdvance(ul);
    const QRect unitBox(strip.center().x() - ulw / 2 - 4, strip.top() + fm.height() + 2, ulw + 8, fm.height());
    p.setPen(Qt::black);
    p.drawLine(strip.left(), strip.top(), strip.right(), strip.top());
    for (const auto& t : axis.ticks()) {
        const double xv = t.value / conv;
        const int x = strip.left() + static_cast<int>(std::lround((xv - s.xLeft) / xpp));
        if (x < strip.left() || x > strip.right()) continue;
        p.drawLine(x, strip.top(), x, strip.top() + (t.major ? axis.majorTickLength : axis.minorTickLength));
        if (t.major) {
            const QString label = QString::fromStdString(t.label);
            const QRect lr(x + 2, strip.top() + axis.majorTickLength - 2, fm.horizontalAdvance(label) + 2, fm.height());
            if (!lr.intersects(unitBox) && lr.right() < strip.right()) p.drawText(lr, Qt::AlignLeft | Qt::AlignTop, label);
        }
    }
    p.drawText(unitBox, Qt::AlignCenter, ul);
}

void ChartPainter::paintYAxis(QPainter& p, const QRect& strip, const QRect& plot, const ChartViewState& s,
                              const ZchartDoc& doc, CAxis& axis) {
    p.fillRect(strip, QColor(246, 246, 248));
    if (s.active < 0 || s.active >= static_cast<int>(s.displays.size())) return;
    const TraceDisplay& d = s.displays[s.active];
    if (!d.trace) return;
    const QFontMetrics fm = p.fontMetrics();
    axis.measure(fm.averageCharWidth(), fm.height(), true);
    axis.length = plot.height();
    axis.startPixel = static_cast<int>(std::floor(d.yBottom / d.yPerPixel));
    axis.setScale(d.yPerPixel);
    axis.title = d.trace->name;
    axis.unitLabel = d.trace->yUnits;
    const QColor colour = traceColour(*d.trace, s.active);
    p.setPen(Qt::black);
    p.drawLine(strip.right(), plot.top(), strip.right(), plot.bottom());
    int widest = 0;
    for (const auto& t : axis.ticks()) {
        const int y = plot.bottom() - static_cast<int>(std::lround((t.value - d.yBottom) / d.yPerPixel));
        if (y < plot.top() || y > plot.bottom()) continue;
        p.drawLine(strip.right() - (t.major ? axis.majorTickLength : axis.minorTickLength), y, strip.right(), y);
        if (t.major) {
            const QString label = QString::fromStdString(t.label);
            const int w = fm.horizontalAdvance(label);
            widest = std::max(widest, w);
            p.drawText(QRect(strip.right() - axis.majorTickLength - w - 3, y - fm.height() / 2, w + 2, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, label);
        }
    }
    // Title and units turned along the strip, left of the labels.
    QString title = QString::fromStdString(axis.title);
    if (!axis.unitLabel.empty()) title += " (" + QString::fromStdString(axis.unitLabel) + ")";
    p.save();
    p.setPen(colour);
    const int x = std::max(strip.left() + fm.height(), strip.right() - axis.majorTickLength - widest - 8);
    p.translate(x, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fm.height(), plot.height(), fm.height()), Qt::AlignCenter,
               fm.elidedText(title, Qt::ElideRight, plot.height()));
    p.restore();
}

}  // namespace ordavia
