#pragma once
// How sharp a grey picture is inside a region, and the golden-section search
// over focus positions that the autofocus drives. Plain functions on pixels:
// the live picture's autofocus and the focus check of a recorded video call
// the same code, so a focus figure means the same thing in both.
#include <cstddef>
#include <cstdint>

namespace ordavia {

// A grey 8-bit picture: `stride` bytes from one row to the next.
struct GreyPixels {
    const uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0;
    uint8_t at(int x, int y) const { return data[ptrdiff_t(y) * stride + x]; }
};

// The region [x0, x1) x [y0, y1).
struct FocusRegion {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The measures, by their bit value in the "fmethod" setting.
enum FocusMethodBit : int {
    FocusGradientEnergy = 1,     // sum of squared horizontal neighbour differences
    FocusSecondDifference = 2,   // horizontal p[x-g] + p[x+g] - 2 p[x] above t
    FocusLaplacian = 4,          // four-neighbour Laplacian at distance g above t
};

// One measure over `region` (clipped to the picture first). Each returns its
// sum divided by the region's area, and 0 for a picture or region without
// pixels. The difference measures are 0 unless the whole reach g fits
// outside the region on every side they look at.
double focusGradientEnergy(const GreyPixels& pic, FocusRegion region);
double focusSecondDifference(const GreyPixels& pic, FocusRegion region, int gap, int threshold);
double focusLaplacian(const GreyPixels& pic, FocusRegion region, int gap, int threshold);

// The measure the "fmethod" bits select: bits are tried in the order 1, 2, 4,
// so the highest set bit gives the result; 0 when no known bit is set.
double focusMeasure(const GreyPixels& pic, FocusRegion region, int methodBits, int gap, int threshold);

// The central region covering `fraction` of the picture's width and height
// (the autofocus "ROI" setting), never empty for a non-empty picture.
FocusRegion centralFocusRegion(int width, int height, double fraction);

// Golden-section search for the focus position with the largest measure.
// Positions are whole numbers; every computed position is truncated. The
// caller moves the focus drive to next(), measures, and calls report() until
// finished(); the final next() is where the drive should stay.
class FocusSearch {
public:
    static constexpr double kRatio = 0.38196601124999996;  // (3 - sqrt 5) / 2

    void start(int low, int high, int minRange);
    void report(double measure);

    int next() const { return x_; }
    bool finished() const { return finished_; }
    int measurements() const { return count_; }
    double best() const { return best_; }
    int low() const { return a_; }
    int middle() const { return b_; }
    int high() const { return c_; }

private:
    int a_ = 0, b_ = 0, c_ = 0, x_ = 0;
    int minRange_ = 0;
    int count_ = 0;
    double best_ = 0.0;
    bool finished_ = true;
};

}  // namespace ordavia
