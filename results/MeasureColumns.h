#pragma once
// Results tables made from the measure catalogue: a set's columns, a row of
// its figures, and the heading a stored column is shown under (with its
// unit), found by the table's columns so that a table read back from a file
// is shown the same way as a new one.
#include <string>
#include <vector>

#include "results/CResultDoc.h"

namespace ordavia {

class MeasureValues;
struct MeasureSet;

// The lead text columns, then one column per table figure (stored names).
std::vector<ResultColumn> resultColumnsOf(const MeasureSet& set);
// The row of a measurement: first and second are the lead texts.
ResultRecord resultRecordOf(const MeasureValues& figures, std::string first, std::string second);
// The set whose table columns are exactly the table's, or null.
const MeasureSet* measureSetOf(const CResultDoc& doc);
// The heading of a column as shown: "length (um)" for a column the
// catalogue declares, the stored name otherwise. A unit of the picture's
// length takes the table's "units" text of its first row.
std::string shownHeading(const CResultDoc& doc, size_t displayCol);

}  // namespace ordavia
