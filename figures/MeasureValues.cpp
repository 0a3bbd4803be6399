#include "figures/MeasureValues.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "base/JsonWriter.h"
#include "base/Text.h"

namespace ordavia {

namespace {

constexpr const char* kMissing = "n/a";

std::string csvCell(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The word for a labelled figure's value; null for a value outside the
// words or a word that is null.
const char* labelOf(const Measure& m, double v) {
    const double k = std::round(v);
    if (k < 0 || k >= m.labelCount) return nullptr;
    return m.labels[static_cast<int>(k)];
}

// Halves round away from zero in every output. printf alone rounds an
// exact binary half (0.625, 8.25) to even, and the text would then differ
// from --json in its last digit.
double roundedTo(double v, int decimals) {
    const double f = std::pow(10.0, decimals);
    const double r = std::round(v * f) / f;
    return std::isfinite(r) ? r : v;
}

}  // namespace

MeasureValues::MeasureValues(const MeasureSet& set, std::string lengthUnit)
    : set_(&set), lengthUnit_(std::move(lengthUnit)), values_(set.measures.size()) {}

size_t MeasureValues::indexOf(std::string_view key) const {
    for (size_t i = 0; i < set_->measures.size(); ++i)
        if (key == set_->measures[i].key) return i;
    throw std::out_of_range(std::string(set_->name) + " declares no figure \"" + std::string(key) + "\"");
}

MeasureValues& MeasureValues::set(std::string_view key, double value) {
    values_[indexOf(key)] = std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    return *this;
}

MeasureValues& MeasureValues::set(std::string_view key, std::optional<double> value) {
    return value ? set(key, *value) : clear(key);
}

MeasureValues& MeasureValues::clear(std::string_view key) {
    values_[indexOf(key)].reset();
    return *this;
}

std::optional<double> MeasureValues::value(std::string_view key) const { return values_[indexOf(key)]; }

std::string MeasureValues::unit(const Measure& m) const {
    std::string u = m.unit ? m.unit : "";
    for (size_t at; (at = u.find("{L}")) != std::string::npos;) u.replace(at, 3, lengthUnit_);
    return u;
}

std::string MeasureValues::heading(const Measure& m) const {
    const std::string u = unit(m);
    return u.empty() ? std::string(m.heading) : std::string(m.heading) + " (" + u + ")";
}

std::string MeasureValues::format(size_t i, int decimals, bool withUnit) const {
    const Measure& m = set_->measures[i];
    if (!values_[i]) return kMissing;
    if (m.yesNo) return *values_[i] != 0 ? "yes" : "no";
    if (m.labels) {
        const char* word = labelOf(m, *values_[i]);
        return word ? word : "none";
    }
    const int d = decimals < 0 ? m.decimals : decimals;
    std::string t = strprintf("%.*f", d, roundedTo(*values_[i], d));
    // "-0.0" reads as a sign that is not there.
    if (t.find_first_not_of("-0.") == std::string::npos && t[0] == '-') t.erase(0, 1);
    const std::string u = unit(m);
    return withUnit && !u.empty() ? t + " " + u : t;
}

std::string MeasureValues::number(std::string_view key, int decimals) const { return format(indexOf(key), decimals, false); }

std::string MeasureValues::withUnit(std::string_view key, int decimals) const {
    return format(indexOf(key), decimals, true);
}

std::string MeasureValues::text() const {
    const std::string_view t = set_->text;
    std::string out;
    for (size_t i = 0; i < t.size();) {
        const size_t open = t.find('{', i);
        const size_t close = open == std::string_view::npos ? open : t.find('}', open);
        if (close == std::string_view::npos) {
            out += t.substr(i);
            break;
        }
        out += t.substr(i, open - i);
        std::string_view field = t.substr(open + 1, close - open - 1);
        int decimals = -1;
        if (const size_t dot = field.rfind('.'); dot != std::string_view::npos) {
            decimals = std::atoi(std::string(field.substr(dot + 1)).c_str());
            field = field.substr(0, dot);
        }
        bool unit = true;
        if (field.size() > 2 && field.substr(field.size() - 2) == ":v") {
            unit = false;
            field = field.substr(0, field.size() - 2);
        }
        out += format(indexOf(field), decimals, unit);
        i = close + 1;
    }
    return out;
}

void MeasureValues::json(JsonWriter& j) const {
    for (const Measure& m : set_->measures)
        if (m.outputs & kInJson) json(j, {m.key});
}

void MeasureValues::json(JsonWriter& j, std::initializer_list<std::string_view> keys) const {
    for (std::string_view key : keys) {
        const size_t i = indexOf(key);
        const Measure& m = set_->measures[i];
        j.key(m.key);
        if (!values_[i]) {
            j.null();
        } else if (m.yesNo) {
            j.value(*values_[i] != 0);
        } else if (m.labels) {
            if (const char* word = labelOf(m, *values_[i]))
                j.value(word);
            else
                j.null();
        } else if (m.jsonDecimals < 0) {
            j.value(*values_[i]);
        } else {
            j.value(roundedTo(*values_[i], m.jsonDecimals));
        }
    }
}

std::vector<double> MeasureValues::tableValues() const {
    std::vector<double> v;
    for (size_t i = 0; i < values_.size(); ++i)
        if (set_->measures[i].outputs & kInTable)
            v.push_back(values_[i] ? *values_[i] : std::numeric_limits<double>::quiet_NaN());
    return v;
}

std::string MeasureValues::csvHeader() const {
    std::string out;
    for (const Measure& m : set_->measures)
        if (m.outputs & kInCsv) out += (out.empty() ? "" : ",") + csvCell(heading(m));
    return out;
}

std::string MeasureValues::csvRow() const {
    std::string out;
    bool first = true;
    for (size_t i = 0; i < values_.size(); ++i) {
        if (!(set_->measures[i].outputs & kInCsv)) continue;
        if (!first) out += ",";
        first = false;
        if (values_[i]) out += format(i, -1, false);
    }
    return out;
}

std::vector<std::string> MeasureValues::reportLines() const {
    std::vector<std::string> lines;
    for (size_t i = 0; i < values_.size(); ++i)
        if (set_->measures[i].outputs & kInReport)
            lines.push_back(std::string(set_->measures[i].heading) + ": " + format(i, -1, true));
    return lines;
}

}  // namespace ordavia
