// Recordings of any length read and analysed a buffer at a time: what is
// not a recording is refused before it is opened, the pulse summary of a
// series taken value by value is the review's own, and a velocity that
// reads the noise at the top of the band is called saturated, not measured.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <fstream>
#include <random>

#include "doppler/DopplerRecording.h"
#include "doppler/PulseAccumulator.h"
#include "doppler/RawSampleFile.h"
#include "support/RawSamples.h"
#include "support/ScratchDir.h"
#include "doppler/Trv2Board.h"
#include "synth/SyntheticDoppler.h"

using namespace ordavia;

namespace {

// PI and RI as the review's traces give them: marks, gaps filled, the
// traces averaged where both marks are known.
std::array<double, 3> fromTraces(const std::vector<double>& v, int w) {
    PulseMarks m = classifyPulses(v, w);
    fillPulseGaps(m);
    const std::vector<double> mean = meanTrace(v), pi = pulsatilityIndex(m, mean), ri = resistanceIndex(m);
    std::array<double, 3> out{};  // known, pi, ri
    for (size_t i = 0; i < v.size(); ++i)
        if (m.systolic[i] != 0 && m.diastolic[i] != 0) out = {out[0] + 1, out[1] + pi[i] / 1000, out[2] + ri[i] / 1000};
    if (out[0] > 0) out = {out[0], out[1] / out[0], out[2] / out[0]};
    return out;
}

SyntheticDoppler noisyRecording(double floorPercent, uint32_t seed = 5) {
    DopplerSynthParams p;
    p.seconds = 6;
    p.floor = floorPercent;
    p.seed = seed;
    return synthesiseDoppler(p);
}

Result<DopplerRun> analyse(const std::vector<int16_t>& samples, int method, DopplerRunOptions o = {},
                           bool autonoise = false) {
    Trv2Board board;
    board.setPlayback(samples);
    StartupSettings s;
    s.cbvMethod = method;
    s.FFTwindow = autonoise ? 0 : 2;
    s.autonoise = autonoise;
    return runDopplerRecording(board, s, o);
}

}  // namespace

TEST(PulseAccumulator, GivesTheReviewTracesIndexesOnPulsesNoiseFlatAndShortSeries) {
    std::mt19937 rng(3);
    std::normal_distribution<double> g(0.0, 0.05);
    for (int w : {0, 1, 2, 7, 35})
        for (size_t n : {size_t(0), size_t(3), size_t(15), size_t(2000)}) {
            std::vector<double> v(n);
            for (size_t i = 0; i < n; ++i) v[i] = 0.8 + 0.4 * std::sin(double(i) * 0.05) + g(rng);
            // Zeros inside (a value 0 is no mark) and a flat stretch.
            for (size_t i = n / 3; i < n / 3 + n / 10; ++i) v[i] = i % 7 == 0 ? 0.0 : 0.6;
            const auto want = fromTraces(v, w);
            const PulseSummary got = summarisePulses(v, w);
            EXPECT_EQ(double(got.known), want[0]) << w << " " << n;
            EXPECT_NEAR(got.pi, want[1], 1e-12) << w << " " << n;
            EXPECT_NEAR(got.ri, want[2], 1e-12) << w << " " << n;
        }
    // Silence and a flat trace have no beats, whatever their values read.
    EXPECT_FALSE(summarisePulses(std::vector<double>(500, 0.0), 5).hasBeats());
    EXPECT_FALSE(summarisePulses(std::vector<double>(500, 7.64), 5).hasBeats());
}

