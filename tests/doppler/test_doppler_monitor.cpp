#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/DopplerMonitor.h"

using ordavia::Trv2Board;
using testsupport::ScratchDir;

TEST(Trv2Board, PlaysRawBinWrappingAndIsAbsentWithoutIt) {
    ScratchDir dir("trv2board");
    Trv2Board board;
    board.setProgramFolder(dir.dir.string());
    board.initialise(1);
    EXPECT_FALSE(board.present());
    int16_t buf[8] = {};
    EXPECT_FALSE(board.readBlock(buf, 4));
    EXPECT_EQ(board.samplesAvailable(true), 0);

    // Five samples and a stray odd byte, which is not a sample.
    testsupport::writeRawSamples(dir / "raw.bin", {0, 1, -2, 3, 32767});
    { std::ofstream(dir / "raw.bin", std::ios::app | std::ios::binary).put('\x7f'); }
    double now = 0.0;
    board.setClock([&] { return now; });
    board.initialise(1);
    ASSERT_TRUE(board.present());
    ASSERT_EQ(board.playback().size(), 5u);
    ASSERT_TRUE(board.readBlock(buf, 3));
    EXPECT_EQ(buf[2], -2);
    ASSERT_TRUE(board.readBlock(buf, 3));  // two left: from the start again
    EXPECT_EQ(buf[0], 0);
    ASSERT_TRUE(board.readBlock(buf, 7));  // longer than the file
    EXPECT_EQ(buf[4], 32767);
    EXPECT_EQ(buf[5], 0);

    now = 0.01;
    EXPECT_EQ(board.samplesAvailable(false), 400);
    EXPECT_EQ(board.samplesAvailable(true), 400);
    EXPECT_EQ(board.samplesAvailable(true), 0);
    EXPECT_EQ(board.setSamplingRate(100.0), 40000.0);  // divider past 65535
}

namespace {

// The shared monitor, its spectra taken through a Hann window.
struct Monitor : ordavia::test::DopplerMonitor {
    Monitor() { ts.settings.FFTwindow = 2; }
};

}  // namespace

TEST(Ctrv2Doc, TimerStepsBlocksWhoseShiftFindsTheSpectrumEdge) {
    Monitor m;
    m.doc.run(true);
    ASSERT_TRUE(m.doc.running());
    m.ts.timers.advance(1000);
    // 40000 samples in whole blocks of 100.
    EXPECT_EQ(m.doc.blocks(), 400u);
    EXPECT_NEAR(m.doc.elapsed(), 1.0, 1e-9);
    const CTrace* cbv = m.doc.cbvTrace();
    ASSERT_NE(cbv, nullptr);
    std::vector<double> hz = m.doc.orderedValues(*cbv);
    ASSERT_EQ(hz.size(), 400u);
    for (double& v : hz) v /= cbv->yScale;  // mm/s back to Hz
    std::sort(hz.begin() + 10, hz.end());
    EXPECT_NEAR(hz[205], 3000.0, 3 * 78.125);
    EXPECT_EQ(m.doc.orderedValues(*m.doc.traces().find("raw")).size(), 40000u);
    EXPECT_EQ(m.doc.spectrumTrace()->extentAt(5), 20000.0);

    m.doc.run(false);
    m.ts.timers.advance(1000);
    EXPECT_EQ(m.doc.blocks(), 400u);

    // A sweep of 20 blocks, then the run ends by itself.
    ASSERT_TRUE(m.doc.setInput(20 * 100 / 40000.0, 1.0, 64));
    m.doc.setStopAtSweepEnd(true);
    m.doc.run(true);
    m.ts.timers.advance(500);
    EXPECT_FALSE(m.doc.running());
    EXPECT_EQ(m.doc.blocks(), 20u);
}

TEST(Ctrv2Doc, RecordingSavesAsAChartWithADopplerSpectrum) {
    Monitor m;
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(m.doc.processBlock(100));
    const std::string path = m.dir / "rec.zv1";
    ASSERT_TRUE(m.doc.OnSaveDocument(path));
    ZchartDoc back;
    m.ts.adopt(back);
    ASSERT_TRUE(back.OnOpenDocument(path));
    const CTrace* cbv = back.traces().find("CBV");
    const CTrace* sp = back.traces().find("Doppler spectrum");
    ASSERT_TRUE(cbv && sp);
    EXPECT_NE(dynamic_cast<const CDopTrace*>(sp), nullptr);
    EXPECT_EQ(cbv->yUnits, "mm/s");
    // Only what was recorded, oldest first; the monitor's rings stay whole.
    EXPECT_EQ(cbv->sampleCount(), 50u);
    EXPECT_EQ(cbv->head, 0u);
    EXPECT_EQ(back.traces().find("raw")->sampleCount(), 5000u);
    EXPECT_EQ(cbv->data->getD(49), m.doc.cbvTrace()->data->getD(49));
    EXPECT_EQ(m.doc.cbvTrace()->sampleCount(), 24000u);
    EXPECT_EQ(m.doc.cbvTrace()->head, 50u);
}

TEST(Ctrv2Doc, UnitsFullScaleBandwidthAndAnAbsentBoard) {
    Monitor m;
    CTrace* cbv = m.doc.cbvTrace();
    const double shown = cbv->displayYScale;
    ASSERT_TRUE(m.doc.swapUnits());
    EXPECT_EQ(cbv->yUnits, "kHz");
    EXPECT_EQ(cbv->yScale, 0.001);
    EXPECT_NEAR(cbv->displayYScale, shown * 0.001 / ZcommonTRVDoc::kDefaultVelocityFactor, 1e-12);

    // Full scale tied to the threshold: T is half the new full scale.
    const double fs = m.doc.changeFullScale(true);
    EXPECT_EQ(m.doc.threshold(), int32_t(0.5 * fs));
    EXPECT_EQ(fs, 800.0);

    EXPECT_EQ(m.doc.statusText(), "BW=20.00kHz");
    // From the board's 20 kHz up to the next bandwidth, then down past it.
    EXPECT_TRUE(m.doc.stepBandwidth(true));
    EXPECT_EQ(m.doc.statusText(), "BW=25.00kHz");
    EXPECT_TRUE(m.doc.stepBandwidth(false));
    EXPECT_EQ(m.doc.samplingRate(), 25000.0);
    EXPECT_EQ(m.board.samplingRate(), 25000.0);
    EXPECT_TRUE(m.doc.stepBandwidth(false));
    EXPECT_FALSE(m.doc.stepBandwidth(false)) << "already the narrowest";

    // The address is kept; without the playback the board is gone.
    m.ts.profile.SetPath(m.dir / "ordavia.ini");
    std::filesystem::remove(m.dir / "raw.bin");
    EXPECT_FALSE(m.doc.setHardwareAddress(0x320));
    EXPECT_EQ(m.ts.profile.GetInt("trv2", "address", 0), 0x320);
    ASSERT_FALSE(m.ts.prompter.messages().empty());
    EXPECT_EQ(m.ts.prompter.messages().back(), "TRV2interface board not detected");
    m.doc.run(true);
    EXPECT_FALSE(m.doc.running());
    EXPECT_FALSE(m.doc.processBlock(100));
}
