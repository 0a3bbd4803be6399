#include "measure/AssessmentOverlay.h"

#include <algorithm>
#include <cmath>

#include "image/CZVimage.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

namespace {

struct Pen {
    CZVimage& img;
    uint8_t b, g, r;
    void dot(double cx, double cy, int radius) const {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx) {
                const int x = static_cast<int>(std::lround(cx)) + dx, y = static_cast<int>(std::lround(cy)) + dy;
                if (x < 0 || y < 0 || x >= img.width() || y >= img.rows() || dx * dx + dy * dy > radius * radius) continue;
                uint8_t* p = img.row(y) + 3 * x;
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
    }
    void line(AssessPoint a, AssessPoint c, int radius = 0) const {
        const double len = std::hypot(c.x - a.x, c.y - a.y);
        const int steps = std::max(1, static_cast<int>(len * 2));
        for (int i = 0; i <= steps; ++i) dot(a.x + (c.x - a.x) * i / steps, a.y + (c.y - a.y) * i / steps, radius);
    }
};

}  // namespace

bool drawAssessment(const CZVimage& src, const CapillaryAssessment& a, CZVimage& out) {
    if (src.isEmpty()) return false;
    const CZVimage* s = &src;
    CZVimage colour;
    if (src.colour() == CZVimage::kBayer && src.demosaicTo(colour)) s = &colour;
    out = CZVimage(s->width(), s->rows(), -1, CZVimage::kFrame, CZVimage::kColour);
    if (out.isEmpty()) return false;
    for (int y = 0; y < out.rows(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const uint8_t* p = s->row(y) + x * s->bytesPerPixel();
            for (int c = 0; c < 3; ++c) out.row(y)[3 * x + c] = s->bytesPerPixel() == 3 ? p[c] : p[0];
        }
    Pen{out, 0, 255, 255}.line(a.lineFrom, a.lineTo);
    // Gaps longer than an avascular area, along the row between the capillaries.
    const std::vector<AssessmentGap> gaps = assessmentGaps(a);
    for (const AssessmentGap& g : gaps) {
        if (g.lengthUm <= kAvascularGapUm || a.capillaries.empty()) continue;
        const AssessPoint p = g.from < 0 ? a.lineFrom : a.capillaries[static_cast<size_t>(g.from)].apex;
        const AssessPoint q = g.from + 1 >= static_cast<int>(a.capillaries.size()) ? a.lineTo
                                                                                  : a.capillaries[static_cast<size_t>(g.from + 1)].apex;
        Pen{out, 255, 80, 0}.line(p, q, 2);
    }
    for (const AssessedCapillary& c : a.capillaries) {
        const Pen pen = c.giant ? Pen{out, 0, 0, 255}
                        : c.dilated ? Pen{out, 0, 140, 255}
                        : !isNormalShape(c.shape) ? Pen{out, 255, 0, 255}
                                                  : Pen{out, 0, 255, 0};
        pen.dot(c.apex.x, c.apex.y, 4);
        if (c.widthFrom.x != c.widthTo.x || c.widthFrom.y != c.widthTo.y) pen.line(c.widthFrom, c.widthTo, 1);
    }
    for (const Haemorrhage& h : a.haemorrhages)
        for (size_t i = 0; i < h.outline.size(); ++i)
            Pen{out, 255, 255, 0}.line(h.outline[i], h.outline[(i + 1) % h.outline.size()]);
    return true;
}

}  // namespace ordavia
