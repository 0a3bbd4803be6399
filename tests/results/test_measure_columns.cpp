// One figure of each analysis through every output: the result text, the
// results-table row (and its CSV), --json, the figures' CSV and the report
// line give the same value with the same unit. A figure whose declaration
// or column drifts (a heading without its unit, a column filed under a
// different figure, a missing value written as 0) fails here.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "base/JsonWriter.h"
#include "figures/MeasureValues.h"
#include "figures/MeasureCatalogue.h"
#include "results/CResultDoc.h"
#include "results/MeasureColumns.h"
#include "results/ResultExport.h"

using namespace ordavia;

namespace {

constexpr double kValue = 12.75;

std::string quoted(const std::string& s) { return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"); }

// The number just before `unit` in `text` is kValue at the precision it
// was written with.
void expectValue(const std::string& where, const std::string& text, const std::string& before,
                 const std::string& after) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, std::regex(quoted(before) + "(-?[0-9.]+)" + quoted(after))))
        << where << ": " << text;
    const std::string n = m[1];
    const size_t dot = n.find('.');
    const int decimals = dot == std::string::npos ? 0 : int(n.size() - dot - 1);
    EXPECT_NEAR(std::atof(n.c_str()), kValue, 0.5 * std::pow(10.0, -decimals) + 1e-9) << where << ": " << text;
}

size_t fieldIndex(const std::string& csvLine, const std::string& field) {
    size_t i = 0, at = 0;
    while (true) {
        const size_t comma = csvLine.find(',', at);
        if (csvLine.substr(at, comma - at) == field) return i;
        if (comma == std::string::npos) return std::string::npos;
        at = comma + 1, ++i;
    }
}

std::string fieldAt(const std::string& csvLine, size_t index) {
    size_t at = 0;
    for (size_t i = 0; i < index; ++i) at = csvLine.find(',', at) + 1;
    return csvLine.substr(at, csvLine.find_first_of(",\r\n", at) - at);
}

}  // namespace

TEST(MeasureColumns, OneFigureOfEachAnalysisReadsTheSameEverywhere) {
    for (const MeasureSet* set : measureCatalogue()) {
        const bool filed = *set->table != 0;
        const uint8_t wanted = filed ? kInAll : kInAll & ~kInTable;
        const Measure* m = nullptr;
        for (const Measure& c : set->measures)
            if ((c.outputs & wanted) == wanted && std::string(set->text).find(std::string("{") + c.key) != std::string::npos) {
                m = &c;
                break;
            }
        SCOPED_TRACE(set->name);
        ASSERT_NE(m, nullptr) << "no figure of this set reaches every output";
        MeasureValues f(*set, "um");
        for (const Measure& c : set->measures) f.set(c.key, 1.0);
        f.set(m->key, kValue);
        const std::string unit = f.unit(*m), tail = unit.empty() ? "" : " " + unit;

        expectValue("text", f.text(), "", tail);
        JsonWriter j(false);
        j.beginObject();
        f.json(j);
        j.endObject();
        expectValue("json", j.str(), std::string("\"") + m->key + "\":", "");
        const size_t csvColumn = fieldIndex(f.csvHeader(), f.heading(*m));
        ASSERT_NE(csvColumn, std::string::npos) << f.csvHeader();
        expectValue("csv", fieldAt(f.csvRow(), csvColumn), "", "");
        bool reported = false;
        for (const std::string& line : f.reportLines())
            if (line.rfind(std::string(m->heading) + ": ", 0) == 0) {
                expectValue("report", line, std::string(m->heading) + ": ", tail);
                reported = true;
            }
        EXPECT_TRUE(reported);
        if (!filed) continue;

        // The results table: the stored column, shown with its unit.
        CResultDoc table;
        const std::vector<ResultColumn> cols = resultColumnsOf(*set);
        table.setColumns(cols.size(), cols.data());
        ASSERT_TRUE(table.addRow(resultRecordOf(f, "a.cs1", "um")));
        size_t shown = table.displayColumnCount();
        for (size_t c = 0; c < table.displayColumnCount(); ++c)
            if (shownHeading(table, c) == f.heading(*m)) shown = c;
        ASSERT_LT(shown, table.displayColumnCount()) << "no column is shown as " << f.heading(*m);
        EXPECT_EQ(table.displayFormat(shown).heading, m->stored ? m->stored : m->heading);
        expectValue("table", table.cell(0, shown), "", "");
        const Result<std::string> csv = resultsAsCsv(table);
        ASSERT_TRUE(csv);
        const std::string header = csv->substr(0, csv->find('\r'));
        const size_t tableColumn = fieldIndex(header, f.heading(*m));
        ASSERT_NE(tableColumn, std::string::npos) << header;
        expectValue("table csv", fieldAt(csv->substr(csv->find('\n') + 1), tableColumn), "", "");
    }
}

