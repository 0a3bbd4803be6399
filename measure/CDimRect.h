#pragma once
// A rectangle given by two opposite corners, kept as drawn: the bounding
// rectangle is (first x, first y, second x, second y) and is not normalised,
// so the area carries the sign of the drawing direction.
#include "measure/CDim.h"

class CDimRect : public CDim {
    ORDAVIA_SERIAL(CDimRect, 1)
public:
    CDimRect();
    ~CDimRect() override;

    // Refused (-1) once both corners are set.
    int addVertex(ordavia::ZPoint p) override;
    // (bottom - top) * (right - left) * xs * ys, signed.
    double area(double xs, double ys) const override;
    // The area of the overlap with r, always positive.
    double areaInRect(const ordavia::ZRect& r, double xs, double ys) const override;
    void update() override;
    std::unique_ptr<CDim> clone() const override;

    const ordavia::ZRect& boundingRect() const { return bounds_; }

private:
    ordavia::ZRect bounds_;
};
