#pragma once
// SyntheticLineScan: the grey values a video camera records along a line
// drawn inside a capillary limb, frame after frame, at the conditions of a
// real recording: its frame rate and pixel size, red cells of real length
// that come singly or in trains (overlapping, darker where they overlap)
// between plasma gaps, a cardiac pulsation of the speed, low contrast over
// a textured background, optical blur, motion blur over the exposure,
// a little movement of the finger, flicker, shot and read noise and 8-bit
// quantisation. Lengths are micrometres, times seconds; the truth is the
// mean speed over the frames, in micrometres per second and in points per
// frame. The same parameters give the same values on every machine.
#include <cstdint>
#include <vector>

#include "base/Result.h"

namespace ordavia {

class SyntheticLineScan {
public:
    struct Params {
        uint64_t seed = 1;
        double fps = 120.0;
        double umPerPixel = 0.77;  // one line point per pixel
        double lineUm = 60.0;      // length of the line along the limb
        int frames = 360;
        double speedUmS = 300.0;   // mean speed; the sign gives the direction along the line
        double pulsatility = 0.15; // relative amplitude of the cardiac pulsation
        double heartHz = 1.1;
        // Cells: length along the limb, cells per train (mean, geometric),
        // the gap from one cell's start to the next within a train as a
        // share of the cell length (below 1: they overlap), and the mean
        // plasma gap between trains (exponential).
        double cellUm = 8.0;
        double cellsPerTrain = 2.0;
        double trainPitch = 0.8;
        double plasmaGapUm = 12.0;
        // Cells across a wide limb do not all move alike: half of them
        // (at random) run this share faster than the mean, the rest as
        // much slower, so that the pattern shears as it travels.
        double shear = 0.0;
        // Picture: background grey level, the share of it a single cell
        // darkens at its middle, the relative amplitude of the tissue's
        // fixed texture along the line, optical blur (Gaussian sigma) and
        // the exposure as a share of the frame period.
        double level = 130.0;
        double contrast = 0.10;
        double texture = 0.08;
        double blurUm = 1.0;
        double exposure = 0.5;
        // Noise in grey levels at the background level (shot noise grows
        // with the square root of the signal, read noise stays), and the
        // relative flicker of the illumination from frame to frame.
        double noise = 3.0;
        double flicker = 0.005;
        // Finger movement: 0 still, 1 a few micrometres of drift and
        // breathing along the line and contrast lost when the limb moves
        // across it.
        double motion = 0.5;
        ordavia::Status validate() const;
    };

    struct Scan {
        uint32_t points = 0, frames = 0;
        std::vector<double> values;  // values[t * points + i], 0..255
        double meanSpeedUmS = 0;     // signed, over the frames
        double pxPerFrame = 0;       // the same in line points per frame
        // What a reader of the recording would measure: the darkening of
        // the cells against the background and the noise, both relative
        // to the background level.
        double cellCover = 0;        // share of the line's samples darkened by a cell
    };
    static Scan generate(const Params& p);
    // Conditions drawn at random over the span of real nailfold recordings:
    // 25 to 120 frames per second, pixels of 0.77 to 2 um, lines of 40 to
    // 120 um, 2 to 4 s (at most maxFrames), speeds of 100 to 1500 um/s
    // either way (log-uniform), contrast 5 to 20 %, noise growing with the
    // frame rate (fewer photons a frame), cells singly or in trains.
    static Params recordingLike(uint64_t seed, int maxFrames = 480);
};

}  // namespace ordavia
