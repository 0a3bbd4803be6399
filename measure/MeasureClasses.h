#pragma once

namespace ordavia {

// Makes the dimension classes known to the archive's class registry. Every
// reader of a file that may hold dimensions calls it first; calling it again
// does nothing.
void registerMeasureClasses();

}  // namespace ordavia
