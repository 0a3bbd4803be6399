#pragma once
// An open polyline: the dimension that lengths, line scans and capillary
// widths are taken along. Besides the vertices it keeps two derived point
// arrays, rebuilt by update() and never archived: the band outline drawn for
// a line wider than one pixel, and the curve marks left by the last
// tortuosity computation.
#include "measure/CDim.h"

class CDimLine : public CDim {
    ORDAVIA_SERIAL(CDimLine, 1)
public:
    CDimLine();
    ~CDimLine() override;

    void update() override;
    std::unique_ptr<CDim> clone() const override;
    double tortuosityRatio() const override;
    double tortuosity(double xs, double ys, int& curveCount, const ordavia::TortuosityParams& params) const override;

    // The band as a closed polygon: each vertex moved half the width to the
    // left of its segment, in vertex order, then to the right, in reverse
    // order. Empty with fewer than two vertices.
    const std::vector<ordavia::ZPoint>& bandOutline() const { return band_; }
    // Whether the line is drawn as its band outline rather than a polyline.
    bool drawnAsBand() const { return width() != 1 && vertexCount() >= 2; }
    // The vertices at which the last tortuosity computation closed a curve.
    const std::vector<ordavia::ZPoint>& curveMarks() const { return curveMarks_; }

private:
    std::vector<ordavia::ZPoint> band_;
    // Derived drawing data refreshed by the (logically const) measure.
    mutable std::vector<ordavia::ZPoint> curveMarks_;
};
