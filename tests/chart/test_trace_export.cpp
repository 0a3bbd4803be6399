// Traces leaving and entering a chart: the time column of a text export
// with the empty cells of missing samples, the power spectrum of a short
// trace, and what the import wizard proposes.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/DataFileFormat.h"
#include "chart/TextImportGuess.h"
#include "chart/TraceAlgorithms.h"
#include "chart/TraceExport.h"
#include "chart/ZchartDoc.h"
#include "support/TestServices.h"

using namespace ordavia;

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
    CTrace* t = doc.newTrace(8, 200, true);
    t->xInterval = 0.01;
    for (uint32_t i = 0; i < 200; ++i) t->data->setAt(i, 50 + 20 * std::sin(2 * M_PI * 5.0 * i * 0.01));
    auto* psd = dynamic_cast<C2DTrace*>(doc.powerSpectrum(0, 0.01));
    ASSERT_NE(psd, nullptr);
    EXPECT_TRUE(svc.prompter.messages().empty());
    EXPECT_NEAR(psdPeakFrequency(*psd), 5.0, 0.2);  // bins of 1 / (512 x 10 ms)
    doc.newTrace(8, 10, true);
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
