// Data vectors (conversions, block reads, ring statistics, derivative,
// resizing, the archive layout, measures), row operations, export texts and
// settings keys, deletion, the power spectrum of a short trace, and what
// the import wizard proposes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "base/Archive.h"
#include "chart/CdataVect.h"
#include "chart/Correlogram.h"
#include "chart/DataFileFormat.h"
#include "chart/TextImportGuess.h"
#include "chart/TraceAlgorithms.h"
#include "chart/TraceExport.h"
#include "chart/ZchartDoc.h"
#include "settings/ProfileStore.h"
#include "support/ChartBytes.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"

using namespace ordavia;

using charttest::Bytes;

namespace {
template <class V>
std::unique_ptr<V> filled(std::initializer_list<double> xs) {
    auto v = std::make_unique<V>();
    EXPECT_TRUE(v->resize(static_cast<uint32_t>(xs.size())));
    uint32_t i = 0;
    for (double x : xs) v->setAt(i++, x);
    return v;
}
}  // namespace

TEST(DataVect, ConversionsTruncateAndWrap) {
    Cubyte1Vect u8;
    ASSERT_TRUE(u8.resize(3));
    u8.setAt(0, 255.9);
    u8.setAt(1, -1.5);
    u8.setAt(2, 300.7);
    EXPECT_EQ(u8.data()[0], 255);
    EXPECT_EQ(u8.data()[1], 255);
    EXPECT_EQ(u8.data()[2], 44);
    Cbyte2Vect s16;
    ASSERT_TRUE(s16.resize(1));
    s16.setAt(0, int32_t(70000));
    EXPECT_EQ(s16.data()[0], int16_t(70000 - 65536));
}

TEST(DataVect, ReadBlockClipsAndConverts) {
    auto v = filled<Cbyte4Vect>({0, 10, 20, 30, 40, 50, 60, 70, 80, 90});
    double out[5] = {};
    EXPECT_EQ(v->readBlock(out, 0, 5, 3), 4u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[3], 90);
    EXPECT_EQ(v->readBlock(out, 10, 2, 1), 0u);
    int32_t same[3];
    EXPECT_EQ(v->readBlock(same, 8, 3, 1), 2u);
    EXPECT_EQ(same[1], 90);
}

TEST(DataVect, RingStatisticsAndStartValues) {
    auto v = filled<CfloatVect>({5, -1, 7, 2, 3});
    double m = 0, lo = 99, hi = 99;
    EXPECT_EQ(v->statistics(m, lo, hi, 0, 0), 5u);
    EXPECT_DOUBLE_EQ(m, 16.0 / 5);
    EXPECT_EQ(v->statistics(m, lo, hi, 3, 1), 3u) << "3, 4, 0";
    EXPECT_DOUBLE_EQ(m, 10.0 / 3);
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 5);
    auto neg = filled<Cbyte1Vect>({-5, -3, -9});
    neg->statistics(m, lo, hi, 0, 0);
    EXPECT_EQ(hi, -3) << "a true maximum of negative values";
    auto negf = filled<CfloatVect>({-5, -3, -9});
    EXPECT_EQ(negf->maximum(), -3);
    double dev = 0;
    auto d = filled<CdoubleVect>({2, 4, 4, 4, 5, 5, 7, 9});
    d->meanAndDeviation(m, lo, hi, dev, 0, 0);
    EXPECT_DOUBLE_EQ(dev, 2.0);
}

TEST(DataVect, DerivativeAndResizeKeepingOrResettingTheCursor) {
    auto a = filled<CdoubleVect>({0, 1, 2, 3, 4});
    a->derivative();
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(a->valueAt(i), 1);
    auto b = filled<CdoubleVect>({0, 0, 4, 0, 0});
    b->derivative();
    const double want[] = {0, 2, -1, -0.5, 0};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(b->valueAt(i), want[i]);
    auto c = filled<Cbyte2Vect>({0, 0, 4, 0, 0});
    c->derivative();
    EXPECT_EQ(c->valueAt(3), 0) << "integers halve toward zero";
    auto s = filled<CdoubleVect>({1, 5});
    s->derivative();
    EXPECT_EQ(s->valueAt(1), 5);
    auto v = filled<Cubyte2Vect>({1, 2, 3, 4});
    v->cursor = 3;
    EXPECT_TRUE(v->resize(4));
    EXPECT_EQ(v->cursor, 3u);
    EXPECT_TRUE(v->resize(6));
    EXPECT_EQ(v->valueAt(5), 0) << "growth is zero-filled";
    EXPECT_EQ(v->valueAt(3), 4);
    EXPECT_TRUE(v->resize(2));
    EXPECT_EQ(v->cursor, 0u);
    v->fillRange(1, 0, 9);  // from 1 up to (not incl.) 0 wraps over 1 only
    EXPECT_EQ(v->valueAt(1), 9);
    EXPECT_EQ(v->valueAt(0), 1);
}

