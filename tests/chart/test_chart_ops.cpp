// Row operations, vector measures, export texts and settings keys,
// deletion, and hostile trace layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "base/Archive.h"
#include "chart/Correlogram.h"
#include "chart/DataFileFormat.h"
#include "chart/TraceExport.h"
#include "chart/ZchartDoc.h"
#include "settings/ProfileStore.h"
#include "support/ChartBytes.h"
#include "support/ScratchDir.h"

using namespace ordavia;

TEST(RowOps, ArtifactsHistogramPedestalAverage) {
    std::vector<double> r = {1, 1, 1, 10, 1, 1};
    rowOperation(r, RowOp::CutPsdArtifacts);
    EXPECT_EQ(r[3], 1) << "a spike three times above both neighbours";
    std::vector<double> small = {1, 10, 1};
    rowOperation(small, RowOp::CutPsdArtifacts);
    EXPECT_EQ(small[1], 10) << "rows of three values stay";

    std::vector<double> h = {7, 1, 2, 4, 4};
    rowOperation(h, RowOp::DpsHistogram);
    // n = 5, M = 4: bins trunc(5 v / 4) = 1, 2, 5 -> 4 (clamped), 5 -> 4.
    EXPECT_EQ(h, (std::vector<double>{7, 1, 1, 0, 2}));

    std::vector<double> avg = {1, 5, 2, 8};
    rowOperation(avg, RowOp::CutToAverage);
    EXPECT_EQ(avg, (std::vector<double>{0, 5, 0, 8}));

    PedestalSettings ped;
    ped.level = 5;
    ped.run = 2;
    std::vector<double> flat(8, 1.0);
    rowOperation(flat, RowOp::CutPedestal, ped);
    EXPECT_EQ(flat, std::vector<double>(8, 0.0)) << "no run above the level: the row is cleared";
    std::vector<double> p = {9, 9, 9, 9, 9, 9, 9, 9, 9, 1, 1, 1};
    rowOperation(p, RowOp::CutPedestal, ped);
    EXPECT_EQ(p[9], 0) << "above u = 8";
    EXPECT_EQ(p[7], 9) << "from 3u/4 to u unchanged";
}

TEST(DataVectMeasures, CorrelogramNormaliseWidths) {
    CdoubleVect a, out;
    ASSERT_TRUE(a.resize(64));
    ASSERT_TRUE(out.resize(8));
    for (uint32_t i = 0; i < 64; ++i) a.setAt(i, std::sin(i * 0.7) + i % 3);
    a.correlogram(0, a, 0, out, 8, 1, false);
    EXPECT_NEAR(out.valueAt(0), 1000.0, 1e-6) << "a window against itself";
    EXPECT_EQ(out.cursor, 8u);
    CdoubleVect auto1;
    ASSERT_TRUE(auto1.resize(32));
    a.autoCorrelogram(a, auto1, false);
    EXPECT_NEAR(auto1.valueAt(0), 1000.0, 1e-6);
    // The vectors and the line-scan velocities share one kernel: the same
    // windows give the same coefficients, lag step and all.
    std::vector<double> x(8), y(15), kernel(8);
    a.readBlock(x.data(), 5, 8, 1);
    a.readBlock(y.data(), 9, 15, 1);
    correlogramSliding(x.data(), y.data(), 8, 8, kernel.data());
    out.cursor = 0;
    a.correlogram(5, a, 9, out, 8, 2, false);
    EXPECT_EQ(out.cursor, 4u);
    for (uint32_t k = 0; k < 4; ++k) EXPECT_EQ(out.valueAt(k), kernel[2 * k]) << "lag " << 2 * k;
    CdoubleVect flat;
    ASSERT_TRUE(flat.resize(16));
    flat.fill(3.0);
    out.cursor = 0;
    flat.correlateWindow(0, a, 0, out, 8, false);
    EXPECT_EQ(out.valueAt(0), 0.0) << "a flat window has no coefficient";

    CfloatVect f, by;
    ASSERT_TRUE(f.resize(3));
    ASSERT_TRUE(by.resize(3));
    f.setAt(0, 2.0);
    f.setAt(1, -4.0);
    f.setAt(2, 1e30);
    by.setAt(0, 4.0);
    by.setAt(1, 2.0);
    by.setAt(2, 1e-20f);
    f.normaliseBy(by, 1000);
    EXPECT_FLOAT_EQ(f.valueAt(0), 500);
    EXPECT_FLOAT_EQ(f.valueAt(1), 1.1754943508222875e-38f) << "negative results clamp to the smallest normal";
    EXPECT_FLOAT_EQ(f.valueAt(2), 3.4028234663852886e38f);

    // A trough of 5 low samples in a flat line.
    CdoubleVect dip;
    ASSERT_TRUE(dip.resize(40));
    for (uint32_t i = 0; i < 40; ++i) dip.setAt(i, (i >= 18 && i < 23) ? 0.0 : 10.0);
    int l = 0, r = 0;
    EXPECT_EQ(dip.widthAtLevel(0.5, l, r), 5);
    EXPECT_EQ(l, 17);
    EXPECT_EQ(r, 23);
    EXPECT_TRUE(dip.isDip(18, 23));
    EXPECT_GT(dip.troughWidth(l, r), 0);
    CdoubleVect tiny;
    ASSERT_TRUE(tiny.resize(5));
    EXPECT_EQ(tiny.widthAtLevel(0.5, l, r), 0);
}

