#include "doppler/SavedDopplerSummary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "base/Text.h"
#include "chart/ZchartDoc.h"
#include "doppler/SaturationWatch.h"
#include "doppler/ZcommonTRVDoc.h"

namespace ordavia {

std::string SavedDopplerSummary::why() const {
    if (saturated)
        return strprintf("saturated: in %.0f %% of the spectra the Doppler shift sits at the top of the band; the "
                         "velocity follows the noise and is not a measurement",
                         100.0 * saturatedShare);
    if (!pulses.hasBeats()) return "not measured: the velocity has no beats (silence, a flat signal or a recording "
                                   "shorter than a beat)";
    return {};
}

std::optional<SavedDopplerSummary> summariseSavedDoppler(const ZchartDoc& doc) {
    const CTrace* cbv = doc.findTrace(ZcommonTRVDoc::kCbvName);
    const auto* sp = dynamic_cast<const CDopTrace*>(doc.findTrace(ZcommonTRVDoc::kSpectrumName));
    if (!cbv || !sp || !cbv->hasData() || !sp->hasData()) return std::nullopt;
    SavedDopplerSummary s;
    s.velocities = cbv->sampleCount();
    s.period = cbv->xInterval;
    s.units = cbv->yUnits;
    s.spectrumPoints = unsigned(sp->width());
    s.bandwidthHz = sp->extentAt(sp->head);

    // The recording's order: from the ring's head, the oldest block. The
    // trace stores each block's shift in Hz (its scale makes the velocity),
    // so the shift in bins says whether the block read the top of the band.
    const uint32_t n = s.velocities;
    const int bins = int(s.spectrumPoints);
    const double binHz = bins > 0 && s.bandwidthHz > 0 ? s.bandwidthHz / bins : 0.0;
    SaturationWatch watch;
    std::vector<double> v;
    v.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t at = (cbv->head + i) % n;
        v.push_back(cbv->physical(at));
        // Method 2 judges the shift alone: the saved file keeps no threshold.
        if (binHz > 0) watch.add(std::round(cbv->data->valueAt(at) / binHz), bins, 0.0, std::numeric_limits<int32_t>::max(), 2);
    }
    s.saturated = watch.saturated();
    s.saturatedShare = watch.blocks() ? double(watch.saturatedBlocks()) / double(watch.blocks()) : 0.0;
    runningFilter(v, s.period, kSavedSmoothSeconds);
    const int w = std::max(1, int(std::lround(kSavedHalfWidthSeconds / (s.period > 0 ? s.period : 1.0))));
    s.pulses = summarisePulses(v, w);
    return s;
}

}  // namespace ordavia
