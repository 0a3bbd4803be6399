#include "measure/Magnification.h"

#include <ctime>

#include "base/Text.h"

namespace ordavia {

std::string Magnification::listLine() const {
    return strprintf("%8.3f %8.3f %-25s %s", xScale, yScale, name.c_str(), formatDate(date).c_str());
}

std::string Magnification::formatDate(int32_t date) {
    const std::time_t t = date;
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    return strprintf("%s, %s %d, %d, %d:%02d:%02d", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12], tm.tm_mday,
                     tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

}  // namespace ordavia
