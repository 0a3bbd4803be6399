#include "video/WidthAgainstTime.h"

#include <vector>

#include "base/Text.h"
#include "chart/CTrace.h"
#include "chart/ZchartDoc.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/CapillaryWidth.h"
#include "video/CMotivaDoc.h"

namespace ordavia {

Result<std::unique_ptr<ZchartDoc>> widthAgainstTime(CMotivaDoc& video, const std::function<bool(int)>& progress) {
    const int frames = video.frameCount();
    if (frames <= 0) return Status::failure("the video has no frames");
    auto chart = std::make_unique<ZchartDoc>();
    if (DocTemplate* t = video.services().findTemplate("ZchartDoc")) chart->setDocTemplate(t);
    video.lendServicesTo(*chart);
    chart->OnNewDocument();
    chart->SetTitle(video.GetTitle() + " Capillary Widths v time");
    const double fps = video.framesPerSecond() > 0 ? video.framesPerSecond() : 25.0;

    const CDimList& list = video.currentDimList();
    std::vector<int> lines;
    std::vector<CTrace*> traces;
    for (int i = 0; i < list.count(); ++i) {
        if (!dynamic_cast<const CDimLine*>(list.at(i)) || list.at(i)->vertexCount() < 2) continue;
        CTrace* t = chart->newTrace(8, static_cast<uint32_t>(frames), true);
        if (!t) return Status::failure(StatusCode::NoMemory, "no memory for the width traces");
        t->name = strprintf("line %d width", i + 1);
        t->xInterval = 1.0 / fps;
        t->xUnits = "secs";
        t->yUnits = video.unitsInEffect();
        lines.push_back(i);
        traces.push_back(t);
    }
    const ProfileStore* profile = video.services().profileStore;
    const WidthSettings ws = profile ? WidthSettings::read(*profile) : WidthSettings{};
    for (int k = 0; k < frames && !lines.empty(); ++k) {
        video.goToFrame(k);
        for (size_t j = 0; j < lines.size(); ++j) {
            const LineWidth w = measureLineWidth(video.image(), *list.at(lines[j]), video.xScaleInEffect(),
                                                 video.yScaleInEffect(), ws, video.importWeights());
            traces[j]->data->setAt(static_cast<uint32_t>(k), w.found() ? w.units : -1.0);
        }
        if (progress && !progress(k)) {
            video.goToFrame(0);
            return Status::cancelled();
        }
    }
    video.goToFrame(0);
    chart->startUnmodified();
    return chart;
}

}  // namespace ordavia
