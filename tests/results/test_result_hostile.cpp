// Damaged and hostile ".rst" files: every truncation, absurd counts and
// wrong classes give a format error and leave the open table as it was;
// nothing allocates without bound. Random bytes are the fuzzer's.
#include <gtest/gtest.h>

#include "ResultTestSupport.h"
#include "base/Archive.h"
#include "results/CResultDoc.h"
#include "results/ResultExport.h"
#include "tests/support/HostileFiles.h"

using namespace ordavia;

using rsttest::Bytes;

namespace {

// A table with known contents that a failed load must not disturb.
std::unique_ptr<CResultDoc> knownTable() {
    auto d = std::make_unique<CResultDoc>();
    Archive ar(rsttest::smallTable(3).b);
    d->Serialize(ar);
    return d;
}

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

TEST(ResultHostile, EveryTruncationFailsCleanly) {
    const auto full = rsttest::smallTable(3).b;
    auto d = knownTable();
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
    auto d = knownTable();
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_FALSE(loads(*d, cases[i])) << i;
    expectUnchanged(*d);
}

// 1.4 MB of empty column formats and empty rows would export as 4 GB of
// commas: refused at once with the reason; an ordinary table streams row
// by row.
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

    CResultDoc small;
    Archive ar2(testsupport::emptyWideResultsBytes(3, 1000));
    small.Serialize(ar2);
    std::vector<std::string> parts;
    ASSERT_TRUE(writeResultsCsv(small, [&](const std::string& part) {
        parts.push_back(part);
        return true;
    }));
    ASSERT_EQ(parts.size(), 1001u);  // the heading, then one piece per row
    EXPECT_EQ(parts[1000], ",,\r\n");
}
