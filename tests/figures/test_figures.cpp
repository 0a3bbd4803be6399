// The measure catalogue: the renderers give one value and one unit in every
// output, a missing value is never shown as 0, and every declaration is
// well formed (a text that names an undeclared key or two figures filed in
// one column would only show up when that analysis runs).
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <stdexcept>
#include <string>

#include "base/JsonWriter.h"
#include "figures/MeasureValues.h"
#include "figures/MeasureCatalogue.h"

using namespace ordavia;

namespace {

const MeasureSet& sample() {
    static const MeasureSet set{
        "sample",
        "Width {width} ({width:v.0} rounded), area {area.2}, n {n}",
        {
            {"width", "width", "{L}", 1, "A width.", "w", kInAll, 2},
            {"area", "area", "{L}^2", 0, "An area.", "area", kInAll},
            {"n", "count", "", 0, "A count.", nullptr, kInText | kInJson},
        },
        "Sample Results",
    };
    return set;
}

}  // namespace

TEST(MeasureValues, OneValueAndUnitInEveryOutputAndNeverAZeroForMissing) {
    MeasureValues f(sample(), "mm");
    f.set("width", 12.345).set("area", 150.6).set("n", 3);
    EXPECT_EQ(f.text(), "Width 12.3 mm (12 rounded), area 150.60 mm^2, n 3");
    JsonWriter j(false);
    j.beginObject();
    f.json(j);
    j.endObject();
    EXPECT_EQ(j.str(), R"({"width":12.35,"area":150.6,"n":3})");
    EXPECT_EQ(f.csvHeader(), "width (mm),area (mm^2)");
    EXPECT_EQ(f.csvRow(), "12.3,151");
    EXPECT_EQ(f.reportLines(), (std::vector<std::string>{"width: 12.3 mm", "area: 151 mm^2"}));
    EXPECT_EQ(f.tableValues(), (std::vector<double>{12.345, 150.6}));
    // An exact binary half rounds the same way in the text as in --json.
    f.set("width", 0.25).set("area", 2.5);
    EXPECT_EQ(f.csvRow(), "0.3,3");

    // A missing value is never shown as 0; a 0 is.
    f = MeasureValues(sample());
    f.set("width", std::nan("")).set("area", 0.0).set("n", std::optional<double>{});
    EXPECT_EQ(f.text(), "Width n/a (n/a rounded), area 0.00 um^2, n n/a");
    JsonWriter k(false);
    k.beginObject();
    f.json(k, {"n", "width"});
    k.endObject();
    EXPECT_EQ(k.str(), R"({"n":null,"width":null})");
    EXPECT_EQ(f.csvRow(), ",0");
    EXPECT_TRUE(std::isnan(f.tableValues()[0]));
    f.set("width", -0.01);
    EXPECT_EQ(f.number("width"), "0.0");
    EXPECT_THROW(f.set("widht", 1.0), std::out_of_range);
}

// Every set of the catalogue: its text names declared keys only, keys and
// stored columns are unique, and each set's table columns can be found
// again by their stored names.
TEST(MeasureCatalogue, DeclarationsAreWellFormed) {
    std::set<std::string> names;
    for (const MeasureSet* s : measureCatalogue()) {
        SCOPED_TRACE(s->name);
        EXPECT_TRUE(names.insert(s->name).second);
        EXPECT_EQ(findMeasureSet(s->name), s);
        std::set<std::string> keys, stored, csv;
        MeasureValues f(*s);
        for (const Measure& m : s->measures) {
            EXPECT_TRUE(keys.insert(m.key).second) << m.key;
            EXPECT_GE(m.decimals, 0);
            EXPECT_TRUE(m.description && *m.description) << m.key;
            f.set(m.key, 1.0);
            if (m.outputs & kInCsv) {
                EXPECT_TRUE(csv.insert(f.heading(m)).second) << "two CSV columns read " << f.heading(m);
            }
            if (!(m.outputs & kInTable)) continue;
            EXPECT_TRUE(*s->table) << m.key << " is filed in a table but the set names none";
            EXPECT_TRUE(stored.insert(m.stored ? m.stored : m.heading).second) << m.key;
            EXPECT_EQ(findStoredMeasure(s->table, m.stored ? m.stored : m.heading), &m);
        }
        EXPECT_NO_THROW(f.text());
        EXPECT_EQ(f.text().find("n/a"), std::string::npos) << f.text();
    }
}
