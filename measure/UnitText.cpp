#include "measure/UnitText.h"

#include "base/Text.h"

namespace ordavia {

std::string displayUnit(const std::string& stored) {
    const std::string u = toLower(stored);
    if (u == "um" || u == "micron" || u == "microns" || u == "micrometre" || u == "micrometer") return "\xC2\xB5m";
    if (u == "pixel" || u == "pixels") return "px";
    return stored;
}

std::string displayAreaUnit(const std::string& stored) {
    const std::string u = displayUnit(stored);
    return u.empty() ? u : u + "\xC2\xB2";
}

}  // namespace ordavia
