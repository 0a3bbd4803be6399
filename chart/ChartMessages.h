#pragma once
// The chart library's user-facing messages and the one place where it
// reaches the prompter and the debug log.
#include <string>

namespace ordavia::chart {
inline constexpr const char* kLowMemory = "Low memory.  Save all data & exit.";
inline constexpr const char* kDopplerRefused = "Cannot perform this operation on a Doppler spectrum trace.";

// Shows the low-memory message with an exclamation icon.
void reportLowMemory();
// Shows a message; true when the user answered Yes (for yes/no questions).
bool askYesNo(const std::string& text);
void showMessage(const std::string& text);
}  // namespace ordavia::chart
