#pragma once
// The archive the workstation sends to, kept in the profile's "PACS"
// section: "aetitle", "host", "port" and "callingaetitle".
#include "dicom/PacsNode.h"

class ProfileStore;

namespace ordavia {

constexpr const char* kPacsSection = "PACS";
PacsNode pacsNodeFromProfile(const ProfileStore& profile);
// False when the profile could not be written.
bool storePacsNode(const ProfileStore& profile, const PacsNode& node);

}  // namespace ordavia
