// A document reaching the process-wide profile, which the services check
// must refuse.
double adjustSize() { return ProfileStore::instance().GetDouble("settings", "adjustsz", 0.2); }
