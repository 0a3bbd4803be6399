#pragma once
// A walk over the element headers of a DICOM file before the toolkit
// parses it. The toolkit allocates each value at the length its header
// claims before it reads the bytes, so a small hostile file could make it
// ask for gigabytes; here every length, at every depth of sequences and
// items, must fit in the bytes that follow it.
#include <cstddef>
#include <cstdint>

#include "base/Result.h"

namespace ordavia {

// Success when every element's length fits; deflated and big-endian data
// sets are refused too (the first may inflate without bound, the second
// is retired and never written by capillaroscopes).
Status checkDicomLengths(const uint8_t* data, size_t size);

}  // namespace ordavia
