#pragma once
// A magnification: the scales of one microscope objective or camera set-up
// (units per pixel along x and y), with the name and date of its calibration.
#include <cstdint>
#include <string>

namespace ordavia {

struct Magnification {
    double xScale = 1.0;
    double yScale = 1.0;
    std::string name = "default";
    int32_t date = 0;  // seconds since 1970, 32-bit as stored

    // One line of the magnification list: "%8.3f %8.3f %-25s %s" with the
    // date in the long local format.
    std::string listLine() const;
    // The date as "%#c" gives it: "Tuesday, March 14, 1995, 12:41:29"
    // without leading zeros, in local time.
    static std::string formatDate(int32_t date);
};

}  // namespace ordavia
