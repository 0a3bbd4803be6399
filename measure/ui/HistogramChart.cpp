#include "measure/ui/HistogramChart.h"

#include <QPainter>
#include <algorithm>

namespace ordavia {

HistogramChart::HistogramChart(const std::array<int64_t, 256>& bins, QWidget* parent) : QWidget(parent), bins_(bins) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMinimumSize(300, 180);
}

QString HistogramChart::summary() const {
    int64_t n = 0;
    double sum = 0;
    int lo = -1, hi = -1;
    for (int v = 0; v < 256; ++v) {
        if (bins_[static_cast<size_t>(v)] == 0) continue;
        n += bins_[static_cast<size_t>(v)];
        sum += double(v) * double(bins_[static_cast<size_t>(v)]);
        if (lo < 0) lo = v;
        hi = v;
    }
    if (n == 0) return "No pixels: the region lies outside the picture.";
    return QString("N=%1  mean=%2  min=%3  max=%4").arg(n).arg(sum / double(n), 0, 'f', 2).arg(lo).arg(hi);
}

void HistogramChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const int64_t top = std::max<int64_t>(1, *std::max_element(bins_.begin(), bins_.end()));
    const QString topText = QString::number(top);
    const int left = fm.horizontalAdvance(topText) + 12, bottom = fm.height() * 2 + 6, head = fm.height() + 10;
    const QRect plot(left, head, std::max(10, width() - left - 16), std::max(10, height() - bottom - head));
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QRect(left, 2, plot.width(), fm.height() + 4), Qt::AlignLeft | Qt::AlignVCenter, summary());
    p.drawRect(plot);
    auto X = [&](double v) { return plot.left() + v / 256.0 * plot.width(); };
    for (int v = 0; v <= 250; v += 50) {
        p.drawLine(QPointF(X(v + 0.5), plot.bottom()), QPointF(X(v + 0.5), plot.bottom() + 4));
        p.drawText(QRectF(X(v + 0.5) - 20, plot.bottom() + 5, 40, fm.height()), Qt::AlignHCenter, QString::number(v));
    }
    p.drawText(QRectF(0, plot.top() - fm.height() / 2.0, left - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               topText);
    p.drawText(QRectF(0, plot.bottom() - fm.height() / 2.0, left - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               "0");
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height() + 5, plot.width(), fm.height()), Qt::AlignHCenter,
               "grey level");
    const QColor bar(40, 60, 160);
    for (int v = 0; v < 256; ++v) {
        const int64_t c = bins_[static_cast<size_t>(v)];
        if (c == 0) continue;
        const double h = double(c) / double(top) * (plot.height() - 1);
        p.fillRect(QRectF(X(v), plot.bottom() - h, std::max(1.0, X(v + 1) - X(v)), h), bar);
    }
}

}  // namespace ordavia
