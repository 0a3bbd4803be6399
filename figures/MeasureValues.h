#pragma once
// The values of one measurement, held against their declarations, and
// every form they are shown in. An analysis fills a MeasureValues; the document,
// the command line, the results table, CSV and the report read it through
// the renderers here, so that all of them give one value with one unit.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "figures/MeasureSet.h"

namespace ordavia {

class JsonWriter;

class MeasureValues {
public:
    // lengthUnit is what "{L}" in a unit reads as (the picture's unit).
    explicit MeasureValues(const MeasureSet& set, std::string lengthUnit = "um");

    const MeasureSet& set() const { return *set_; }
    const std::string& lengthUnit() const { return lengthUnit_; }

    // Setting a key the set does not declare is a programming error
    // (std::out_of_range). A non-finite value counts as missing.
    MeasureValues& set(std::string_view key, double value);
    MeasureValues& set(std::string_view key, std::optional<double> value);
    MeasureValues& clear(std::string_view key);
    std::optional<double> value(std::string_view key) const;

    // "6.3" (the declared decimals unless given); "n/a" when missing.
    std::string number(std::string_view key, int decimals = -1) const;
    // "6.3 per mm".
    std::string withUnit(std::string_view key, int decimals = -1) const;
    // The unit with "{L}" resolved.
    std::string unit(const Measure& m) const;
    // "density (per mm)": the heading shown in tables, CSV and the report.
    std::string heading(const Measure& m) const;

    // The set's result text filled in.
    std::string text() const;
    // Every figure for JSON: key, then the value rounded as declared, or
    // null when missing (never 0). The subset form writes those keys in
    // that order, so that a command keeps its documented key order.
    void json(JsonWriter& j) const;
    void json(JsonWriter& j, std::initializer_list<std::string_view> keys) const;
    // The numeric cells of a results row, in the set's order; NaN for a
    // missing value (the table leaves that cell empty).
    std::vector<double> tableValues() const;
    // One CSV heading line (headings with units) and one line of values
    // (empty fields for missing ones), comma separated, without line ends.
    std::string csvHeader() const;
    std::string csvRow() const;
    // "heading (unit): value unit" lines for the report.
    std::vector<std::string> reportLines() const;

private:
    size_t indexOf(std::string_view key) const;
    std::string format(size_t i, int decimals, bool unit) const;
    const MeasureSet* set_;
    std::string lengthUnit_;
    std::vector<std::optional<double>> values_;
};

}  // namespace ordavia
