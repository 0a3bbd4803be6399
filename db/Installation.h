#pragma once
// Who saved a document, and where: the owner text (the user or site of this
// installation) and the station text (the computer). Both come from the
// profile, "Settings"/"owner" and "Settings"/"station"; without them the
// signed-in user's name and the host name stand in.
#include <string>

class ProfileStore;

namespace ordavia {

std::string installationOwnerText(const ProfileStore& profile);
std::string installationStationText(const ProfileStore& profile);

}  // namespace ordavia
