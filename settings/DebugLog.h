#pragma once
// The debug log: a printf-style writer that appends to a text file, opening
// and closing it for every call so that the log survives a crash. It is off
// until the start-up settings are loaded; its file is "zv.log" in the
// working directory until start-up derives the real name.
#include <string>

namespace ordavia {

namespace DebugLog {
void setFile(const std::string& path);
const std::string& file();
void setEnabled(bool on);
bool enabled();
}  // namespace DebugLog

// Writes one formatted piece of text to the log (the format carries its own
// newline) and returns the format argument.
const char* debugLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ordavia
