#pragma once
// A live-video test bench: test services with a program folder of their
// own holding the three simulated-camera pictures (a plain textured grey
// picture, its colour and Bayer forms), and the camera sources of the run.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "live/CameraSources.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"

namespace testsupport {

// A picture whose every pixel can be predicted: grey (x * 3 + y * 7) mod 256,
// crossed by vertical dark lines (something for focus measures to see).
inline CZVimage livePicture(int w, int h, int colour) {
    CZVimage img(w, h, -1, CZVimage::kFrame, colour);
    const int bpp = img.bytesPerPixel();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = (x * 3 + y * 7) % 256;
            if (x % 24 < 4) v = 20;
            for (int c = 0; c < bpp; ++c) img.row(y)[x * bpp + c] = uint8_t(v);
        }
    return img;
}

struct LiveBench {
    ordavia::test::TestServices ts;
    ScratchDir folder{"live"};
    std::unique_ptr<ordavia::CameraSources> sources;

    explicit LiveBench(int w = 768, int h = 576, bool withPictures = true) {
        ts.services.programFolder = folder.dir.string() + "/";
        ts.profile.SetPath(folder / "ordavia.ini");
        if (withPictures) {
            EXPECT_TRUE(ordavia::savePicture(livePicture(w, h, CZVimage::kGrey), folder / "pseudo.bmp").ok());
            EXPECT_TRUE(ordavia::savePicture(livePicture(w, h, CZVimage::kColour), folder / "pseudocol.bmp").ok());
            EXPECT_TRUE(ordavia::savePicture(livePicture(w, h, CZVimage::kBayer), folder / "pseudobayer.zvg").ok());
        }
        sources = std::make_unique<ordavia::CameraSources>(ts.services);
    }
    ordavia::CameraSource& source() { return sources->source(); }
};

}  // namespace testsupport
