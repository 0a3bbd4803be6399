#pragma once
// The check every picture command makes of a line it measures along
// (width, count, loops): both ends on the picture and some length between
// them. A line that fails it is refused with its reason, never measured as
// nothing.
#include <string>

namespace ordavia {

// "CMD: the line leaves the WxH picture" or "CMD: the line has no length";
// empty when the line (pixel coordinates) is fit to measure along.
std::string pictureLineError(const std::string& cmd, double x1, double y1, double x2, double y2, int width, int height);

}  // namespace ordavia
