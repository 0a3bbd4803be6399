// Kept apart so that only this file changes its object code from build to build.
#include "app/BuildInfo.h"

namespace ordavia {

const char* buildTimestamp() { return __DATE__ " " __TIME__; }

}  // namespace ordavia
