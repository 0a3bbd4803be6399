#pragma once
// The ".mve" movie file: int32 magic -23, the 36-byte image header of the
// frames, the frames' pixel rows back to back (no row padding) and a
// trailer of int32 count and int32 ring start. Older files have no trailer
// (the first int32 is the count) or a trailer with a magic above -23, and
// then every frame carries its own image header (16, 32 or 36 bytes).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/ImageFormats.h"

namespace ordavia {

constexpr int32_t kMveMagic = -23;
constexpr size_t kMveHeaderSize = kZvgHeaderSize;
// The largest frame a movie file may hold (an 8192 x 8192 grey frame):
// larger declared frames are refused before anything is allocated.
constexpr int64_t kMaxMovieFrameBytes = int64_t(1) << 26;

// The field number the header of a movie file carries while the movie is
// being recorded into it; finishing the recording writes the real one.
// The frames' own field numbers live in the frame table, so a reader that
// does not know the mark reads such a file as it reads any other, and one
// that does knows the recording was cut off (the program was killed).
constexpr int32_t kMveUnfinishedField = 0x3F434552;  // "REC?"
// Where that field number sits in the file (magic, -2, 36, field).
constexpr int64_t kMveFieldPosition = 12;


// Parses one image header from `size` bytes (the form is chosen by its
// first int32: >= 0 the 16-byte form, -1 the 32-byte form, other negative
// values the 36-byte form). False when truncated or when sizes, colour or
// interlace are out of range.
bool parseMveHeader(const uint8_t* data, size_t size, ImageHeader& h);

}  // namespace ordavia
