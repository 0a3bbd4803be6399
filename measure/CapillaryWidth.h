#pragma once
// Capillary width across a short line: the grey levels along the line form
// a profile whose dip is the blood column, and the width of the dip is the
// capillary's width. Three ways of finding the dip's edges are offered,
// because pictures differ: a level between the dip's floor and the
// background on each side (good on clean, evenly lit pictures), the
// steepest fall and rise of the profile (the edge of a blurred column,
// steady under noise), and the outer shoulders where the profile starts to
// fall (the whole column with its soft margin).
//
// Plain functions on pixels, so that the image view, the command line, the
// loop measurement, the width against time of a video and the line-scan
// summary all give the same number for the same line.
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "image/ImageFormats.h"

class CDim;
class CZVimage;
class ProfileStore;

namespace ordavia {

enum class WidthMethod : int { kThreshold = 1, kEdge = 2, kOuterEdge = 3 };

// The "capwidth" settings.
struct WidthSettings {
    int method = static_cast<int>(WidthMethod::kEdge);
    double pointOnRise = 0.9;

    static constexpr const char* kSection = "capwidth";
    static WidthSettings read(const ProfileStore& p);
    void write(const ProfileStore& p) const;
    // A stored 0 came from older profiles and meant the outer edges.
    int effectiveMethod() const { return method == 0 ? static_cast<int>(WidthMethod::kOuterEdge) : method; }
};

// The measures by the name they carry in dialogs and in the command line's
// JSON, in method order.
struct WidthMeasureName {
    WidthMethod method;
    const char* name;
};
inline constexpr WidthMeasureName kWidthMeasures[] = {
    {WidthMethod::kThreshold, "threshold"},
    {WidthMethod::kEdge, "edge detection"},
    {WidthMethod::kOuterEdge, "outer edge detection"},
};

struct ProfileWidth {
    // In samples of the profile; 0 when the method found no dip (or is
    // unknown), as the data vector's measures report it.
    double samples = 0;
    // Edge positions along the profile (sample indexes).
    double left = 0;
    double right = 0;
};

// The dip's width by one method (1, 2, 3; a 0 acts as 3).
ProfileWidth profileWidth(const std::vector<double>& profile, int method, double pointOnRise);

struct LineWidth {
    // Width in samples; -1 when there is no line or no dip.
    double samples = -1;
    // Calibrated: samples over the line's pixel length times its length in
    // the scales given.
    double units = 0;
    double left = 0, right = 0;
    // The point of the line halfway between the edges (image coordinates).
    double centreX = 0, centreY = 0;
    std::vector<double> profile;
    bool found() const { return samples >= 1; }
};

// The grey profile along a dimension's path, one sample per pixel step. A
// line wider than one pixel is averaged across its band, which steadies
// the profile on a noisy picture.
std::vector<double> lineProfile(const CZVimage& image, const CDim& line, const GreyWeights& weights);

// The whole measurement of one line: profile, dip, calibration.
LineWidth measureLineWidth(const CZVimage& image, const CDim& line, double xScale, double yScale,
                           const WidthSettings& settings, const GreyWeights& weights = {});

// The point at a (fractional) sample of the line's profile, in image
// coordinates; the last pixel beyond the end.
void pointAlong(const CDim& line, double sample, double& x, double& y);

// "%.1f " and the unit: the text a measured line is labelled with.
std::string widthLabel(double units, const std::string& unitName);

}  // namespace ordavia
