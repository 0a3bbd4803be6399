#pragma once
// Text forms of a results table outside the program: CSV for spreadsheets
// (RFC 4180: fields with a comma, quote or line break are quoted, quotes
// doubled, records end in CR LF) and the header line of printed pages.
#include <ctime>
#include <string>
#include <string_view>

class CResultDoc;

std::string csvField(std::string_view s);
// The heading row, then every row; numeric cells lose the blanks that pad
// them to their field width.
std::string resultsAsCsv(const CResultDoc& doc);

// The long local date and time of printed pages, e.g.
// "Tuesday, March 14, 1995, 12:41:29".
std::string longDateTimeText(std::time_t t);
// "Ordavia  <path>  <date>" as printed at the top of every page.
std::string resultPrintHeader(const std::string& programName, const std::string& path, std::time_t t);
