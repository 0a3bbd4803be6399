// Kept apart so that only this file changes its object code from build to build.
#include "app/BuildInfo.h"

const char* buildTimestamp() { return __DATE__ " " __TIME__; }
