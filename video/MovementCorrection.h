#pragma once
// Movement correction: finds for every frame of a range the shift that lays
// it best over a reference frame and stores it as the frame's offsets in
// the movie's frame table (the pixels are not moved).
//
// The search is exhaustive over a grid of shifts; each shift is scored by
// the sum of squared grey differences over a sample pattern of a centred
// window, and the first smallest sum in row order (dy outer, dx inner, both
// rising) wins. The reference is renewed when a frame has moved more than a
// share of the searched range away from it. An optional refinement puts a
// parabola through the sums beside the winner in x and in y to estimate the
// fraction of a pixel.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "image/CZVimage.h"
#include "video/FineOffsets.h"

class CZVMovie;
class ProfileStore;

namespace ordavia {

// The parameters of a run, with their settings in section "movement".
struct MovementParams {
    static constexpr const char* kSection = "movement";
    int window = 50;     // "window": percent of width and height compared
    int range = 10;      // "range": percent of width and height searched
    int limit = 50;      // "limit": percent of the range beyond which the reference is renewed
    int resolution = 1;  // "resolution": step of the searched shifts
    int step = 8;        // "step": sampling step inside the window
    int method = 1;      // "method": 1 grid of points, 2 grid of lines, other: random points
    int lowpass = 5;     // "lowpass": box low-pass size before comparing, 0 = none
    bool subpixel = false;  // "subpixel": refine to a fraction of a pixel
    // "robust": band-pass the frames (slow light changes out) and align them
    // a second time to the mean of the first pass, where flowing cells have
    // averaged out. The first pass is the documented search on band-passed frames.
    bool robust = false;

    // Percentages are read as reals and truncated, as older profiles wrote them.
    static MovementParams fromProfile(const ProfileStore& p);
    void toProfile(const ProfileStore& p) const;
    // Empty when the values can be used, else what is wrong.
    ordavia::Status validate() const;
};

// The sample positions of a window, relative to its top left corner in a
// buffer of the given stride. Random patterns come from the classic linear
// congruential generator (seeded 1 per pattern object) and are kept while
// step, window and stride stay the same.
class SamplePattern {
public:
    const std::vector<int32_t>& offsets(int method, int step, int ww, int wh, int stride);

private:
    int key_[5] = {-1, -1, -1, -1, -1};
    std::vector<int32_t> offsets_;
    uint32_t seed_ = 1;
    int rand15();
};

struct Alignment {
    bool found = false;   // false: no shift could be compared (origin unchanged)
    int dx = 0, dy = 0;   // image (x + dx, y + dy) matches reference (x, y); stored rows
    double fx = 0, fy = 0;  // fraction added to dx, dy by the refinement
    uint64_t sum = 0;     // the winning sum
};

// Aligns the grey image `a` to the grey reference `f` of the same shape.
// Shifts that would take the window outside the image are not searched.
Alignment alignToReference(const CZVimage& f, const CZVimage& a, const MovementParams& p, SamplePattern& pattern);
// The same search over every whole shift within `radius` of (cx, cy), with
// the samples given (offsets from the window's corner); `dense`, when
// given, are the samples of the sub-pixel refinement.
Alignment alignNear(const CZVimage& f, const CZVimage& a, const MovementParams& p, const std::vector<int32_t>& samples,
                    const std::vector<int32_t>* dense, int cx, int cy, int radius);

// The fraction beside the whole-pixel shift r (found for the same window),
// by Gauss-Newton steps on every second pixel of the window.
void refineShift(const CZVimage& f, const CZVimage& a, int window, Alignment& r);

// The picture movement correction compares: grey as it is; colour as its
// luminance; a Bayer mosaic with green estimates for the other sites.
bool greyForComparing(const CZVimage& src, CZVimage& out);

// One run over frames [first, last), one frame per step() so that a timer
// can drive it with a progress window between frames.
class MovementRun {
public:
    Status start(CZVMovie& movie, int first, int last, const MovementParams& p);
    // Aligns frame next() and moves on; false when nothing was left to do.
    bool step();
    bool finished() const { return next_ >= last_ && phase_ == passes(); }
    // Frames aligned so far and in all (a robust run aligns every frame
    // again to the mean of the pass before, twice).
    int passes() const { return p_.robust ? 3 : 1; }
    int stepsDone() const { return (phase_ - 1) * (last_ - first_) + next_ - first_; }
    int totalSteps() const { return passes() * (last_ - first_); }
    int first() const { return first_; }
    int last() const { return last_; }
    int next() const { return next_; }
    int reference() const { return refIndex_; }
    const MovementParams& params() const { return p_; }
    // What the last step did: "aligning image %i of range %i to %i to image %i".
    const std::string& progressText() const { return text_; }
    // The refined offsets found so far (sub-pixel runs only).
    const FineOffsets& fine() const { return fine_; }
    // Squared differences one frame costs (shifts searched x samples).
    uint64_t comparisonsPerFrame() const { return comparisons_; }
    // Frames that could not be aligned because they (or their reference)
    // show nothing to compare: a flat window keeps the frame where it was.
    int unaligned() const { return unaligned_; }
    // How the run went so far: a failure when frames could not be decoded
    // (unless the movie skips them) or when no frame could be aligned.
    Status status() const;

    // A search that would cost more than this per frame (some seconds) is
    // refused: on large frames the searched range and the samples grow
    // together, and 4096 x 4096 frames at the usual settings would take
    // minutes per second of video.
    static constexpr uint64_t kMaxComparisonsPerFrame = uint64_t(1) << 35;

private:
    // The picture compared: the frame itself, or a grey, filtered copy.
    CZVimage* prepare(CZVimage& cur);
    void accumulate(const CZVimage& img, int sx, int sy);
    void beginSecondPass();
    void secondPassStep();

    CZVMovie* movie_ = nullptr;
    MovementParams p_;
    int first_ = 0, last_ = 0, next_ = 0, refIndex_ = 0;
    int xLimit_ = 0, yLimit_ = 0;
    double refX_ = 0, refY_ = 0;  // the reference's offsets with their fractions
    CZVimage reference_, work_;
    SamplePattern pattern_;
    FineOffsets fine_;
    std::string text_;
    // Robust runs: the sums of the first pass on the canvas of frame first,
    // their mean, and where frame first itself lies on it.
    int phase_ = 1;
    int firstX_ = 0, firstY_ = 0;
    std::vector<uint32_t> sum_, squares_;
    std::vector<uint16_t> count_;
    std::vector<int32_t> samples_, dense_;  // the still pixels of the window
    CZVimage mean_;
    CZVimage bandRef_, bandCur_;  // band-passed copies for the fraction
    bool bandValid_ = false;
    double firstShiftX_ = 0, firstShiftY_ = 0;
    uint64_t comparisons_ = 0;
    int aligned_ = 0, unaligned_ = 0;
};

}  // namespace ordavia
