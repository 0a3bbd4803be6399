#include "linescan/KymographImport.h"

#include <algorithm>
#include <cmath>

#include "linescan/ZlineScanBaseDoc.h"

namespace ordavia {

Status importKymograph(ZlineScanBaseDoc& doc, const Kymograph& k, double linePeriod, double pixelSize,
                       const std::string& name) {
    if (k.times < 2 || k.points < 2 || k.values.size() != size_t(k.times) * k.points)
        return Status::failure("the kymograph needs at least two lines of two points");
    if (!(linePeriod > 0) || !std::isfinite(linePeriod) || !(pixelSize > 0) || !std::isfinite(pixelSize))
        return Status::failure("the line period and the pixel size must be positive");
    doc.DeleteContents();
    auto scan = std::make_unique<C2DTrace>(12, k.times, k.points);
    if (!scan->hasData()) {
        doc.DeleteContents();
        return Status::failure("Low memory.  Save all data & exit.");
    }
    scan->name = name;
    scan->yGroup = ZlineScanBaseDoc::kKindSource;
    scan->xInterval = linePeriod;
    scan->xUnits = "s";
    scan->yScale = pixelSize;
    scan->yUnits = "um";
    double top = 0;
    for (double v : k.values) top = std::max(top, v);
    // 8-bit pictures show as the video scans do; 16-bit ones to their brightest point.
    scan->intensityRange = top > 255 ? top : 255.0;
    scan->rangeStep = 1.25;
    scan->rangeMin = 10.0;
    scan->rangeMax = std::max(512.0, scan->intensityRange * 2);
    for (uint32_t t = 0; t < k.times; ++t) {
        for (uint32_t i = 0; i < k.points; ++i)
            scan->data->setD(size_t(t) * k.points + i, std::clamp(k.values[size_t(t) * k.points + i], 0.0, 65535.0));
        scan->extent->setD(t, double(k.points));
    }
    doc.addTrace(std::move(scan), true);
    doc.findTraces();
    if (!doc.makeResultTraces(k.points, k.times)) return Status::failure("Low memory.  Save all data & exit.");
    doc.recalculate();
    doc.startAsUnsaved();
    doc.UpdateAllViews(nullptr, ZchartDoc::kHintTraces);
    return Status::success();
}

}  // namespace ordavia
