#include "linescan/LineScanSettings.h"

#include <algorithm>

#include "framework/AppServices.h"
#include "linescan/LineScanSampler.h"
#include "measure/CDim.h"
#include "video/CMotivaDoc.h"

namespace ordavia {

LineScanSettings lineScanSettings(const CMotivaDoc& video, const CDim& line, const AppServices* services) {
    LineScanSettings s;
    if (services && services->profileStore) s.params.load(*services->profileStore);
    // A document's rate is never 0 once read; a damaged one must not
    // divide by zero here.
    s.framesPerSecond = video.framesPerSecond() > 0 ? video.framesPerSecond() : 25.0;
    s.points = static_cast<uint32_t>(LineScanSampler::linePoints(line).size());
    s.lengthPerPoint = LineScanSampler::spacing(video, line, s.points);
    s.units = video.unitsInEffect();
    const int n = video.frameCount();
    s.first = video.selectionFirst() < 0 ? 0 : std::min(video.selectionFirst(), n);
    s.last = video.selectionLast() < 0 ? n : std::min(video.selectionLast(), n);
    return s;
}

}  // namespace ordavia
