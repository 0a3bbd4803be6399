#include "measure/ui/GreyLevelChart.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace ordavia {

namespace {
// A tick step of 1, 2 or 5 times a power of ten giving about `wanted` ticks.
double niceStep(double range, int wanted) {
    if (range <= 0) return 1;
    const double raw = range / wanted;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (raw <= f * p) return f * p;
    return 10 * p;
}
}  // namespace

GreyLevelChart::GreyLevelChart(std::vector<int> values, QWidget* parent)
    : QWidget(parent), values_(std::move(values)) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMinimumSize(240, 160);
}

void GreyLevelChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const int left = fm.horizontalAdvance("0000") + 12, bottom = fm.height() * 2 + 6;
    const QRect plot(left, 10, std::max(10, width() - left - 16), std::max(10, height() - bottom - 10));
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(plot);
    // Grey levels run 0..255; positions 0..n-1.
    const double n = std::max<size_t>(values_.size(), 2) - 1;
    auto X = [&](double i) { return plot.left() + i / n * plot.width(); };
    auto Y = [&](double v) { return plot.bottom() - v / 255.0 * plot.height(); };
    for (int v = 0; v <= 250; v += 50) {
        p.drawLine(QPointF(plot.left() - 4, Y(v)), QPointF(plot.left(), Y(v)));
        p.drawText(QRectF(0, Y(v) - fm.height() / 2.0, left - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v));
    }
    const double step = niceStep(n, 8);
    for (double i = 0; i <= n + 1e-9; i += step) {
        p.drawLine(QPointF(X(i), plot.bottom()), QPointF(X(i), plot.bottom() + 4));
        p.drawText(QRectF(X(i) - 30, plot.bottom() + 5, 60, fm.height()), Qt::AlignHCenter, QString::number(i));
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height() + 5, plot.width(), fm.height()), Qt::AlignHCenter,
               "pixels along the line");
    if (values_.empty()) {
        p.drawText(plot, Qt::AlignCenter, "No grey levels: the line lies outside the picture.");
        return;
    }
    QPolygonF line;
    line.reserve(static_cast<int>(values_.size()));
    for (size_t i = 0; i < values_.size(); ++i) line << QPointF(X(double(i)), Y(values_[i]));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0, 0, 200), 1.5));
    if (values_.size() == 1)
        p.drawEllipse(line[0], 2, 2);
    else
        p.drawPolyline(line);
}

}  // namespace ordavia
