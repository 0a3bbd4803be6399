#include "synth/LiveDeviceFiles.h"

#include <algorithm>

#include "base/Paths.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "synth/SyntheticCapillaroscope.h"
#include "synth/SyntheticNailfold.h"
#include "synth/SyntheticVideo.h"
#include "video/AviWriter.h"

namespace ordavia {

namespace {

// A 200x view: one row of loops under the nail edge, clearly in focus.
SyntheticNailfold::Params viewParams(int width, int height) {
    SyntheticNailfold::Params p;
    p.seed = 4242;
    p.width = width;
    p.height = height;
    // The same field of view at any size.
    p.umPerPixelX = p.umPerPixelY = 1.6 * 768.0 / width;
    p.noiseSigma = 3.0;
    p.blurSigma = 1.0 * width / 768.0;
    p.nailDepth = 0.12;
    p.plexus = 0.6;
    p.tortuousFraction = 0.2;
    return p;
}

Status drawColour(int width, int height, CZVimage& out) {
    SyntheticNailfold::Params p = viewParams(width, height);
    CapillaroscopeLook look;
    look.colour = true;
    look.contrast = 1.3;
    look.glare = 0.3;
    look.dust = 0.2;
    look.jpegQuality = 0;
    look.green = 135;
    SyntheticNailfold::Truth truth;
    return generateCapillaroscope(p, look, out, truth);
}

}  // namespace

Status drawLivePicture(int width, int height, int colour, CZVimage& out) {
    if (colour == CZVimage::kGrey) {
        SyntheticNailfold::Truth truth;
        std::string error;
        return SyntheticNailfold::generate(viewParams(width, height), out, truth);
    }
    CZVimage rgb;
    if (Status s = drawColour(width, height, rgb); !s) return s;
    if (colour == CZVimage::kColour) {
        out = std::move(rgb);
        return Status::success();
    }
    // The mosaic the demosaicing reads: blue at odd (x, y), red at even
    // (x, y), green on the other two sites.
    CZVimage mosaic(width, height, -1, CZVimage::kFrame, CZVimage::kBayer);
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = rgb.row(y);
        uint8_t* d = mosaic.row(y);
        for (int x = 0; x < width; ++x) {
            const int channel = (x & 1) && (y & 1) ? 0 : !(x & 1) && !(y & 1) ? 2 : 1;
            d[x] = s[3 * x + channel];
        }
    }
    out = std::move(mosaic);
    return Status::success();
}

Status writeLiveDeviceFiles(const std::string& folder, const LiveDeviceFileSizes& sizes) {
    CZVimage img;
    if (Status s = drawLivePicture(sizes.width, sizes.height, CZVimage::kGrey, img); !s) return s;
    if (Status s = savePicture(img, joinPath(folder, "pseudo.bmp")); !s) return s;
    if (Status s = drawLivePicture(sizes.colourWidth, sizes.colourHeight, CZVimage::kColour, img); !s) return s;
    if (Status s = savePicture(img, joinPath(folder, "pseudocol.bmp")); !s) return s;
    if (Status s = drawLivePicture(sizes.width, sizes.height, CZVimage::kBayer, img); !s) return s;
    if (Status s = savePicture(img, joinPath(folder, "pseudobayer.zvg")); !s) return s;

    SyntheticVideo video;
    SyntheticVideo::Params vp;
    vp.seed = 4243;
    vp.frames = sizes.videoFrames;
    vp.width = sizes.videoWidth;
    vp.height = sizes.videoHeight;
    vp.umPerPixel = 1.6 * 640.0 / sizes.videoWidth;
    // A steady microscope: the live picture should not shake.
    vp.jitter = 0.3;
    if (Status prepared = video.prepare(vp); !prepared) return prepared;
    AviWriter::Params ap;
    ap.width = vp.width;
    ap.height = vp.height;
    ap.rate = 25;
    ap.codec = "mjpeg";
    auto writer = AviWriter::open(joinPath(folder, "pseudoflow.avi"), ap);
    if (!writer) return writer.status();
    CZVimage frame;
    for (int k = 0; k < vp.frames; ++k) {
        video.frame(k, frame);
        if (Status s = (*writer)->write(frame); !s) return s;
    }
    return (*writer)->close();
}

}  // namespace ordavia
