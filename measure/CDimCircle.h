#pragma once
// A circle given by the two ends of a diameter. Its bounding rectangle is
// derived from the vertices and rebuilt by update().
#include "measure/CDim.h"

class CDimCircle : public CDim {
    ORDAVIA_SERIAL(CDimCircle, 1)
public:
    CDimCircle();
    ~CDimCircle() override;

    // Refused (-1) once the two diameter ends are set.
    int addVertex(ordavia::ZPoint p) override;
    double area(double xs, double ys) const override;
    // The whole area when the bounding rectangle meets r, else 0.
    double areaInRect(const ordavia::ZRect& r, double xs, double ys) const override;
    void update() override;
    std::unique_ptr<CDim> clone() const override;

    // Half the distance between the two vertices, in pixels.
    double radius() const;
    // Centre plus and minus the radius, each edge truncated towards zero.
    const ordavia::ZRect& boundingRect() const { return bounds_; }

private:
    ordavia::ZRect bounds_;
};
