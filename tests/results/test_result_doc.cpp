// Results tables: the ".rst" layout byte by byte in both directions, the
// row building with "%*.*f" cells, the copy text, the CSV form, and the
// tables opened on demand by title, reused until closed. Damaged and hostile
// files (every truncation, absurd counts, wrong classes) give a format error
// and leave the open table as it was; nothing allocates without bound.
// Random bytes are the fuzzer's.
#include <gtest/gtest.h>

#include "ResultTestSupport.h"
#include "base/Archive.h"
#include "base/FileIO.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultExport.h"
#include "results/ResultTables.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"
#include "support/MveBytes.h"
#include "tests/support/HostileFiles.h"

using namespace ordavia;

using rsttest::Bytes;

namespace {

std::unique_ptr<CResultDoc> load(const std::vector<uint8_t>& bytes) {
    auto d = std::make_unique<CResultDoc>();
    Archive ar(bytes);
    d->Serialize(ar);
    EXPECT_EQ(ar.remaining(), 0u);
    return d;
}

std::vector<uint8_t> store(CResultDoc& d) {
    Archive ar;
    d.Serialize(ar);
    return ar.takeBytes();
}

const ResultColumn kTwoColumns[] = {{"filename", 20, 0, 0}, {"width", 8, 7, 1}};

// What a failed load must leave of rsttest::smallTable(3).
void expectUnchanged(const CResultDoc& d) {
    EXPECT_EQ(d.rowTotal(), 2u);
    EXPECT_EQ(d.displayColumnCount(), 2u);
    EXPECT_EQ(d.cell(0, 0), "a.cs1");
    EXPECT_EQ(d.subjectId, "AB12");
    EXPECT_EQ(d.examId, 42);
    EXPECT_EQ(d.saveCount, 3);
}

bool loads(CResultDoc& d, const std::vector<uint8_t>& bytes) {
    try {
        Archive ar(bytes);
        d.Serialize(ar);
        return true;
    } catch (const ArchiveError&) {
        return false;
    }
}

}  // namespace

TEST(ResultLayout, WritesTheDocumentedBytesAndReadsThemBack) {
    CResultDoc d;
    d.setColumns(2, kTwoColumns);
    d.subjectId = "AB12";
    d.examId = 42;
    d.ownerText = "owner";
    d.result = "result";
    d.stationText = "station";
    d.capturedBy = "captured";
    // The second format always takes the record's second text.
    EXPECT_TRUE(d.addRow({"a.cs1", "    1.5", {}}));
    EXPECT_TRUE(d.addRow({"b.cs1", "   12.0", {99.0}}));
    EXPECT_EQ(store(d), rsttest::smallTable(1).b);

    // Load then save is byte for byte but the copy number.
    auto back = load(rsttest::smallTable(7).b);
    EXPECT_EQ(back->rowCountField(), 2);
    EXPECT_EQ(back->subjectId, "AB12");
    EXPECT_EQ(back->examId, 42);
    EXPECT_EQ(back->cell(1, 1), "   12.0");
    EXPECT_EQ(store(*back), rsttest::smallTable(8).b);
}

TEST(ResultLayout, OlderFileWithoutDocumentBlock) {
    Bytes x;
    x.u16(1).newClass("Ccolformat", 0).format(0, "filename", 20, 0, 0);
    x.u32(1);   // column count, not the marker
    x.u16(1);   // row count
    x.u16(1).newClass("CStringArray", 0).u16(1).str("old.cs1");
    auto d = load(x.b);
    EXPECT_EQ(d->columnCountField(), 1);
    EXPECT_EQ(d->cell(0, 0), "old.cs1");
    EXPECT_FALSE(d->linked);
    // Written back in the current layout.
    auto again = load(store(*d));
    EXPECT_TRUE(again->linked);
    EXPECT_EQ(again->cell(0, 0), "old.cs1");
}

