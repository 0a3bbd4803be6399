#pragma once
// Writing frames of a movie to a new file without changing the movie:
// every k-th frame of a range, as ".mve" or as a video of the file's
// extension (uncompressed AVI without a codec).
#include <string>

#include "base/Result.h"

class CZVMovie;

namespace ordavia {

struct ExportOptions {
    int first = -1, last = -1;  // the range; -1 = from the start / to the end
    int every = 1;              // k: frames first, first + k, ...
    std::string codec;          // empty: uncompressed (".avi") or the container's default
    int rate = 0, scale = 1;    // frame rate of the output; rate 0 = the movie's own
    // Movement-corrected: each frame at its offsets on the canvas of the
    // range's offsets (as the average lays them), black where it does not
    // reach, so that the capillaries stand still. Whole frames only.
    bool corrected = false;
};

// The frames written, or why nothing was ("failed:n<1" when the range
// holds no k-th frame).
Result<int> exportFrames(CZVMovie& movie, const std::string& path, const ExportOptions& o);

}  // namespace ordavia
