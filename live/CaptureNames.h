#pragma once
// The start of the names of captured pictures and recordings: the record
// bar's base name, or, when the user left it empty, the current subject and
// examination ("AB12-1001"), so that no file name starts with the time
// stamp's "-".
#include <string>

namespace ordavia {

class AppServices;

std::string captureBaseName(const AppServices& services);

}  // namespace ordavia