TEST(ResultLayout, ColumnsShowInColumnOrderAndMissingCellsAreEmpty) {
    Bytes x;
    x.u16(3).newClass("Ccolformat", 0).format(2, "third", 5, 5, 0);
    x.u16(0x8001).format(0, "first", 5, 0, 0);
    x.u16(0x8001).format(9, "far", 5, 5, 0);  // beyond every row
    x.u32(0xFFFFFFFF).block(0, "", -1).u16(3).u16(1);
    x.u16(1).newClass("CStringArray", 0).u16(3).str("A").str("B").str("C");
    auto d = load(x.b);
    ASSERT_EQ(d->displayColumnCount(), 3u);
    EXPECT_EQ(d->displayFormat(0).heading, "first");
    EXPECT_EQ(d->displayFormat(1).heading, "third");
    EXPECT_EQ(d->cell(0, 0), "A");
    EXPECT_EQ(d->cell(0, 1), "C");
    EXPECT_EQ(d->cell(0, 2), "");
    EXPECT_EQ(d->cell(5, 0), "");
}

TEST(ResultRows, ChartAverageCellsAreRightAlignedAndAFullTableRefusesRows) {
    const ResultColumnSet* set = findResultColumnSet("Chart Results");
    ASSERT_NE(set, nullptr);
    CResultDoc d;
    d.setColumns(*set);
    ASSERT_TRUE(d.addRow({"chart1", "CBV", {1.5, 3.25, 2.0, 4.0, 0.5, 98.6, 123.45}}));
    const auto& row = d.rows()[0]->strings;
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[2], "      1.50");
    EXPECT_EQ(row[7], "        99");
    EXPECT_EQ(row[8], "      123.5");
    EXPECT_TRUE(d.IsModified());

    // Fewer values than numeric columns leave the rest empty; numbers wider
    // than their field are not cut.
    EXPECT_TRUE(d.addRow({"chart2", "CBV", {1.0, -123456789.25}}));
    EXPECT_EQ(d.rows()[1]->strings[2], "      1.00");
    EXPECT_EQ(d.rows()[1]->strings[3], "-123456789.25");
    EXPECT_EQ(d.rows()[1]->strings[4], "");
    // A full table refuses further rows.
    const ResultColumn cols[] = {{"f", 4, 0, 0}};
    CResultDoc full;
    full.setColumns(1, cols);
    for (size_t i = 0; i < CResultDoc::kMaxRows; ++i) ASSERT_TRUE(full.addRow({"r", "", {}}));
    EXPECT_FALSE(full.addRow({"r", "", {}}));
    EXPECT_EQ(full.rowTotal(), CResultDoc::kMaxRows);
    EXPECT_EQ(full.rowCountField(), 0xFFFF);
}

TEST(ResultCopy, SelectionAsTabbedLines) {
    CResultDoc d;
    d.setColumns(*findResultColumnSet("Diameter Calculation Results"));
    EXPECT_TRUE(d.addRow({"a.cs1", "um", {1, 10.25}}));
    EXPECT_TRUE(d.addRow({"b.cs1", "um", {2, 11.5}}));
    EXPECT_TRUE(d.addRow({"c.cs1", "um", {3, 12}}));
    EXPECT_EQ(d.copySelection(), "");  // nothing selected
    const std::pair<CellRect, const char*> cases[] = {
        {{1, 0, 3, 1}, "um\t    1\t   10.2\r\num\t    2\t   11.5"},  // two rows of three cells
        {{3, 2, 0, 2}, "c.cs1\tum\t    3\t   12.0"},                  // given backwards: normalised
        {{2, 1, 99, 99}, "    2\t   11.5\r\n    3\t   12.0"},          // beyond the table: clipped
        {{0, 0, 0, 0}, "a.cs1"},
    };
    for (const auto& [rect, want] : cases) {
        d.setSelection(rect);
        EXPECT_EQ(d.copySelection(), want);
    }
}

