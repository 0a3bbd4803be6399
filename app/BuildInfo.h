#pragma once

namespace ordavia {

// The compiler's date and time of this build, "Mmm dd yyyy hh:mm:ss".
const char* buildTimestamp();

}  // namespace ordavia
