#pragma once
// The chart library's user-facing messages and the one place where it
// reaches the prompter and the debug log.
#include <string>

namespace ordavia {
class Prompter;
}  // namespace ordavia

namespace ordavia::chart {
inline constexpr const char* kLowMemory = "Low memory.  Save all data & exit.";
inline constexpr const char* kDopplerRefused = "Cannot perform this operation on a Doppler spectrum trace.";

// Shows the low-memory message with an exclamation icon; without a
// prompter (a trace made outside any document) it goes to the debug log.
void reportLowMemory(Prompter* p = nullptr);
// Shows a message; true when the user answered Yes (for yes/no questions).
// Documents pass their services' prompter: without one these throw, so
// that nothing is answered on the user's behalf.
bool askYesNo(const std::string& text, Prompter* p);
void showMessage(const std::string& text, Prompter* p);
}  // namespace ordavia::chart
