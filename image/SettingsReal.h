#pragma once
// Reading real-valued settings for the filters and detectors.
#include <cstdlib>
#include <string>

#include "settings/ProfileStore.h"

namespace ordavia {

// A real setting; an absent or blank key gives the default exactly (the
// store's own GetDouble passes defaults through "%f", which would cut
// 0.7079664 to six decimals).
inline double readSettingReal(const ProfileStore& s, const char* section, const char* key, double def) {
    const std::string text = s.GetString(section, key, "");
    if (text.find_first_not_of(" \t") == std::string::npos) return def;
    return std::atof(text.c_str());
}

}  // namespace ordavia
