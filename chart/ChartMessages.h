#pragma once
// The chart library's user-facing messages and the one place where it
// reaches the prompter and the debug log.
#include <string>

class Prompter;

namespace ordavia::chart {
inline constexpr const char* kLowMemory = "Low memory.  Save all data & exit.";
inline constexpr const char* kDopplerRefused = "Cannot perform this operation on a Doppler spectrum trace.";

// The prompter used when a caller gives none (traces and vectors are made
// outside any document); documents pass their services' prompter.
Prompter& fallbackPrompter();

// Shows the low-memory message with an exclamation icon.
void reportLowMemory(Prompter* p = nullptr);
// Shows a message; true when the user answered Yes (for yes/no questions).
bool askYesNo(const std::string& text, Prompter* p = nullptr);
void showMessage(const std::string& text, Prompter* p = nullptr);
}  // namespace ordavia::chart