// Older files and other programs read the tables by these names, widths and
// decimals: a declaration that renames or reformats a stored column fails.
TEST(MeasureColumns, StoredColumnsKeepTheirLayout) {
    const std::pair<const MeasureSet*, const char*> expected[] = {
        {&countMeasures(), "filename 20 0 0,units 6 0 0,list 5 2 0,line 5 3 0,N 4 4 0,length um 10 8 1,per mm 8 7 2,"
                           "apex dist um 12 8 1,limb min um 11 6 1,limb max um 11 6 1,band um 8 6 1,spacing um 10 6 1,"
                           "threshold 9 6 2,"},
        {&widthMeasures(), "filename 20 0 0,units 6 0 0,line 5 5 0,width 8 7 1,"},
        {&loopMeasures(), "filename 20 0 0,units 6 0 0,line 5 5 0,apex width 10 7 1,loop width 10 7 1,left width 10 7 1,"
                          "right width 10 7 1,x 8 7 2,y 8 7 2,density 8 7 2,fit 8 7 3,cord 8 7 2,"},
        {&fcfMeasures(), "filename 20 0 0,units 6 0 0,width 8 7 2,height 8 7 2,area 10 7 0,FCF 8 7 3,FCD (%) 8 7 3,"
                         "flux 8 7 3,conc 8 7 3,threshold 8 7 1,"},
        {&linescanMeasures(), "filename 20 0 0,units 6 0 0,line 5 5 0,velocity 10 7 3,low 10 7 3,high 10 7 3,"
                              "percent good 13 7 1,correlation 12 7 3,in range 9 2 0,quality 8 5 2,diameter 10 7 2,"
                              "flux 12 11 1,"},
    };
    for (const auto& [set, layout] : expected) {
        std::string got;
        for (const ResultColumn& c : resultColumnsOf(*set))
            got += std::string(c.heading) + " " + std::to_string(c.displayWidth) + " " + std::to_string(c.fieldWidth) +
                   " " + std::to_string(c.decimals) + ",";
        EXPECT_EQ(got, layout) << set->name;
    }
}

// The velocity table's "units" cell names the velocity's unit ("mm/s"):
// the diameter is shown in the length, the flux always in um^3/s.
TEST(MeasureColumns, VelocityHeadingsTakeTheLengthFromTheUnitsCell) {
    const MeasureSet& set = linescanMeasures();
    MeasureValues f(set, "mm");
    f.set("line", 1).set("velocity", 0.25).set("diameter", 0.008).set("flux", 12566.4).set("in_range", 1.0);
    CResultDoc table;
    const std::vector<ResultColumn> cols = resultColumnsOf(set);
    table.setColumns(cols.size(), cols.data());
    ASSERT_TRUE(table.addRow(resultRecordOf(f, "v.dcs", "mm/s")));
    std::vector<std::string> shown;
    for (size_t c = 0; c < table.displayColumnCount(); ++c) shown.push_back(shownHeading(table, c));
    EXPECT_EQ(shown[3], "velocity (mm/s)");
    EXPECT_EQ(shown[10], "diameter (mm)");
    EXPECT_EQ(shown[11], "flux (um^3/s)");
    EXPECT_EQ(table.cell(0, 8), " 1");  // in range, stored as 1 or 0
    EXPECT_NE(f.csvRow().find(",yes,"), std::string::npos) << f.csvRow();
}
