#pragma once
// The review's dialogs, with the program's own texts. Each returns nothing
// when the user cancels.
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace ordavia::dopplerui {

// "&Calculate CBV": a new "CBV" trace from the spectrum (-1) or one of the
// velocity traces given as (index, name).
std::optional<int> calculateCbvDialog(QWidget* parent, const std::vector<std::pair<int, std::string>>& velocities);

// The pulse half-width in samples.
std::optional<int> halfWidthDialog(QWidget* parent, int current);

// "&Level contour...": the power interval between contours and the number
// of contour traces.
struct LevelContour {
    double interval = 100.0;
    int count = 5;
};
std::optional<LevelContour> levelContourDialog(QWidget* parent, const LevelContour& current);

}  // namespace ordavia::dopplerui
