#include "figures/LengthUnits.h"

#include <cctype>
#include <string>

namespace ordavia {

double micrometresPer(std::string_view unit) {
    std::string u(unit);
    for (char& c : u) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (u == "um" || u == "\xc2\xb5m" || u == "\xb5m" || u == "micron" || u == "microns" || u == "micrometre" ||
        u == "micrometer" || u == "micrometres" || u == "micrometers")
        return 1.0;
    if (u == "mm") return 1000.0;
    if (u == "cm") return 1e4;
    if (u == "m") return 1e6;
    if (u == "nm") return 1e-3;
    return 0.0;
}

}  // namespace ordavia
