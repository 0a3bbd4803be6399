#include "image/CustomKernel.h"

#include <string>

#include "image/SettingsReal.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {
const char* const kSection = "ProcessingArgs";
std::string key(int i) { return "custom" + std::to_string(i); }
}  // namespace

CustomKernel CustomKernel::laplacian() {
    CustomKernel c;
    for (int& v : c.k) v = -1;
    c.k[4] = 4;
    return c;
}

void CustomKernel::load(const ProfileStore& s) {
    for (int i = 0; i < 9; ++i) k[i] = s.GetInt(kSection, key(i), 0);
    gain = readSettingReal(s, kSection, "customfactor", 1.0);
    offset = s.GetInt(kSection, "customoffset", 0);
}

void CustomKernel::save(const ProfileStore& s) const {
    for (int i = 0; i < 9; ++i) s.WriteInt(kSection, key(i), k[i]);
    s.WriteDouble(kSection, "customfactor", gain);
    s.WriteInt(kSection, "customoffset", offset);
}

}  // namespace ordavia
