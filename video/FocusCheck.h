#pragma once
// "Focus check video": how sharp each frame of a video is, for a set of
// gaps and thresholds of the focus measure the autofocus uses, as traces of
// a new chart document with one point per frame. The trace "focus" holds
// what the capture side stored in the first four bytes of each frame;
// "fnessg%1it%1i" (gap, threshold: "fnessg5t2") the measure with gap g
// and threshold t.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"
#include "figures/MeasureValues.h"
#include "image/FocusMeasures.h"

class CMotivaDoc;
class CZVimage;
class ZchartDoc;
class ProfileStore;

namespace ordavia {

// The dialog's five whole numbers (kept while the program runs).
struct FocusCheckSettings {
    int gapFrom = 5, gapTo = 30;
    int thresholdFrom = 2, thresholdTo = 2;
    int divisions = 6;
    // (to - from) / divisions, at least 1.
    int gapStep() const;
    int thresholdStep() const;
};

struct FocusPair {
    int gap = 0, threshold = 0;
    std::string name;  // "fnessg%1it%1i"
};
// Every gap from gapFrom while below gapTo by the gap step, with every
// threshold likewise: none when either range is empty (as by default).
std::vector<FocusPair> focusCheckPairs(const FocusCheckSettings& s);

// The autofocus's measure bits ("autofocuscontrol"/"fmethod", default 2).
int focusMethodBits(const ProfileStore* profile);

// The region a measure with `gap` looks at on a frame: the region of
// interest, or the whole frame when none is set, drawn in so that the
// measure's reach g fits around it (a region touching the border would
// otherwise measure 0 for the difference measures).
FocusRegion focusCheckRegion(int width, int height, const ZRect& roi, int gap, int methodBits);

// The measure of one frame (colour and Bayer frames measured on their
// grey values).
double frameFocus(const CZVimage& frame, const ZRect& roi, int methodBits, int gap, int threshold);
// The first four bytes of the frame's pixels as a little-endian number.
uint32_t frameFocusWord(const CZVimage& frame);

// The chart of the whole video, titled with the video's title +
// " Focus check"; x in "secs" at 1 / frames per second. progress(frame)
// returning false cancels. Frame 0 is current again afterwards.
Result<std::unique_ptr<ZchartDoc>> focusCheckChart(CMotivaDoc& video, const FocusCheckSettings& s, int methodBits,
                                                   const std::function<bool(int)>& progress = {});

// The measure of every frame with one gap and threshold (the command
// line's "focus"), and the index of the sharpest frame.
struct FocusSeries {
    std::vector<double> values;
    int best = -1;
    // The sharpest frame and its measure (the "focus" set of the measure
    // catalogue); missing without frames or when every frame measures the
    // same.
    MeasureValues figures() const;
};
Result<FocusSeries> focusSeries(CMotivaDoc& video, int methodBits, int gap, int threshold,
                                const std::function<bool(int)>& progress = {});

}  // namespace ordavia
