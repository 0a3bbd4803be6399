#pragma once
// What a pass over a movie tells about the frames it could not read. A
// frame that does not decode is never counted as a black frame: statistics
// leave it out, and the pass fails naming the frames unless the movie was
// told to skip them (CZVMovie::Options::skipDamaged).
#include <set>
#include <string>

#include "base/Result.h"

class CZVMovie;

namespace ordavia {

// "40-60, 75" for the frames of `frames` inside [first, last), at most
// `most` runs, then ", ..." .
std::string frameRuns(const std::set<int>& frames, int first, int last, int most = 12);
// The damaged frames of [first, last) (last < 0: to the end).
int damagedCount(const CZVMovie& movie, int first, int last);

// After a pass over [first, last): NoMemory when a frame could not be
// given memory; BadFormat "3 frames cannot be decoded (40-42)" when frames
// were damaged and the movie does not skip them, or when it does but no
// frame was left; success otherwise.
Status damagedFramesStatus(const CZVMovie& movie, int first, int last);

// The same for one frame that a command needs (skipping cannot help).
Status frameReadStatus(const CZVMovie& movie, int i);

}  // namespace ordavia
