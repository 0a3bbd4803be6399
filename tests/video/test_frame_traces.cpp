// Traces of a video, one point per frame: "Focus check video" on synthetic
// focus sweeps, its chart, and the flying spot.
#include <gtest/gtest.h>

#include "chart/CTrace.h"
#include "chart/ZchartDoc.h"
#include "tests/support/MemoryMovie.h"
#include "tests/support/SyntheticMovie.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "measure/CDimLine.h"
#include "video/FlyingSpot.h"
#include "video/FocusCheck.h"

using namespace ordavia;

TEST(FocusSweep, TheFocusCheckRanksASyntheticSweepByItsBlur) {
    // Nailfold videos swept through focus while cells flow, the light
    // drifts and the scene sways; the sensor's noise comes after the blur.
    // The second sweep is slow and noisy: the sharp frame's neighbours
    // differ by a few hundredths of a pixel of blur.
    for (const auto& [noise, step] : {std::pair{3.0, 0.4}, std::pair{8.0, 0.25}}) {
        SyntheticVideo::Params p;
        p.seed = 11, p.frames = 17, p.width = 320, p.height = 240, p.defocusFrame = 6;
        p.noiseSigma = noise, p.defocusStep = step;
        test::TestServices ts;
        CMotivaDoc video;
        ts.adopt(video);
        ASSERT_TRUE(video.OnNewDocument());
        SyntheticVideo gen;
        testsupport::recordSynthetic(gen, p, video.movie());
        const std::vector<double>& sigma = gen.truth().blurSigma;
        for (int bits : {2, 4, 1}) {
            const Result<FocusSeries> s = focusSeries(video, bits, 5, 2);
            ASSERT_TRUE(s);
            // Of the pairs of frames whose blur differs by 2 % or more, how
            // many the measure puts in the order of their blur.
            int pairs = 0, right = 0;
            for (size_t i = 0; i < sigma.size(); ++i)
                for (size_t j = i + 1; j < sigma.size(); ++j)
                    if (std::max(sigma[i], sigma[j]) >= 1.02 * std::min(sigma[i], sigma[j]))
                        ++pairs, right += (sigma[i] < sigma[j]) == (s->values[i] > s->values[j]);
            EXPECT_LE(std::abs(s->best - p.defocusFrame), 1) << bits;
            EXPECT_GE(right, pairs * 9 / 10) << bits;
        }
        EXPECT_TRUE(focusSeries(video, 2, 5, 2, [&](int f) { return f < 4; }).isCancelled());
    }
}

TEST(FrameTraces, TheFocusChartHoldsTheDocumentedTracesAndTheFlyingSpotFollowsTheMovie) {
    test::TestServices ts;
    CMotivaDoc video;
    ts.adopt(video);
    video.OnNewDocument();
    testsupport::memoryMovie(video.movie(), 9, 64, 48,
                             [](int k, int x, int y) { return (k * 37 + x * 11 + y * 5 + x * y) % 200; });
    video.setFramesPerSecond(50);
    {
        SCOPED_TRACE("focus check chart");
        // The defaults: thresholds from 2 to 2 make no measure trace.
        Result<std::unique_ptr<ZchartDoc>> plain = focusCheckChart(video, FocusCheckSettings{}, 2);
        ASSERT_TRUE(plain);
        ASSERT_EQ(plain.value()->traceCount(), 1);
        EXPECT_DOUBLE_EQ(plain.value()->trace(0)->xInterval, 0.02);
        // Gaps 5 to 30 in steps of 25 / 6 = 4 and thresholds 2, 3: 7 x 2 traces.
        FocusCheckSettings s;
        s.thresholdTo = 4;
        Result<std::unique_ptr<ZchartDoc>> full = focusCheckChart(video, s, 2);
        ASSERT_TRUE(full);
        ASSERT_EQ(full.value()->traceCount(), 15);
        EXPECT_EQ(full.value()->trace(14)->name, "fnessg29t3");
        const Result<FocusSeries> cli = focusSeries(video, 2, 5, 2);
        for (int k = 0; k < 9; ++k) EXPECT_DOUBLE_EQ(full.value()->trace(1)->data->getD(size_t(k)), cli->values[size_t(k)]);
        EXPECT_EQ(video.currentFrame(), 0);
    }
    {
        SCOPED_TRACE("flying spot");
        // Values of another length (a movie edited since) start again at 0.
        video.setFlyingSpotValue(2, 7.5);
        EXPECT_TRUE(video.IsModified());
        EXPECT_EQ(video.flyingSpot(), (std::vector<double>{0, 0, 7.5, 0, 0, 0, 0, 0, 0}));
        Result<std::unique_ptr<ZchartDoc>> c = flyingSpotChart(video);
        ASSERT_TRUE(c);
        EXPECT_EQ(c.value()->trace(0)->data->getD(2), 7.5);
        // A line of 30 pixels at 50 frames per second: 750 per field period.
        EXPECT_EQ(flyingSpotLengthPerField(video), -1);
        auto line = std::make_unique<CDimLine>();
        line->addVertex({10, 10});
        line->addVertex({28, 34});
        video.currentDimList().setCurrent(video.addObject(std::move(line)));
        EXPECT_EQ(flyingSpotLengthPerField(video), 750);
    }
}