TEST(ExportSettings, ProfileKeysAndTexts) {
    const testsupport::ScratchDir dir("export-keys");
    const std::string ini = dir / "ordavia.ini";
    ProfileStore p(ini);
    DataFileFormat fresh;
    fresh.write(p, "Export");
    EXPECT_FALSE(std::filesystem::exists(ini)) << "settings never read are never written";
    DataFileFormat f;
    f.read(p, "Export");
    f.precision = 3;
    f.headers = true;
    f.xMode = 2;
    f.write(p, "Export");
    EXPECT_EQ(p.GetInt("Export", "precision", -1), 3);
    EXPECT_EQ(p.GetInt("Export", "x_scaled", -1), 2);
    EXPECT_EQ(p.GetInt("Export", "col delimiters", -1), 1);
    f.numberFormat = 9;
    EXPECT_EQ(f.numberFormatText(), "") << "an unknown format from a damaged profile";

    CTrace a(8, 3), b(4, 2);
    a.name = "a";
    b.name = "b";
    a.yScale = 2;
    for (uint32_t i = 0; i < 3; ++i) a.data->setAt(i, double(i));
    b.data->setAt(1, uint16_t(7));
    const DataFileFormat t{.xMode = 2, .headers = true, .rowDelimiter = 2, .columnDelimiter = 0, .numberFormat = 1, .precision = 1};
    EXPECT_EQ(exportTracesAsText({&a, &b}, t, 0, 0), "x\ta\tb\n0.0\t0.0\t0.0\n1.0\t2.0\t7.0\n2.0\t4.0\t\n");
}

TEST(ChartDoc, DeletionAroundTheRingAndRowCuts) {
    ZchartDoc doc;
    CTrace* c = doc.newTrace(8, 10);
    for (uint32_t i = 0; i < 10; ++i) c->data->setAt(i, double(i));
    ASSERT_TRUE(doc.deleteData(0, 2, 5));
    ASSERT_EQ(c->sampleCount(), 7u);
    EXPECT_EQ(c->data->valueAt(0), 5) << "the rest of the ring from the deletion's end";
    EXPECT_EQ(c->data->valueAt(5), 0);
    CTrace* cut = doc.newTrace(8, 4);
    for (uint32_t i = 0; i < 4; ++i) cut->data->setAt(i, double(i));
    ASSERT_TRUE(doc.rowOperation(1, 0, 0, RowOp::CutToAverage));
    EXPECT_EQ(cut->data->valueAt(1), 0);
    EXPECT_EQ(cut->data->valueAt(2), 2) << "a one-dimensional trace is cut as one block";
    doc.removeTrace(1);
    doc.setDocFlags(ZchartDoc::kNoDelete);
    EXPECT_FALSE(doc.deleteData(0, 0, 0));
    doc.setDocFlags(0);
    ASSERT_TRUE(doc.deleteData(0, 0, 0));
    EXPECT_EQ(doc.traceCount(), 0);
}

TEST(Zv1, HostileTraceLayouts) {
    ZchartDoc::registerClasses();
    // A two-dimensional trace holding a one-dimensional vector, and a trace
    // whose head lies beyond its samples: loaded, and safe to use.
    charttest::TraceFields tf;
    tf.head = 99;
    charttest::Bytes d;
    d.newClass("CfloatVect").append(charttest::vectorBody<float>({1, 2, 3}));
    charttest::Bytes f;
    f.u32(0x5A5A).u16(32).u16(1).newClass("C2DTrace").append(charttest::traceBody(tf, d));
    f.u32(2).u16(0).u16(220).u16(0).f64(500).f64(2).f64(1000).f64(1);
    ZchartDoc doc;
    ASSERT_TRUE(doc.loadFromBytes(f.b).ok());
    EXPECT_EQ(doc.trace(0)->head, 0u);
    EXPECT_TRUE(doc.copyBytes(0, 0, 2).size() > 0);
    // A vector class where a marker list belongs, and an unknown class.
    charttest::Bytes g;
    g.u32(0x5A5A).u16(32).u16(1).newClass("CMarker").append(charttest::markerBody(1, "x", ""));
    EXPECT_FALSE(ZchartDoc().loadFromBytes(g.b).ok());
    charttest::Bytes h;
    h.u32(0x5A5A).u16(32).u16(1).newClass("CNothing");
    EXPECT_FALSE(ZchartDoc().loadFromBytes(h.b).ok());
}
