#pragma once
// One figure an analysis produces, declared once: every output (the
// document's result text, the results-table row, --json, CSV, the report
// and the Examinations window) is rendered from this declaration by
// MeasureValues, so that a figure cannot read differently in two places.
#include <cstdint>

namespace ordavia {

// The outputs a figure appears in. A setting filed beside the figures in a
// results table (a threshold, a line number) is table-only; a figure the
// table has no column for leaves kTable out.
enum MeasureOutput : uint8_t {
    kInText = 1,
    kInTable = 2,
    kInJson = 4,
    kInCsv = 8,
    kInReport = 16,
    kInAll = 31,
};

struct Measure {
    const char* key;          // the JSON key, unique in its set ("per_mm")
    const char* heading;      // the heading shown, without its unit ("density")
    // The unit as shown after a value ("um", "per mm", "um^3/s"); empty
    // for a plain number. "{L}" stands for the picture's length unit, so
    // that "{L}^2" reads "um^2" on a calibrated picture and "pixels^2" on
    // another.
    const char* unit;
    int decimals;             // table, CSV, report and text
    const char* description;  // one sentence: what the figure is
    // The column's name in a results table, where the figure has one.
    // Stored names stay as they are (older files and other programs read
    // them); the heading shown carries the unit.
    const char* stored = nullptr;
    uint8_t outputs = kInAll;
    // Digits after the point in --json; -1 writes the value as computed.
    int jsonDecimals = -1;
    // The results-table column: characters on screen, and the printf field
    // width of the stored cell.
    uint16_t columnWidth = 8;
    uint16_t fieldWidth = 7;
    // A yes-or-no figure: true or false in JSON, "yes" or "no" in text,
    // CSV and the report, 1 or 0 in a results table.
    bool yesNo = false;
    // A figure that names one of a few states: the value is an index into
    // these words (labelCount of them), shown as the word in text, CSV and
    // the report and as a JSON string; a null word reads "none" and is null
    // in JSON. The results table files the index.
    const char* const* labels = nullptr;
    int labelCount = 0;
};

}  // namespace ordavia
