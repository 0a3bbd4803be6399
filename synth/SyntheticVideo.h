#pragma once
// SyntheticVideo: nailfold videos with known truth, for measuring velocity,
// stabilisation and flow methods against numbers instead of by eye.
//
// The anatomy is the synthetic nailfold still (loops, nail edge, skin,
// plexus, vignetting). Inside every loop's blood column a train of red
// cells with plasma gaps of random length moves along the centre line from
// the arterial foot round the apex to the venous foot, at the capillary's
// own mean speed with a cardiac pulsation; some capillaries stand still.
// Each frame is then blurred, lit with a slowly drifting illumination,
// moved as a whole by a known shift (integer on some frames, sub-pixel on
// the others) and given sensor noise. The same parameters give the same
// bytes on every machine.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "synth/SyntheticNailfold.h"

class CZVimage;

namespace ordavia {

class SyntheticVideo {
public:
    struct Params {
        uint64_t seed = 1;
        int frames = 100;
        double fps = 25.0;
        int width = 640;
        int height = 480;
        double umPerPixel = 1.6;
        double jitter = 1.5;   // pixels, amplitude of the global shifts
        int stillCount = 1;    // capillaries without flow
        double noiseSigma = 3.0;
        // A focus sweep: frame defocusFrame is in focus, and every frame
        // away from it adds defocusStep pixels of defocus blur to the
        // optics' own (added in quadrature, as blurs add). Below 0: every
        // frame in focus.
        int defocusFrame = -1;
        double defocusStep = 0.4;
        ordavia::Status validate() const;
    };

    struct Capillary {
        int index = 0;
        bool flows = true;
        double velocityUmPerS = 0;     // mean speed along the centre line
        double velocityPxPerFrame = 0;
        double pulsatility = 0;        // relative amplitude of the cardiac pulsation
        double phase = 0;              // radians at frame 0
        std::vector<SyntheticNailfold::Point> centreLine;  // arterial foot -> venous foot
        double arterialWidthUm = 0, venousWidthUm = 0, apexWidthUm = 0;
        // Each limb where it has its own width and is in focus (frame
        // coordinates of the reference scene).
        std::vector<SyntheticNailfold::Loop::Limb> limbs;
    };

    struct Truth {
        Params params;
        double heartRateHz = 1.1;
        // Frame k shows the scene moved by shifts[k]: its pixel (x, y) is
        // the reference scene's point (x - dx, y - dy).
        std::vector<SyntheticNailfold::Point> shifts;
        std::vector<Capillary> capillaries;
        // Gaussian blur of each frame in pixels: the optics' 1.2 everywhere,
        // more away from the sharp frame of a focus sweep.
        std::vector<double> blurSigma;
        // The mean speed along the centre line between frames `from` and
        // `to` (their cell trains' displacement over the time between
        // them): what a velocity over those frames should find.
        double meanVelocityUmPerS(const Capillary& c, int from, int to) const;
        std::string json() const;
    };

    // Prepares the scene; refuses parameters that cannot be drawn.
    Status prepare(const Params& p);
    const Truth& truth() const { return truth_; }
    // Draws frame k (0 .. frames - 1) into a grey image of the video's size.
    void frame(int k, CZVimage& out) const;

private:
    Params p_;
    Truth truth_;
    int margin_ = 0, cw_ = 0, ch_ = 0;  // canvas = frame + margin on every side
    std::vector<float> background_;     // light without the blood of the loops
    std::vector<float> absorbance_;     // share of light the blood column takes, 0 outside
    std::vector<int16_t> loopOf_;       // loop of a blood pixel, -1 none
    std::vector<float> arc_;            // distance along the loop's centre line (pixels)
    std::vector<std::vector<float>> density_;  // red-cell density along each loop, periodic
};

}  // namespace ordavia
