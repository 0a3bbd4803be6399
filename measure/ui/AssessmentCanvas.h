#pragma once
// The picture of an assessment review with its findings painted over it,
// scaled to fit; a left click is handed on in picture coordinates.
#include <functional>

#include <QImage>
#include <QWidget>

namespace ordavia {

struct CapillaryAssessment;

class AssessmentCanvas : public QWidget {
    Q_OBJECT
public:
    AssessmentCanvas(QImage picture, const CapillaryAssessment& a, QWidget* parent = nullptr);
    std::function<void(double x, double y)> clicked;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QRectF target() const;
    QImage picture_;
    const CapillaryAssessment& a_;
};

}  // namespace ordavia