TEST(ResultExport, CsvQuotesPerRfc4180AndPrintHeaderCarriesTheLongDate) {
    const ResultColumn cols[] = {{"file,name", 20, 0, 0}, {"say \"hi\"", 6, 0, 0}, {"v", 8, 7, 2}};
    CResultDoc d;
    d.setColumns(3, cols);
    EXPECT_TRUE(d.addRow({"a,b.cs1", "line\r\nbreak", {1.5}}));
    EXPECT_TRUE(d.addRow({" plain ", "", {-2}}));
    EXPECT_EQ(resultsAsCsv(d).value(),
              "\"file,name\",\"say \"\"hi\"\"\",v\r\n"
              "\"a,b.cs1\",\"line\r\nbreak\",1.50\r\n"
              " plain ,,-2.00\r\n");
    // The print header carries the program, the path and the long date.
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t t = 795184889;  // Tuesday, March 14, 1995, 12:41:29 UTC
    EXPECT_EQ(longDateTimeText(t), "Tuesday, March 14, 1995, 12:41:29");
    EXPECT_EQ(resultPrintHeader("Ordavia", "/data/r.rst", t), "Ordavia  /data/r.rst  Tuesday, March 14, 1995, 12:41:29");
}

TEST(ResultFile, SaveAsTakesCsvByItsNameAndEveryRowNamesItsFileAlike) {
    ordavia::test::TestServices ts;
    const testsupport::ScratchDir dir("rst-csv");
    CResultDoc d;
    ts.adopt(d);
    d.setColumns(2, kTwoColumns);
    EXPECT_TRUE(d.addRow({"/data/exam 1/a.cs1", "1.5", {}}));
    EXPECT_TRUE(d.addRow({"D:\\data\\b.dcs", "2.5", {}}));
    EXPECT_TRUE(d.addRow({"c.zvl [AB12 3]", "3.5", {}}));
    EXPECT_EQ(d.cell(0, 0), "a.cs1");
    EXPECT_EQ(d.cell(1, 0), "b.dcs");
    EXPECT_EQ(d.cell(2, 0), "c.zvl");

    // "x.csv" is a CSV file of that name, and the table stays unsaved.
    ts.prompter.pushSaveFile(dir / "x.csv");
    ASSERT_TRUE(d.OnFileSaveAs());
    EXPECT_FALSE(std::filesystem::exists(dir / "x.csv.rst"));
    std::vector<uint8_t> csv;
    ASSERT_TRUE(readFileBytes(dir / "x.csv", csv));
    EXPECT_EQ(std::string(csv.begin(), csv.end()), "filename,width\r\na.cs1,1.5\r\nb.dcs,2.5\r\nc.zvl,3.5\r\n");
    EXPECT_TRUE(d.GetPathName().empty());

    // Any other name is the table's own file, and it opens again.
    ts.prompter.pushSaveFile(dir / "y");
    ASSERT_TRUE(d.OnFileSave());
    EXPECT_EQ(d.GetPathName(), dir / "y.rst");
    EXPECT_FALSE(d.IsModified());
    CResultDoc back;
    ts.adopt(back);
    ASSERT_TRUE(back.OnOpenDocument(dir / "y.rst"));
    EXPECT_EQ(back.rowTotal(), 3u);
    EXPECT_EQ(back.cell(2, 1), "3.5");
    EXPECT_EQ(back.saveCount, 1);
}

TEST(Tables, OpenedOnDemandAndReusedUntilClosed) {
    ResultTables t;
    CResultDoc* a = t.open("Chart Results");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetTitle(), "Chart Results");
    EXPECT_EQ(t.open("Chart Results"), a);
    CResultDoc* b = t.open("Image Results");
    EXPECT_NE(b, a);
    EXPECT_EQ(t.openTables().size(), 2u);

    CResultDoc* slot = a;
    a->registerOwner(&slot);
    t.close(a);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(t.find("Chart Results"), nullptr);
    CResultDoc* again = t.open("Chart Results");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->rowTotal(), 0u);
    EXPECT_EQ(t.open("no such table"), nullptr);
    // A title with the subject's suffix still finds the table.
    again->subjectId = "AB12";
    again->examId = 42;
    again->SetTitle("results.rst");
    EXPECT_EQ(t.open("Chart Results"), again);
}

TEST(Tables, MakerOwnedDocumentsAreForgottenWhenClosedOrDestroyed) {
    ResultTables tables;
    std::vector<std::unique_ptr<CResultDoc>> app;
    tables.setMaker([&] {
        app.push_back(std::make_unique<CResultDoc>());
        return app.back().get();
    });
    CResultDoc* a = tables.open("Chart Results");
    ASSERT_EQ(app.size(), 1u);
    EXPECT_EQ(a, app[0].get());
    a->OnCloseDocument();
    EXPECT_EQ(tables.find("Chart Results"), nullptr);

    CResultDoc* b = tables.open("Chart Results");
    CResultDoc* slot = b;
    b->registerOwner(&slot);
    app.clear();  // destroyed without a close
    EXPECT_EQ(slot, nullptr);
    EXPECT_TRUE(tables.openTables().empty());
}

