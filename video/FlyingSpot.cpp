#include "video/FlyingSpot.h"

#include <algorithm>
#include <cmath>

#include "base/Paths.h"
#include "chart/CTrace.h"
#include "chart/ZchartDoc.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "video/CMotivaDoc.h"

void CMotivaDoc::fitFlyingSpot() {
    const size_t n = size_t(std::max(0, frameCount()));
    if (flyingSpot_.size() != n) flyingSpot_.assign(n, 0.0);
}

void CMotivaDoc::setFlyingSpotValue(int frame, double v) {
    fitFlyingSpot();
    if (frame < 0 || size_t(frame) >= flyingSpot_.size() || !std::isfinite(v) || flyingSpot_[size_t(frame)] == v) return;
    flyingSpot_[size_t(frame)] = v;
    SetModifiedFlag();
}

namespace ordavia {

long flyingSpotLengthPerField(const CMotivaDoc& video) {
    const CDim* d = video.currentDimList().currentObject();
    if (!dynamic_cast<const CDimLine*>(d)) return -1;
    const double len = d->length(video.xScaleInEffect(), video.yScaleInEffect());
    const double v = std::trunc(len * video.framesPerSecond() * 0.5);
    return std::isfinite(v) ? long(v) : -1;
}

std::string flyingSpotChartTitle(const std::string& movieFileName) {
    std::string t = withoutExtension(fileNameOf(movieFileName)) + " Flying spot velocity";
    std::replace(t.begin(), t.end(), ' ', '-');
    return t;
}

Result<std::unique_ptr<ZchartDoc>> flyingSpotChart(CMotivaDoc& video) {
    video.fitFlyingSpot();
    const std::vector<double>& v = video.flyingSpot();
    auto chart = std::make_unique<ZchartDoc>();
    video.lendServicesTo(*chart);
    if (!chart->OnNewDocument()) return Status::failure("the chart could not be made");
    chart->SetTitle(flyingSpotChartTitle(video.movieFileName()));
    CTrace* t = chart->newTrace(8, uint32_t(v.size()), true);
    if (!t) return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    for (size_t i = 0; i < v.size(); ++i) t->data->setD(i, v[i]);
    t->name = "velocity";
    t->xInterval = 1.0 / (video.framesPerSecond() > 0 ? video.framesPerSecond() : 25.0);
    t->xUnits = "secs";
    t->yUnits = video.unitsInEffect() + "/s";
    chart->startUnmodified();
    return chart;
}

}  // namespace ordavia
