#include "db/Installation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

std::string userName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* u = std::getenv("USER")) return u;
    return {};
}

std::string hostName() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

}  // namespace

std::string installationOwnerText(const ProfileStore& profile) {
    return profile.GetString("Settings", "owner", userName());
}

std::string installationStationText(const ProfileStore& profile) {
    return profile.GetString("Settings", "station", hostName());
}

}  // namespace ordavia
