#pragma once
// Working planes of a nailfold picture for the capillaroscopy assessment:
// the relative darkening of the vessel channel (green for colour pictures,
// the grey itself otherwise) and, for colour pictures, of red and blue, on
// the ridge image's grid; and the connected parts of a mask on that grid.
// Pure functions on pixels.
#include <cstdint>
#include <vector>

class CZVimage;

namespace ordavia {

struct AssessPlanes {
    int width = 0, height = 0;
    int factor = 1;          // picture pixels per plane pixel, each way
    double umPerPixel = 1;   // of the plane
    bool colour = false;
    // 1 - value / lighting, where the lighting is a wide Gaussian of the
    // channel: 0 on plain skin, larger on darker things.
    std::vector<float> dark, darkRed, darkBlue;
    float median = 0, spread = 0;  // of dark: the background and its robust deviation
};

// `img` grey or colour (demosaic a Bayer picture first).
AssessPlanes assessPlanes(const CZVimage& img, double umPerPixel, int factor);

struct PlanePart {
    int area = 0;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // bounding box, inclusive
    std::vector<int> pixels;             // indexes into the plane
};
// 8-connected parts of the non-zero pixels with at least minArea pixels.
// `labels` gets the part's index + 1 for each pixel, 0 elsewhere.
std::vector<PlanePart> planeParts(const std::vector<uint8_t>& mask, int width, int height, int minArea,
                                  std::vector<int>& labels);

}  // namespace ordavia
