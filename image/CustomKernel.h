#pragma once

class ProfileStore;

namespace ordavia {

// A 3 x 3 convolution kernel with its gain and offset: the user's custom
// filter ("ProcessingArgs" keys "custom0".."custom8" row by row from the
// top-left, "customfactor", "customoffset") or the fixed Laplacian.

struct CustomKernel {
    int k[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    double gain = 1.0;
    int offset = 0;

    // -1 everywhere, 4 in the centre: the eight neighbours against four
    // times the pixel, so a flat area comes out strongly negative (black).
    static CustomKernel laplacian();

    void load(const ProfileStore& store);
    void save(const ProfileStore& store) const;
};

}  // namespace ordavia
