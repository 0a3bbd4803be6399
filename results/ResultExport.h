#pragma once
// Text forms of a results table outside the program: CSV for spreadsheets
// (RFC 4180: fields with a comma, quote or line break are quoted, quotes
// doubled, records end in CR LF) and the header line of printed pages.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "base/Result.h"

class CResultDoc;

namespace ordavia {

std::string csvField(std::string_view s);

// Every row is written with every column, so a file of few bytes (many
// column formats, many empty rows) could ask for gigabytes: tables beyond
// this many cells are refused.
constexpr uint64_t kMaxCsvCells = uint64_t(1) << 24;

// The heading row, then every row; numeric cells lose the blanks that pad
// them to their field width. The text is handed to `sink` a row at a time,
// so that memory stays at one row whatever the table's size. Fails (before
// writing anything) on a table beyond kMaxCsvCells, or when the sink fails.
Status writeResultsCsv(const CResultDoc& doc, const std::function<bool(const std::string&)>& sink);
// The same as one text (small tables: the clipboard, tests).
Result<std::string> resultsAsCsv(const CResultDoc& doc);

// The long local date and time of printed pages, e.g.
// "Tuesday, March 14, 1995, 12:41:29".
std::string longDateTimeText(std::time_t t);
// "Ordavia  <path>  <date>" as printed at the top of every page.
std::string resultPrintHeader(const std::string& programName, const std::string& path, std::time_t t);

}  // namespace ordavia
