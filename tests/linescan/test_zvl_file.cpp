// The ".zvl" layout byte by byte, every older version, hostile files,
// slopes picked by hand and the settings the document keeps; kymograph
// TIFFs that ask for more than their bytes hold.
#include <gtest/gtest.h>

#include "chart/ZchartDoc.h"
#include "linescan/LineScanRun.h"
#include "linescan/ZlineScanDoc.h"
#include "support/ChartBytes.h"
#include "support/LineScanFeed.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "support/TiffBytes.h"

using namespace ordavia;

using charttest::Bytes;

namespace {

// An empty chart part as the chart document writes it.
Bytes emptyChart() {
    ZchartDoc c;
    Bytes b;
    const auto bytes = c.saveToBytes();
    return b.raw(bytes.data(), bytes.size());
}

// The line-scan block of a version, fields as far as the version has them.
Bytes lineScanBlock(int32_t version, int32_t slopeCount, const std::vector<double>& slopeValues) {
    Bytes b = emptyChart();
    b.u32(uint32_t(version)).u32(uint32_t(slopeCount));
    for (double v : slopeValues) b.f64(v);
    if (version >= 5) b.u32(3);                                          // points per line sample
    if (version >= 6) b.f64(0.35).u32(4).u32(12).u32(1).u32(2).u32(0).u32(1).f64(0.1).f64(2.0);
    if (version >= 7) b.u32(5).u32(1);                                   // fields per sample, interlace
    if (version >= 8) b.u32(1);                                          // zero peak
    if (version >= 9) b.f64(1.5);                                        // Hough difference threshold
    if (version >= 10) b.u32(7).u32(9).f64(20.0).u32(40).u32(0);
    if (version >= 11) b.u32(25).u32(30).u32(11);
    return b;
}

struct ZvlTest : ::testing::Test {
    ordavia::test::TestServices svc;
    testsupport::ScratchDir dir{"zvl"};
    ZlineScanBaseDoc doc;
    void SetUp() override {
        svc.profile.SetPath(dir / "p.ini");
        svc.adopt(doc);
    }
};

}  // namespace

TEST_F(ZvlTest, EveryVersionFromFiveToElevenLoadsItsFieldsAndKeepsTheRest) {
    for (int32_t v = 5; v <= 11; ++v) {
        SCOPED_TRACE(v);
        ZlineScanBaseDoc doc;
        svc.adopt(doc);
        ASSERT_TRUE(doc.loadZvlBytes(lineScanBlock(v, 1, {1, 2, 3, 4}).b).ok());
        ASSERT_EQ(doc.slopes().size(), 1u);
        EXPECT_EQ(doc.slopes()[0], (VelocitySlope{1, 2, 3, 4}));
        EXPECT_EQ(doc.pointsPerLineSample(), 3);
        const ordavia::CbvParams& p = doc.params();
        const ordavia::CbvParams def;
        EXPECT_EQ(p.gap, v >= 6 ? 4 : def.gap);
        EXPECT_EQ(p.points, v >= 6 ? 12 : def.points);
        EXPECT_EQ(p.method, v >= 6 ? 1 : def.method);
        EXPECT_EQ(p.hipass, v >= 6 ? false : def.hipass);
        EXPECT_DOUBLE_EQ(p.coefLimit, v >= 6 ? 0.35 : def.coefLimit);
        EXPECT_DOUBLE_EQ(doc.xPeriodFactor(), v >= 6 ? 2.0 : 1.0);
        EXPECT_EQ(doc.fieldsPerSample(), v >= 7 ? 5 : 1);
        EXPECT_EQ(p.useInterlace, v >= 7);
        EXPECT_EQ(p.zeroPeak, v >= 8);
        EXPECT_DOUBLE_EQ(p.houghDifThreshold, v >= 9 ? 1.5 : def.houghDifThreshold);
        EXPECT_EQ(p.correlPeakWindow, v >= 10 ? 9 : def.correlPeakWindow);
        EXPECT_DOUBLE_EQ(p.houghMin, v >= 10 ? 20.0 : def.houghMin);
        EXPECT_EQ(p.houghLowPass, v >= 10 ? 0 : def.houghLowPass);
        EXPECT_EQ(p.correlTol, v >= 11 ? 11 : def.correlTol);
        EXPECT_EQ(p.houghTol, v >= 11 ? 30 : def.houghTol);
    }
}

