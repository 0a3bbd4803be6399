#pragma once
// The capillary count commands of an image view, for its "&Process" menu
// beside the detector: count along the current line, count on every line
// of the list, correct the marks by clicking, and the settings.
#include "base/ui/CommandTable.h"

class QWidget;
class ZBasicDoc;

namespace ordavia {

// The commands after a separator; none when `view` is no image view.
CommandTable capillaryCountCommands(ZBasicDoc* doc, QWidget* view);

inline constexpr const char* kCountAlongLine = "Count capillaries along &line";
inline constexpr const char* kCountAllLines = "Count capillaries on &all lines";
inline constexpr const char* kCorrectCount = "Co&rrect capillary count";
inline constexpr const char* kCountSettings = "Capillary count se&ttings...";

}  // namespace ordavia
