#pragma once
// The simple detectors used to prepare or check capillary work: a plain
// threshold, local minima (within a window, or within a tolerance of the
// darkest pixel of a dip) and the labelling of 8-connected equal-grey
// regions. Each returns its marks or image; the document adds the marks to
// its list, writes the history text and keeps the result image.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "image/CZVimage.h"

class ProfileStore;

namespace ordavia {

// Section "minima": "threshold", "window width", "window height",
// "tolerance", each stored as text holding a number.
struct MinimaSettings {
    int threshold = 128;
    int windowWidth = 50;
    int windowHeight = 50;
    int tolerance = 50;
    void load(const ProfileStore& store);
    void save(const ProfileStore& store) const;
};

// A minimum: parent frame coordinates and grey value.
struct MinimumMark {
    int x = 0;
    int y = 0;
    int value = 0;
    friend bool operator==(const MinimumMark&, const MinimumMark&) = default;
};

struct MinimaResult {
    // Sorted by grey value, then row, then column: the darkest first.
    std::vector<MinimumMark> marks;
    // The region's size, 255 except the minima, which hold their grey.
    CZVimage marker;
    std::string history;  // the text for the notes
};

// "find minima within window": a pixel darker than the threshold with no
// strictly darker pixel in the (2 (W / 2) + 1) x (2 (H / 2) + 1) window
// centred on it (the window cut to the image).
MinimaResult findMinimaInWindow(const CZVimage& img, const ZRect& region, const MinimaSettings& s);

// "find minima within tolerance": the darkest pixel of a dip that cannot be
// left for a darker pixel (or an equally dark one found earlier) without
// climbing above its own grey + tolerance or to the threshold; 8-connected.
MinimaResult findMinimaWithinTolerance(const CZVimage& img, const ZRect& region, const MinimaSettings& s);

struct EightRegion {
    int x = 0;  // seed, parent frame coordinates
    int y = 0;
    int value = 0;
    int64_t count = 0;
};

struct EightRegionsResult {
    CZVimage labels;  // the source's size: 128 where a region was labelled, else 0
    std::vector<EightRegion> regions;
};

// "find 8 regions": every interior pixel of the region (not on its first or
// last row or column) not yet labelled seeds an 8-connected fill over the
// pixels of exactly its grey value inside the region.
EightRegionsResult findEightRegions(const CZVimage& img, const ZRect& region);

// "&Simple threshold": 255 above the level, 0 otherwise, over the region.
bool simpleThreshold(CZVimage& img, const ZRect& region, int level);
// "settings"/"simpleimagethreshold", default 128.
int loadSimpleThresholdLevel(const ProfileStore& store);

}  // namespace ordavia
