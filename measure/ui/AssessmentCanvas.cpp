#include "measure/ui/AssessmentCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include "measure/AssessmentMarks.h"

namespace ordavia {

AssessmentCanvas::AssessmentCanvas(QImage picture, const CapillaryAssessment& a, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)), a_(a) {
    setObjectName("assessmentCanvas");
    setMinimumSize(320, 256);
    setCursor(Qt::CrossCursor);
}

QSize AssessmentCanvas::sizeHint() const {
    if (picture_.isNull()) return {640, 512};
    return picture_.size().scaled(800, 640, Qt::KeepAspectRatio);
}

QRectF AssessmentCanvas::target() const {
    if (picture_.isNull()) return {};
    const QSizeF s = QSizeF(picture_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return {(width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height()};
}

void AssessmentCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRectF box = target();
    if (box.isEmpty()) return;
    p.drawImage(box, picture_);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = box.width() / picture_.width();
    const auto at = [&](const AssessPoint& v) { return QPointF(box.x() + v.x * f, box.y() + v.y * f); };
    for (const AssessmentMark& m : assessmentMarks(a_)) {
        QPen pen(QColor::fromRgb(m.colour), m.bold ? 5 : 2);
        if (m.byHand) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (m.kind == AssessmentMark::kRing) {
            const double r = std::max(4.0, m.radius * f);
            p.drawEllipse(at(m.points[0]), r, r);
            continue;
        }
        QPolygonF poly;
        for (const AssessPoint& v : m.points) poly << at(v);
        if (m.kind == AssessmentMark::kOutline) p.drawPolygon(poly);
        else p.drawPolyline(poly);
    }
}

void AssessmentCanvas::mousePressEvent(QMouseEvent* e) {
    const QRectF box = target();
    if (e->button() != Qt::LeftButton || box.isEmpty() || !clicked) return;
    const double f = picture_.width() / box.width();
    const QPointF w = e->position();
    if (!box.contains(w)) return;
    clicked((w.x() - box.x()) * f, (w.y() - box.y()) * f);
}

}  // namespace ordavia