// FIFOs and folders are refused by the command line's suite.
TEST(RawSampleFile, PlaysAFileOfAnyLengthAndCountsAnOddByteOut) {
    testsupport::ScratchDir dir("rawfile");
    // A sparse file far past what fits in memory: played whole (not cut at
    // some length), the odd byte left out and told.
    const uint64_t size = (uint64_t(3) << 30) + 7;
    { std::ofstream(dir / "long.bin", std::ios::binary).put('\0'); }
    ASSERT_EQ(::truncate((dir / "long.bin").c_str(), off_t(size - 3)), 0);
    { std::ofstream(dir / "long.bin", std::ios::app | std::ios::binary).write("\x34\x12\x7f", 3); }
    Trv2Board board;
    board.setPlaybackFile(dir / "long.bin");
    board.initialise(1);
    ASSERT_TRUE(board.present()) << board.playbackError();
    EXPECT_EQ(board.sampleCount(), size / 2);
    EXPECT_TRUE(board.strayByte());
    int16_t first[3] = {1, 1, 1};
    ASSERT_TRUE(board.readBlock(first, 3));
    EXPECT_EQ(first[2], 0);
    // Read a buffer at a time: the pieces join without a lost or doubled byte.
    std::vector<int16_t> ramp(RawSampleFile::kBufferSamples * 2 + 3);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = int16_t(i * 7);
    testsupport::writeRawSamples(dir / "ramp.bin", ramp);
    RawSampleFile f;
    ASSERT_TRUE(f.open(dir / "ramp.bin"));
    std::vector<int16_t> got(ramp.size() + 10);
    size_t at = 0;
    for (size_t piece : {size_t(1), size_t(999), RawSampleFile::kBufferSamples, ramp.size()})
        at += f.read(got.data() + at, piece).value();
    EXPECT_EQ(at, ramp.size());
    got.resize(at);
    EXPECT_EQ(got, ramp);
}

TEST(DopplerRecording, ALongRecordingIsAnalysedWholeWithItsSeriesShortenedHonestly) {
    const SyntheticDoppler rec = noisyRecording(0.0, 8);
    auto whole = analyse(rec.samples, 0);
    DopplerRunOptions o;
    o.maxVelocities = 100;
    auto shortened = analyse(rec.samples, 0, o);
    ASSERT_TRUE(whole && shortened);
    EXPECT_EQ(shortened->velocities, whole->cbv.size());
    ASSERT_EQ(shortened->cbv.size(), 100u) << "2400 velocities, by 24";
    double sum = 0;
    for (int i = 24; i < 48; ++i) sum += whole->cbv[size_t(i)];
    EXPECT_NEAR(shortened->cbv[1], sum / 24, 1e-9);
    // The figures come from every velocity, not from the means.
    EXPECT_EQ(shortened->pulses.pi, whole->pulses.pi);
    EXPECT_EQ(shortened->pulses.peaks, whole->pulses.peaks);
    ASSERT_EQ(shortened->warnings.size(), 1u);
    EXPECT_NE(shortened->warnings[0].find("means of 24"), std::string::npos);
    EXPECT_TRUE(whole->measured() && whole->warnings.empty());
}

TEST(DopplerRecording, ANoiseFloorOverTheThresholdIsSaturatedAndTheAutomaticMethodMeasures) {
    // Detector noise at 2 % of full scale, as on a real monitor: the edge
    // method's fixed threshold lies far under it.
    const SyntheticDoppler rec = noisyRecording(2.0);
    auto edge = analyse(rec.samples, 0);
    ASSERT_TRUE(edge && edge->saturated && !edge->measured());
    EXPECT_NE(edge->warnings[0].find("saturated"), std::string::npos) << edge->warnings[0];
    EXPECT_NE(edge->warnings[0].find("automatic noise floor"), std::string::npos);
    // The automatic method starts from the same edge: as saturated.
    auto weighted = analyse(rec.samples, 4);
    EXPECT_TRUE(weighted && weighted->saturated);

    // The automatic noise floor lifts the threshold over the noise: the
    // pulse's shape (PI, RI) is measured. Its velocities read the noise's
    // runs above a floor only 0.3 standard deviations up and are several
    // times too high here: only the ratios are held to the truth.
    auto automatic = analyse(rec.samples, 0, {}, true);
    ASSERT_TRUE(automatic && automatic->measured());
    EXPECT_NEAR(automatic->pulses.pi, rec.truth.pi, 0.2 * rec.truth.pi);
    EXPECT_NEAR(automatic->pulses.ri, rec.truth.ri, 0.2 * rec.truth.ri);
}
