#pragma once
// Processing passes over a whole movie. Each visits the frames in order
// with GoTo while a processing output is open, so that a frame is written
// when it is left and frames never left are dropped; the movie then
// reopens on the output.
#include <functional>

#include "base/Result.h"

class CZVimage;
class CZVMovie;

namespace ordavia {

// Called after each frame with its index; false cancels the pass (its
// output is discarded and the movie stays as it was, except that an
// in-place pass keeps the frames already written).
using PassProgress = std::function<bool(int frame)>;

// op changes the current frame; in place where the movie allows.
Status framePass(CZVMovie& movie, const std::function<void(CZVimage&)>& op, const PassProgress& progress = {});
// op may change the frame's kind (Bayer or colour to grey, Bayer to
// colour): the frames go to a new output whose header takes the shape of
// the first converted frame, never into the movie's own file.
Status reformatPass(CZVMovie& movie, const std::function<void(CZVimage&)>& op, const PassProgress& progress = {});
// Frame i becomes frame i - frame i+1 + 128; the last frame is dropped.
Status subtractTracePass(CZVMovie& movie, const PassProgress& progress = {});
// Every frame becomes frame - image + offset (same size only).
Status subtractImagePass(CZVMovie& movie, const CZVimage& image, int offset, const PassProgress& progress = {});
// Frame i becomes min((frame i - frame i+1)^2, 255) over their overlap
// under the offsets, 0 elsewhere; the last frame is dropped.
Status squareOfDifferencesPass(CZVMovie& movie, const PassProgress& progress = {});
// Keeps the frames outside [first, last) / inside it, with their records.
Status deleteSelectedPass(CZVMovie& movie, int first, int last);
Status deleteNonSelectedPass(CZVMovie& movie, int first, int last);

}  // namespace ordavia
