// Traces leaving and entering a chart: the time column of a text export,
// the empty cells of missing samples, the power spectrum of a short trace
// with its peak frequency, and what the import wizard proposes.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/DataFileFormat.h"
#include "chart/TextImportGuess.h"
#include "chart/TraceAlgorithms.h"
#include "chart/TraceExport.h"
#include "chart/ZchartDoc.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t a = 0;
    for (size_t b; (b = text.find('\n', a)) != std::string::npos; a = b + 1) out.push_back(text.substr(a, b - a));
    return out;
}

DataFileFormat commaFixed(int precision) {
    DataFileFormat f;
    f.xMode = 1;
    f.columnDelimiter = 1;
    f.rowDelimiter = 2;
    f.numberFormat = 1;
    f.precision = precision;
    return f;
}

}  // namespace

TEST(TraceExport, TimesAreSecondsInTimeOrderWithEnoughDigitsAndMissingSamplesAreEmpty) {
    // A 4 s trace, 25 samples a second, whose ring starts at sample 30.
    CTrace t(8, 101);
    t.xInterval = 0.04;
    t.xUnits = "s";
    t.yScale = 1.605;
    t.head = 30;
    for (uint32_t i = 0; i < 101; ++i) t.data->setAt(i, i % 10 == 0 ? -1.0 : 10.0);
    const MissingSample gap = [](const CTrace&, double raw) { return raw == -1.0; };
    const auto rows = lines(exportTracesAsText({&t}, commaFixed(0), 0, 0, gap));
    ASSERT_EQ(rows.size(), 101u);
    EXPECT_EQ(rows.front(), "0.000,");           // sample 30: missing, an empty cell
    EXPECT_EQ(rows[1], "0.040,16");
    EXPECT_EQ(rows.back(), "4.000,16");
    // Without the document's word, a stored -1 is a value like any other.
    EXPECT_EQ(lines(exportTracesAsText({&t}, commaFixed(1), 0, 0)).front(), "0.000,-1.6");
    // A selection exports its own times.
    const auto part = lines(exportTracesAsText({&t}, commaFixed(0), 40, 45, gap));
    ASSERT_EQ(part.size(), 5u);
    EXPECT_EQ(part.front(), "0.400,");
    EXPECT_EQ(timeDecimals(0.001, 0), 4);
    EXPECT_EQ(timeDecimals(2.0, 2), 2);
}

TEST(PowerSpectrum, AShortTraceHasOneRowAndItsPeakAndOnlyATinyOneIsRefused) {
    test::TestServices svc;
    ZchartDoc doc;
    svc.adopt(doc);
    CTrace* t = doc.newTrace(8, 200, true);
    ASSERT_NE(t, nullptr);
    t->xInterval = 0.01;
    t->xUnits = "s";
    for (uint32_t i = 0; i < 200; ++i) t->data->setAt(i, 50 + 20 * std::sin(2 * M_PI * 5.0 * i * 0.01));
    auto* psd = dynamic_cast<C2DTrace*>(doc.powerSpectrum(0, 0.01));
    ASSERT_NE(psd, nullptr);
    EXPECT_TRUE(svc.prompter.messages().empty()) << svc.prompter.messages().front();
    EXPECT_EQ(psd->sampleCount(), 1u);
    // Bins of 1 / (512 x 10 ms) = 0.195 Hz.
    EXPECT_NEAR(psdPeakFrequency(*psd), 5.0, 0.2);

    CTrace* tiny = doc.newTrace(8, 10, true);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(doc.powerSpectrum(doc.traceCount() - 1, 0.01), nullptr);
    ASSERT_EQ(svc.prompter.messages().size(), 1u);
    EXPECT_EQ(svc.prompter.messages()[0].rfind("The power spectrum needs", 0), 0u) << svc.prompter.messages()[0];
}

TEST(TextImportGuess, ProposesTheColumnsRowsAndTypeOfTheNumbers) {
    auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    const TextImportGuess a = guessTextImport(bytes("Time (s),Flux (PU),Temp\r\n0,1.5,30\r\n0.1,2,31\r\n0.2,2.5,\r\n"));
    EXPECT_TRUE(a.text);
    EXPECT_EQ(a.columns, 3);
    EXPECT_EQ(a.rows, 3);
    EXPECT_EQ(a.type, 6);
    const TextImportGuess b = guessTextImport(bytes("\"counts\"\n1,70000\n2,3\n"));
    EXPECT_EQ(b.rows, 2);
    EXPECT_EQ(b.type, 4);
    EXPECT_EQ(guessTextImport(bytes("1\n2\n")).type, 2);
    EXPECT_FALSE(guessTextImport({0x00, 0x10, 0x41, 0xFF}).text);
    const TextImportGuess none = guessTextImport(bytes("no numbers here\n"));
    EXPECT_TRUE(none.text);
    EXPECT_EQ(none.rows, 0);
}
