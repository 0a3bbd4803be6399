#pragma once
// A closed polygon: lengths, extents and clipped lengths run over the closed
// path, and the area is the shoelace area of the vertices.
#include "measure/CDim.h"

class CDimPolygon : public CDim {
    ORDAVIA_SERIAL(CDimPolygon, 1)
public:
    CDimPolygon();
    ~CDimPolygon() override;

    // |sum (y[i] + y[i+1]) (x[i] - x[i+1])| * xs * ys / 2 with wrap-around.
    double area(double xs, double ys) const override;
    // The whole area when any vertex lies inside r, else 0.
    double areaInRect(const ordavia::ZRect& r, double xs, double ys) const override;
    // The mean of the vertices (integer mean for the point).
    ordavia::ZPoint centre(double& x, double& y) const override;
    std::unique_ptr<CDim> clone() const override;

protected:
    bool closedPath() const override { return true; }
};
