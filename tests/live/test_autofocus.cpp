// Autofocus and automatic flash against the simulated optics, whose sharp
// focus and nominal flash are known.
#include <gtest/gtest.h>

#include "live/AutoFocus.h"
#include "live/SimulatedCamera.h"
#include "live/ZBasicfgDoc.h"
#include "tests/support/LiveFixture.h"

using namespace ordavia;

namespace {

// Hands each live frame to a controller, as the live view does.
struct Driver : FrameReceiver {
    std::function<void(const CZVimage&)> onFrame;
    void frameDelivered(const CZVimage& f, int32_t) override { onFrame(f); }
};

}  // namespace

TEST(AutoFocus, FindsTheSharpPositionOfTheSimulatedOptics) {
    // On a striped test picture and on the shipped nailfold view.
    for (const bool shipped : {false, true}) {
        testsupport::LiveBench bench(320, 240);
        if (shipped) bench.ts.services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
        CameraSource& cam = bench.source();
        AutoFocus af;
        af.settings.load(bench.ts.profile);
        cam.moveFocus(0);
        CZVimage target;
        Driver d;
        d.onFrame = [&](const CZVimage& f) { af.frame(cam, f); };
        ASSERT_TRUE(cam.startGrab(target, &d, 0, 0, 768, 576));
        af.start(cam);
        bench.ts.timers.advance(40 * 40);
        ASSERT_EQ(af.state(), AutoFocus::State::Finished);
        EXPECT_LE(af.measurements(), 12);
        // The search ends in the middle of its last bracket, no wider than
        // "fminrange": at most half of it from the sharp position.
        EXPECT_LE(std::abs(cam.focusPosition() - SimulatedCamera::kSharpFocus), af.settings.minRange / 2) << shipped;
        EXPECT_EQ(cam.focusPosition(), af.result());
        // The picture there is sharper than one a step away.
        const double there = af.measure(target);
        cam.moveFocus(af.result() + af.settings.minRange);
        bench.ts.timers.advance(40);
        EXPECT_GT(there, af.measure(target));
        cam.stopGrab(&d);
    }
}

TEST(AutoFlash, SettlesOnTheTargetBrightness) {
    testsupport::LiveBench bench(320, 240);
    CameraSource& cam = bench.source();
    AutoFlash flash;
    flash.load(bench.ts.profile);
    flash.target = 90;
    cam.setFlash(400);
    CZVimage target;
    Driver d;
    d.onFrame = [&](const CZVimage& f) { flash.frame(cam, f); };
    ASSERT_TRUE(cam.startGrab(target, &d, 0, 0, 320, 240));
    bench.ts.timers.advance(40 * 30);
    EXPECT_NEAR(flash.brightness(), 90, flash.tolerance);
    EXPECT_EQ(flash.lastGood(), cam.flash());
    const int settled = cam.flash();
    bench.ts.timers.advance(40 * 10);
    EXPECT_EQ(cam.flash(), settled);
    // A target the light cannot reach stops at the longest flash.
    flash.target = 250;
    bench.ts.timers.advance(40 * 30);
    EXPECT_EQ(cam.flash(), flash.flashRange);
    cam.stopGrab(&d);
}
