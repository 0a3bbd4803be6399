#pragma once
// Opening a file for reading that must be a regular file: a FIFO would make
// the open wait for a writer and a device or folder is no input, so the kind
// is checked before opening and again on what was opened (the name may have
// been replaced between the two).
#include <cstdint>
#include <string>

#include "base/Result.h"

namespace ordavia {

// On success `fd` is open for reading (the caller closes it) and `size` is
// the file's length in bytes.
Status openRegularFile(const std::string& path, int& fd, uint64_t& size);

}  // namespace ordavia
