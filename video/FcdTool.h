#pragma once
// "Mark functional capillary density" on a flow picture: the share of a
// region in which blood flows, in percent.
//
// The region is the current object of the current list when it encloses
// an area (irregular polygon, freehand area, circle, rectangle), else the
// region of interest. A pixel belongs to it when its centre lies inside.
// A pixel is functional when its flow ratio sd(d) / sd(I) is above the
// level of the counting rule, "FCDtype" in section "fcf":
//   "auto"   above 0, i.e. its grey value varied by at least the document's
//            threshold (the rule of the "FCD (%)" column);
//   "manual" above a ratio the user gives ("FCDlevel"), which also leaves
//            out pixels that only drift slowly (low ratio, high sd(I)).
// Coordinates are those of the picture's parent frame, like every mark on
// it, so all of this is tested without a window.
#include <cstdint>
#include <string>

#include "base/Geometry.h"
#include "base/Result.h"

class CDim;
namespace ordavia {
class Prompter;
}  // namespace ordavia
class ProfileStore;
class fcfdoc;

namespace ordavia {

struct FcdSettings {
    bool manual = false;  // "FCDtype": "auto" or "manual"
    double level = 0.9;   // the ratio of the manual rule ("FCDlevel")
};

struct FcdResult {
    double density = 0;  // percent of the region's pixels
    int64_t pixels = 0, functional = 0;
    ZRect bounds;  // the counted pixels' bounding box, parent frame
    double fcf = 0, flux = 0, conc = 0;  // means over the region
    double level = 0;  // the ratio a functional pixel is above
    std::string region;  // "region of interest", "polygon 3", ...
};

class FcdTool {
public:
    static constexpr const char* kCommand = "Mark functional capillary density";
    static constexpr const char* kSection = "fcf";
    static constexpr const char* kTypeKey = "FCDtype";
    static constexpr const char* kLevelKey = "FCDlevel";
    static constexpr const char* kAuto = "auto";
    static constexpr const char* kManual = "manual";
    // Frame-to-frame noise and flowing cells give ratios near or above 1;
    // a grey value that drifts over seconds gives well below.
    static constexpr double kDefaultLevel = 0.9;
    static constexpr const char* kLevelPrompt = "flow ratio sd(d) / sd(I) above which a pixel is functional";
    static constexpr const char* kNoRegion =
        "Mark the region to count first: draw an irregular polygon, a freehand area or a circle around the "
        "capillaries (or set the region of interest), then choose \"Mark functional capillary density\" again.";
    static constexpr const char* kOutside = "The region lies outside the flow picture.";
    static constexpr const char* kNoStatistics =
        "This flow picture has no statistics (its .zvrawfcf file could not be read): the density cannot be counted.";
    // The label the counted region gets on the picture.
    static constexpr const char* kLabel = "FCD %.1f%%";

    // Unknown types read as "auto"; a level that is not a finite number
    // >= 0 as the default.
    static FcdSettings storedSettings(const ProfileStore& p);
    static void storeSettings(const ProfileStore& p, const FcdSettings& s);

    explicit FcdTool(fcfdoc& doc) : doc_(doc) {}

    // Whether an object encloses an area the tool can count.
    static bool isArea(const CDim& d);
    // Counts the region under the rule, changing nothing.
    Result<FcdResult> measure(const FcdSettings& s) const;
    // Counts and records: the density at the end of the result text, a
    // line in the notes, a row of the flow results table (when the document
    // has one) and the label on the region (undoable).
    Result<FcdResult> mark(const FcdSettings& s);
    // The command: the stored rule (asking for the manual level and keeping
    // the answer), the count, and the result or the reason shown. Empty
    // when the user cancelled the question.
    Result<FcdResult> run(Prompter& prompter, const ProfileStore& profile);

private:
    fcfdoc& doc_;
};

}  // namespace ordavia
