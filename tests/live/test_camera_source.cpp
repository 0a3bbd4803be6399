// The simulated camera: the moving inverted block, the field counter,
// frame skip, the grab window and the optics the autofocus relies on.
#include <gtest/gtest.h>

#include "live/PseudoPicture.h"
#include "live/SimulatedCamera.h"
#include "tests/support/LiveFixture.h"

using namespace ordavia;
using testsupport::LiveBench;
using testsupport::livePicture;

namespace {

struct Frames : FrameReceiver {
    std::vector<int32_t> numbers;
    void frameDelivered(const CZVimage&, int32_t n) override { numbers.push_back(n); }
};

bool blockInvertedAt(const CZVimage& img, const CZVimage& orig, int x, int y) {
    for (int r = 0; r < PseudoPicture::kBlock; ++r)
        for (int c = 0; c < PseudoPicture::kBlock; ++c)
            if (img.row(y + r)[x + c] != 255 - orig.row(y + r)[x + c]) return false;
    return true;
}

}  // namespace

TEST(SimulatedCamera, BlockMovesWithTheFieldCounterFramesSkipAndTheGrabWindowIsCut) {
    LiveBench bench;
    CameraSource& cam = bench.source();
    CZVimage target;
    Frames got;
    ASSERT_TRUE(cam.startGrab(target, &got, 0, 0, 768, 576));
    EXPECT_TRUE(cam.isRunning());
    const CZVimage orig = livePicture(768, 576, CZVimage::kGrey);
    bench.ts.timers.advance(40 * 3);
    EXPECT_EQ(got.numbers, (std::vector<int32_t>{2, 4, 6}));
    EXPECT_EQ(cam.frameCounter(), 6);
    ASSERT_EQ(target.width(), 768);
    ASSERT_EQ(target.rows(), 576);
    EXPECT_TRUE(blockInvertedAt(target, orig, 6, 6));
    // Everything else is the stored picture: earlier blocks were put back.
    int differing = 0;
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 768; ++x) differing += target.row(y)[x] != orig.row(y)[x];
    EXPECT_EQ(differing, 100);
    cam.stopGrab(&got);
    EXPECT_FALSE(cam.isRunning());
    bench.ts.timers.advance(400);
    EXPECT_EQ(got.numbers.size(), 3u);

    got.numbers.clear();
    cam.setFrameSkip(2);
    // A window reaching past the picture is cut at its edge.
    ASSERT_TRUE(cam.startGrab(target, &got, 700, 500, 200, 200));
    bench.ts.timers.advance(40 * 7);
    EXPECT_EQ(got.numbers, (std::vector<int32_t>{2, 8, 14}));
    EXPECT_EQ(target.width(), 68);
    EXPECT_EQ(target.rows(), 76);
    EXPECT_EQ(target.row(0)[0], livePicture(768, 576, 0).row(500)[700]);
    cam.stopGrab(&got);

    // Colour and Bayer modes read their own pictures.
    for (const auto& [mode, kind] : {std::pair{1, int(CZVimage::kColour)}, std::pair{2, int(CZVimage::kBayer)}}) {
        cam.setColourMode(mode);
        ASSERT_TRUE(cam.startGrab(target, &got, 0, 0, 768, 512));
        bench.ts.timers.advance(40);
        EXPECT_EQ(int(target.colour()), kind) << mode;
        cam.stopGrab(&got);
    }

    // Without its picture the camera does not start.
    LiveBench empty(64, 64, false);
    EXPECT_FALSE(empty.source().startGrab(target, &got, 0, 0, 64, 64));
    EXPECT_FALSE(empty.source().isRunning());
}

TEST(CameraSettings, ProfileValuesAreClampedAndWrittenBackWhenTheSourceCloses) {
    LiveBench bench(64, 48);
    bench.ts.profile.WriteInt("Pseudo", "gain", 9);
    CameraSource& cam = bench.source();
    ASSERT_TRUE(cam.open());
    EXPECT_EQ(cam.settings().gain, 4);
    // Grey 255 at the default levels and gain 4 (factor 1.4): (0.35 + 0.35) / 1.4 volts.
    EXPECT_DOUBLE_EQ(cam.settings().voltsOf(255), 0.5);
    cam.settings().setGain(-3);
    cam.close();
    EXPECT_EQ(bench.ts.profile.GetInt("Pseudo", "gain", -1), 0);
}