TEST_F(ZvlTest, SavedFileIsTheVersionElevenLayoutAndLoadsBack) {
    ASSERT_TRUE(doc.loadZvlBytes(lineScanBlock(11, 2, {1, 2, 3, 4, 5, 6, 7, 8}).b).ok());
    EXPECT_EQ(doc.saveToBytes(), lineScanBlock(11, 2, {1, 2, 3, 4, 5, 6, 7, 8}).b);

    // With traces.
    ZlineScanDoc live;
    svc.adopt(live);
    ASSERT_TRUE(live.OnNewDocument());
    int view = 0;
    ASSERT_TRUE(live.startScan(&view, 40, 1, 0.02, 1.5, "um"));
    linescantest::MovingTexture tex;
    for (uint32_t s = 0; s < 30; ++s) {
        live.sampleVector(0) = tex.sample(40, 2.0, s);
        (void)live.addSample(s);
    }
    ZlineScanBaseDoc back;
    svc.adopt(back);
    ASSERT_TRUE(back.loadZvlBytes(live.saveToBytes()).ok());
    ASSERT_TRUE(back.scanTrace() && back.sourceTrace() && back.cbvTrace());
    EXPECT_EQ(back.sourceTrace()->name, "linescan");
    EXPECT_EQ(back.cbvTrace()->data->getD(20), live.cbvTrace()->data->getD(20));
    EXPECT_EQ(back.scanTrace()->yUnits, "um");
}

TEST_F(ZvlTest, SlopeCountOfAThousandLoadsNoSlopesAndDamagedFilesFailWhole) {
    // No slope bytes follow a count of 1000: the next field is read in place.
    ASSERT_TRUE(doc.loadZvlBytes(lineScanBlock(11, 1000, {}).b).ok());
    EXPECT_TRUE(doc.slopes().empty());
    EXPECT_EQ(doc.pointsPerLineSample(), 3);
    ASSERT_TRUE(doc.loadZvlBytes(lineScanBlock(11, -5, {}).b).ok());
    EXPECT_TRUE(doc.slopes().empty());

    // A count that promises more slopes than there are bytes, and every cut.
    EXPECT_FALSE(doc.loadZvlBytes(lineScanBlock(5, 999, {1, 2, 3, 4}).b).ok());
    const auto whole = lineScanBlock(11, 1, {1, 2, 3, 4}).b;
    for (size_t cut = emptyChart().b.size(); cut < whole.size(); cut += 3) {
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + long(cut));
        EXPECT_FALSE(doc.loadZvlBytes(part).ok()) << cut;
    }
    // A scan whose extent misses columns is not worked on (found by fuzzing).
    {
        ZlineScanBaseDoc src;
        auto t = std::make_unique<C2DTrace>(12, 10, 8);
        t->name = "scan2D";
        ASSERT_TRUE(t->extent->resize(3));
        ASSERT_NE(src.addTrace(std::move(t), true), nullptr);
        ZlineScanBaseDoc back;
        ASSERT_TRUE(back.loadZvlBytes(src.saveToBytes()).ok());
        EXPECT_EQ(back.scanTrace(), nullptr);
        EXPECT_EQ(back.recalculate(), 0u);
    }
    // Damaged values cannot divide by zero later.
    Bytes bad = emptyChart();
    bad.u32(11).u32(0).u32(0).f64(0.2).u32(0).u32(0).u32(7).u32(0).u32(1).u32(0).f64(1e308 * 10).f64(0.0);
    bad.u32(0).u32(0).u32(0).f64(0.7).u32(0).u32(0).f64(50).u32(60).u32(3).u32(15).u32(15).u32(10);
    ZlineScanBaseDoc doc2;
    ASSERT_TRUE(doc2.loadZvlBytes(bad.b).ok());
    EXPECT_EQ(doc2.params().gap, 1);
    EXPECT_EQ(doc2.params().filter, 1);
    EXPECT_EQ(doc2.params().method, 2);
    EXPECT_EQ(doc2.pointsPerLineSample(), 1);
    EXPECT_DOUBLE_EQ(doc2.xPeriodFactor(), 1.0);
    EXPECT_DOUBLE_EQ(doc2.params().smoothing, 0.05);
}

