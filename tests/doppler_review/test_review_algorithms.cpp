#include <gtest/gtest.h>

#include "chart/TraceAlgorithms.h"
#include "doppler/ReviewAlgorithms.h"
#include "support/DopplerSpectrum.h"

using namespace ordavia;

namespace {

// The highest bin above 500, trimming the bins above it as "cutDopTop" does.
double edgeAndTrim(double* p, uint32_t n) {
    const uint32_t e = levelEdge(p, n, 500.0);
    for (uint32_t k = e + 1; k < n; ++k) p[k] = 0.0;
    return e;
}

}  // namespace

TEST(ReviewVelocity, RingRowsTakeTheirEdgeThroughTheFilterAndKeepTheirTrim) {
    auto s = test::dopplerSpectrum({10, 60, 30, 40, 50});
    s->extent->setD(4, 0.0);                // a row that was never filled
    s->data->setAt(0, 20u, 400.0);          // below the level: trimmed away
    CTrace cbv(8, 5);
    cbv.data->fill(-1.0);
    // From row 3 around the ring to row 1: rows 3, 4, 0.
    EXPECT_EQ(velocityFromSpectrum(*s, 3, 1, edgeAndTrim, cbv), 3u);
    const double want[] = {10 * 0.5, -1, -1, 40 * 0.5, 0};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(cbv.data->getD(i), want[i]) << i;
    EXPECT_EQ(s->data->valueAt(0, 20), 0.0f);
    EXPECT_EQ(s->data->valueAt(0, 5), 1000.0f);

    // A jump the chart's filter rejects keeps the value before it.
    ArtifactFilter f;
    f.upperMode = ArtifactFilter::Reject;
    f.upper = 20.0;
    ASSERT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, cbv, &f), 5u);
    EXPECT_DOUBLE_EQ(cbv.data->getD(1), 10 * 0.5);
    EXPECT_DOUBLE_EQ(cbv.data->getD(2), 30 * 0.5);

    // A target shorter than the spectrum is refused.
    CTrace shortTarget(8, 4);
    EXPECT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, shortTarget), 0u);
}