TEST(DataVect, ArchiveLayoutAndAnImpossibleCount) {
    auto v = filled<Cbyte2Vect>({-2, 258});
    v->stride = 0x10003;
    v->cursor = 1;
    Archive out;
    out.writeObject(v.get());
    Bytes want;
    want.newClass("Cbyte2Vect").u32(2).u16(3).u32(1).u16(0xFFFE).u16(258);
    EXPECT_EQ(out.bytes(), want.b) << "the stride's low word";

    // A count the file cannot hold is refused before any allocation.
    registerDataVectClasses();
    Bytes huge;
    huge.newClass("CdoubleVect").u32(0x40000000).u16(1).u32(0);
    Archive h(huge.b);
    EXPECT_THROW(h.readObject<CdataVect>(), ArchiveError);
}

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

    auto f = filled<CfloatVect>({2.0, -4.0, 1e30});
    f->normaliseBy(*filled<CfloatVect>({4.0, 2.0, 1e-20f}), 1000);
    EXPECT_FLOAT_EQ(f->valueAt(0), 500);
    EXPECT_FLOAT_EQ(f->valueAt(1), 1.1754943508222875e-38f) << "negative results clamp to the smallest normal";
    EXPECT_FLOAT_EQ(f->valueAt(2), 3.4028234663852886e38f);

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
    auto ten = std::make_unique<CTrace>(8, 10);
    for (uint32_t i = 0; i < 10; ++i) ten->data->setAt(i, double(i));
    const CTrace* c = doc.addTrace(std::move(ten));
    ASSERT_TRUE(doc.deleteData(0, 2, 5));
    ASSERT_EQ(c->sampleCount(), 7u);
    EXPECT_EQ(c->data->valueAt(0), 5) << "the rest of the ring from the deletion's end";
    EXPECT_EQ(c->data->valueAt(5), 0);
    auto four = std::make_unique<CTrace>(8, 4);
    for (uint32_t i = 0; i < 4; ++i) four->data->setAt(i, double(i));
    const CTrace* cut = doc.addTrace(std::move(four));
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

TEST(TraceExport, TimesAreSecondsInTimeOrderWithEnoughDigitsAndMissingSamplesAreEmpty) {
    // A 4 s trace, 25 samples a second, whose ring starts at sample 30.
    CTrace t(8, 101);
    t.xInterval = 0.04;
    t.yScale = 1.605;
    t.head = 30;
    for (uint32_t i = 0; i < 101; ++i) t.data->setAt(i, i % 10 == 0 ? -1.0 : 10.0);
    const DataFileFormat f{.xMode = 1, .rowDelimiter = 2, .columnDelimiter = 1, .numberFormat = 1};
    const MissingSample gap = [](const CTrace&, double raw) { return raw == -1.0; };
    const std::string all = exportTracesAsText({&t}, f, 0, 0, gap);
    EXPECT_EQ(all.substr(0, 16), "0.000,\n0.040,16\n");
    EXPECT_EQ(all.substr(all.size() - 9), "4.000,16\n");
    EXPECT_EQ(exportTracesAsText({&t}, f, 40, 42, gap), "0.400,\n0.440,16\n");
    EXPECT_EQ(exportTracesAsText({&t}, f, 40, 41), "0.400,-2\n") << "without the document's word -1 is a value";
}

TEST(PowerSpectrum, AShortTraceHasOneRowAndItsPeakAndOnlyATinyOneIsRefused) {
    test::TestServices svc;
    ZchartDoc doc;
    svc.adopt(doc);
    auto t = std::make_unique<CTrace>(8, 200);
    t->xInterval = 0.01;
    for (uint32_t i = 0; i < 200; ++i) t->data->setAt(i, 50 + 20 * std::sin(2 * M_PI * 5.0 * i * 0.01));
    doc.addTrace(std::move(t), true);
    auto* psd = dynamic_cast<const C2DTrace*>(doc.powerSpectrum(0, 0.01));
    ASSERT_NE(psd, nullptr);
    EXPECT_TRUE(svc.prompter.messages().empty());
    EXPECT_NEAR(psdPeakFrequency(*psd), 5.0, 0.2);  // bins of 1 / (512 x 10 ms)
    doc.addTrace(std::make_unique<CTrace>(8, 10), true);
    EXPECT_EQ(doc.powerSpectrum(doc.traceCount() - 1, 0.01), nullptr);
    ASSERT_EQ(svc.prompter.messages().size(), 1u);
    EXPECT_EQ(svc.prompter.messages()[0].rfind("The power spectrum needs", 0), 0u);
}

TEST(TextImportGuess, ProposesTheColumnsRowsAndTypeOfTheNumbers) {
    auto guess = [](const std::string& s) { return guessTextImport(std::vector<uint8_t>(s.begin(), s.end())); };
    const TextImportGuess a = guess("Time (s),Flux (PU),Temp\r\n0,1.5,30\r\n0.1,2,31\r\n0.2,2.5,\r\n");
    EXPECT_TRUE(a.text);
    EXPECT_EQ(a.columns, 3);
    EXPECT_EQ(a.rows, 3);
    EXPECT_EQ(a.type, 6);
    EXPECT_EQ(guess("\"counts\"\n1,70000\n").type, 4);
    EXPECT_EQ(guess("1\n2\n").type, 2);
    EXPECT_FALSE(guessTextImport({0x00, 0x10, 0x41, 0xFF}).text);
}