TEST_F(ZvlTest, SlopesArePickedByEitherEndAndDeleted) {
    EXPECT_EQ(doc.pickSlope(1.0, 10.0, 0.1, 1.0), 0);  // a new slope starts
    doc.moveSlopeEnd(2.0, 30.0);
    EXPECT_DOUBLE_EQ(doc.slopes()[0].velocity(), 20.0);
    // Grabbing the first end swaps the ends so that the grabbed end moves.
    EXPECT_EQ(doc.pickSlope(1.05, 10.5, 0.1, 1.0), 0);
    EXPECT_EQ(doc.slopes()[0], (VelocitySlope{2.0, 30.0, 1.0, 10.0}));
    doc.moveSlopeEnd(1.5, 10.0);
    EXPECT_DOUBLE_EQ(doc.slopes()[0].velocity(), 40.0);
    // The second end (now at 1.5, 10) is taken as it is.
    EXPECT_EQ(doc.pickSlope(1.5, 10.0, 0.1, 1.0), 0);
    EXPECT_EQ(doc.slopes()[0].x1, 2.0);
    // On the edge of the pick rectangle is outside: a new slope.
    EXPECT_EQ(doc.pickSlope(1.6, 10.0, 0.1, 1.0), 1);
    EXPECT_EQ(doc.slopeVelocitiesText(), "0\n  40.00\n1\n   0.00");
    doc.setSlopes(std::vector<VelocitySlope>(1200));
    EXPECT_EQ(doc.slopes().size(), 1000u);
    EXPECT_EQ(doc.pickSlope(50, 50, 1, 1), -1);
    // Saved, a full list keeps 999: a count of 1000 would load none.
    ZlineScanBaseDoc back;
    ASSERT_TRUE(back.loadZvlBytes(doc.saveToBytes()).ok());
    EXPECT_EQ(back.slopes().size(), 999u);
    doc.deleteAllSlopes();
    EXPECT_TRUE(doc.slopes().empty());
    EXPECT_EQ(doc.selectedSlope(), -1);
}

TEST_F(ZvlTest, SettingsComeFromTheProfileAndTheDialogWritesThemBack) {
    svc.profile.WriteInt("correlation", "coeflimit", 350);
    svc.profile.WriteInt("correlation", "gap", 0);  // would divide by zero
    svc.profile.WriteString("linescan", "houghtol", "22.7");
    svc.profile.WriteInt("linescan", "sampleperiod", 1);
    ZlineScanDoc doc;
    svc.adopt(doc);
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_DOUBLE_EQ(doc.params().coefLimit, 0.35);
    EXPECT_EQ(doc.params().gap, 1);
    EXPECT_EQ(doc.params().houghTol, 22);
    // With interlace off and one field per sample at 50 fields per second.
    EXPECT_DOUBLE_EQ(doc.samplePeriod(0.02), 0.04);
    ordavia::CbvParams p = doc.params();
    p.subpixel = true;
    p.filter = 7;
    doc.setParams(p);
    EXPECT_EQ(svc.profile.GetInt("correlation", "subpixel", 0), 1);
    EXPECT_EQ(svc.profile.GetInt("correlation", "filter", 0), 7);
    EXPECT_EQ(svc.profile.GetInt("correlation", "coeflimit", 0), 350);
    doc.toggleUseInterlace();
    EXPECT_EQ(svc.profile.GetInt("linescan", "useinterlace", 0), 1);
    EXPECT_DOUBLE_EQ(doc.samplePeriod(0.02), 0.02);
    EXPECT_TRUE(doc.setSampleRate(3));
    EXPECT_EQ(svc.profile.GetInt("linescan", "sampleperiod", 0), 3);
    EXPECT_FALSE(doc.setSampleRate(0));
}

TEST(KymographTiff, SizesBeyondTheBytesOrTheCeilingAreRefused) {
    // 150 bytes declaring 8192 x 8192 (half a gigabyte of values): the ceiling.
    const std::vector<uint8_t> huge = testsupport::tiffDeclaring(8192, 8192);
    EXPECT_LT(huge.size(), 200u);
    for (bool alongX : {false, true}) {
        auto k = ordavia::loadKymograph(huge, alongX);
        ASSERT_FALSE(k);
        EXPECT_EQ(k.code(), StatusCode::NoMemory) << k.reason();
    }
    // Within the ceiling, but 16 bytes cannot hold 2048 x 2048 samples.
    auto k = ordavia::loadKymograph(testsupport::tiffDeclaring(2048, 2048), false);
    ASSERT_FALSE(k);
    EXPECT_EQ(k.code(), StatusCode::BadFormat) << k.reason();
    // A sound one still reads.
    auto ok = ordavia::loadKymograph(testsupport::greyTiffBytes(6, 3, 16, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), false);
    ASSERT_TRUE(ok) << ok.reason();
    EXPECT_EQ(ok->points, 6u);
    EXPECT_EQ(ok->values[7], 8);
}
