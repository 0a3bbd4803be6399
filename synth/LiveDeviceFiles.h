#pragma once
// The files the simulated cameras play, drawn from the synthetic nailfold so
// that the live window looks like a microscope framed on a nailfold rather
// than a test card: "pseudo.bmp" (grey), "pseudocol.bmp" (colour, at half
// the size to keep the shipped file small), "pseudobayer.zvg" (the colour
// view as a raw Bayer mosaic) and "pseudoflow.avi" (a short MJPEG video of
// flowing capillaries, played in a loop by the recorded-video source).
// Fixed seeds: the same files on every build.
#include <string>

#include "base/Result.h"

class CZVimage;

namespace ordavia {

struct LiveDeviceFileSizes {
    int width = 768, height = 576;           // grey and Bayer pictures
    int colourWidth = 384, colourHeight = 288;
    int videoWidth = 480, videoHeight = 360;
    int videoFrames = 100;                   // 4 s at 25 frames per second
};

// The grey picture, the colour picture and the Bayer mosaic.
Status drawLivePicture(int width, int height, int colour, CZVimage& out);
// Writes all four files into `folder`.
Status writeLiveDeviceFiles(const std::string& folder, const LiveDeviceFileSizes& sizes = {});

}  // namespace ordavia
