#include "linescan/CapillaryFlux.h"

#include <algorithm>
#include <cmath>

#include "framework/AppServices.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/CapillaryWidth.h"
#include "measure/ImageToolController.h"
#include "measure/ZBasicDoc.h"

namespace ordavia {

double lineDiameter(const ZBasicDoc& video, int index) {
    const CDim* line = video.currentDimList().at(index);
    if (!line || line->vertexCount() < 2 || video.image().isEmpty()) return -1;
    const std::vector<ZPoint> path = ImageToolController::pathPixels(*line);
    if (path.size() < 3) return -1;
    // Across the capillary where the middle of the line lies on it: a line
    // that follows a bend has its chord's midpoint off the vessel.
    const size_t mid = path.size() / 2;
    const ZPoint a = path[mid >= 3 ? mid - 3 : 0], b = path[std::min(mid + 3, path.size() - 1)];
    const double len = std::hypot(double(b.x - a.x), double(b.y - a.y));
    if (len == 0) return -1;
    const double nx = -(b.y - a.y) / len, ny = (b.x - a.x) / len;
    // Long enough for a wide vessel at a high magnification, short enough
    // to keep its neighbours out.
    const double half = std::clamp(line->length(1, 1) / 2, 12.0, 32.0);
    CDimLine across;
    const ZPoint c = path[mid];
    across.addVertex({static_cast<int>(std::lround(c.x - half * nx)), static_cast<int>(std::lround(c.y - half * ny))});
    across.addVertex({static_cast<int>(std::lround(c.x + half * nx)), static_cast<int>(std::lround(c.y + half * ny))});
    const WidthSettings ws = video.hasServices() ? WidthSettings::read(video.services().profile()) : WidthSettings{};
    const LineWidth w = measureLineWidth(video.image(), across, video.xScaleInEffect(), video.yScaleInEffect(), ws,
                                         video.importWeights());
    return w.found() ? w.units : -1;
}

double bloodFlux(double diameter, double velocity) {
    if (diameter < 0) return -1;
    return std::acos(-1.0) * diameter * diameter * velocity * 0.25;
}

}  // namespace ordavia
