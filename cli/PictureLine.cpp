#include "cli/PictureLine.h"

#include "base/Text.h"

namespace ordavia {

std::string pictureLineError(const std::string& cmd, double x1, double y1, double x2, double y2, int width, int height) {
    const auto in = [&](double x, double y) { return x >= 0 && y >= 0 && x <= width - 1 && y <= height - 1; };
    if (!in(x1, y1) || !in(x2, y2)) return cmd + strprintf(": the line leaves the %dx%d picture", width, height);
    if (x1 == x2 && y1 == y2) return cmd + ": the line has no length";
    return {};
}

}  // namespace ordavia
