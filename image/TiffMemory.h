#pragma once
// TIFF bytes in memory opened with libtiff for reading, shared by every
// reader of TIFF pictures. Callers include <tiffio.h> to use the handle.
#include <cstddef>
#include <cstdint>

struct tiff;

namespace ordavia {

// The bytes and the read position; the caller keeps it (and the bytes)
// alive until TIFFClose.
struct TiffInMemory {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t pos = 0;
};

// Null when the bytes are no TIFF. `quiet` keeps libtiff's warnings and errors (private
// tags of microscope software) off the terminal; `maxAlloc` > 0 caps any
// single allocation libtiff makes for the file.
tiff* openTiffInMemory(TiffInMemory& file, const char* name, bool quiet = false, int64_t maxAlloc = 0);

}  // namespace ordavia