TEST(ResultHostile, EveryTruncationFailsCleanly) {
    const auto full = rsttest::smallTable(3).b;
    auto d = load(rsttest::smallTable(3).b);
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(loads(*d, cut)) << n;
        expectUnchanged(*d);
    }
}

// Absurd counts are refused before allocating; wrong classes, schemas,
// null objects and repeated references are format errors.
TEST(ResultHostile, AbsurdCountsAndWrongObjectsAreRefused) {
    Bytes rows, cells, str, schema, nullRow, twice, tooMany;
    rows.u16(0).u32(0xFFFFFFFF).block(0, "", -1).u16(0).u16(0).u16(0xFFFF).u32(0x7FFFFFFF);
    cells.u16(0).u32(0xFFFFFFFF).block(0, "", -1).u16(0).u16(1).u16(1).newClass("CStringArray", 0).u16(0xFFFF).u32(1u << 30);
    str.u16(1).newClass("Ccolformat", 0).u16(0).u16(1).u8(0xFF).u16(0xFFFF).u32(0x10000000);
    schema.u16(1).u16(0xFFFF).u16(1).u16(10);
    schema.b.insert(schema.b.end(), {'C', 'c', 'o', 'l', 'f', 'o', 'r', 'm', 'a', 't'});
    nullRow.u16(0).u32(0xFFFFFFFF).block(0, "", -1).u16(0).u16(1).u16(1).u16(0);
    twice.u16(0).u32(0xFFFFFFFF).block(0, "", -1).u16(0).u16(2).u16(2).newClass("CStringArray", 0).u16(0).u16(0x0002);
    // More rows than a table can hold.
    tooMany.u16(0).u32(0xFFFFFFFF).block(0, "", -1).u16(0).u16(0).u16(0xFFFF).u32(0x10000);
    tooMany.newClass("CStringArray", 0).u16(0);
    for (uint32_t i = 1; i < 0x10000; ++i) tooMany.u16(0x8001).u16(0);
    const std::vector<uint8_t> cases[] = {
        Bytes().u16(0xFFFF).u32(0xFFFFFFF0).b,              // 4 billion formats in a few bytes
        rows.b, cells.b, str.b, schema.b, nullRow.b, twice.b, tooMany.b,
        Bytes().u16(1).newClass("CStringArray", 0).u16(0).b,   // a row where a format belongs
        Bytes().u16(1).newClass("CEvil", 0).u16(0).b,
        Bytes().u16(1).u16(0).b,                            // a null format
    };
    auto d = load(rsttest::smallTable(3).b);
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_FALSE(loads(*d, cases[i])) << i;
    expectUnchanged(*d);
}

// 1.4 MB of empty column formats and empty rows would export as 4 GB of
// commas: refused at once with the reason.
TEST(ResultExport, TablesOfBillionsOfEmptyCellsAreRefused) {
    const std::vector<uint8_t> bytes = testsupport::emptyWideResultsBytes(0xFFFF, 0xFFFF);
    EXPECT_LT(bytes.size(), 1600000u);
    CResultDoc doc;
    Archive ar(bytes);
    doc.Serialize(ar);
    ASSERT_EQ(doc.rowTotal(), 0xFFFFu);
    size_t written = 0;
    const ordavia::Status s = writeResultsCsv(doc, [&](const std::string& part) {
        written += part.size();
        return true;
    });
    EXPECT_NE(s.reason().find("65535 rows by 65535 columns is too large to export"), std::string::npos) << s.reason();
    EXPECT_EQ(written, 0u);
    // Copying all of it is refused too, before any text is built.
    doc.setSelection({0, 0, 0xFFFF, 0xFFFF});
    EXPECT_GT(doc.copySelectionBytes(), CResultDoc::kMaxCopyBytes);
    EXPECT_EQ(doc.copySelection(), "");
}
