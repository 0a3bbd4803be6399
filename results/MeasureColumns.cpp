#include "results/MeasureColumns.h"

#include "figures/MeasureValues.h"
#include "figures/MeasureCatalogue.h"

namespace ordavia {

std::vector<ResultColumn> resultColumnsOf(const MeasureSet& set) {
    std::vector<ResultColumn> cols;
    for (const LeadColumn& lead : set.leadColumns) cols.push_back({lead.name, lead.width, 0, 0});
    for (const Measure& m : set.measures)
        if (m.outputs & kInTable)
            cols.push_back({m.stored ? m.stored : m.heading, m.columnWidth, m.fieldWidth, uint16_t(m.decimals)});
    return cols;
}

ResultRecord resultRecordOf(const MeasureValues& figures, std::string first, std::string second) {
    return {std::move(first), std::move(second), figures.tableValues()};
}

const MeasureSet* measureSetOf(const CResultDoc& doc) {
    const auto& formats = doc.formats();
    for (const MeasureSet* set : measureCatalogue()) {
        const std::vector<ResultColumn> cols = resultColumnsOf(*set);
        if (cols.size() != formats.size()) continue;
        bool same = true;
        for (size_t i = 0; i < cols.size() && same; ++i) same = formats[i]->heading == cols[i].heading;
        if (same) return set;
    }
    return nullptr;
}

std::string shownHeading(const CResultDoc& doc, size_t displayCol) {
    const Ccolformat& f = doc.displayFormat(displayCol);
    const MeasureSet* set = measureSetOf(doc);
    if (!set || f.column < set->leadColumns.size()) return f.heading;
    size_t k = set->leadColumns.size();
    for (const Measure& m : set->measures) {
        if (!(m.outputs & kInTable)) continue;
        if (k++ != f.column) continue;
        std::string unit = "units";
        for (size_t c = 0; c < set->leadColumns.size(); ++c)
            if (std::string_view(set->leadColumns[c].name) == "units" && doc.rowTotal() > 0) {
                for (size_t d = 0; d < doc.displayColumnCount(); ++d)
                    if (doc.displayFormat(d).column == c && !doc.cell(0, d).empty()) unit = doc.cell(0, d);
            }
        const std::string_view suffix = set->unitsSuffix;
        if (!suffix.empty() && unit.size() > suffix.size() && unit.compare(unit.size() - suffix.size(), suffix.size(), suffix) == 0)
            unit.resize(unit.size() - suffix.size());
        return MeasureValues(*set, unit).heading(m);
    }
    return f.heading;
}

}  // namespace ordavia
