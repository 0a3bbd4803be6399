#pragma once
// The temporal spectrum of every pixel: the grey values of 2n frames go
// through the shared FFT (n a power of 4), giving n powers per pixel.
//
// "FFT per pixel sequence" turns a block of the movie into its spectrum
// frames; "&Calculate Flux conc & speed" condenses the spectra into the
// power in a band (concentration), its first moment (flux) and their
// ratio (speed).
#include <functional>

#include "base/Result.h"

class CZVimage;
class CZVMovie;

namespace ordavia {

// Frames start .. start + 2n - 1 (2n must fit in the movie): frame start + k
// becomes min(P[k], 255) truncated for k < n; a processing pass then
// rewrites the movie as the n spectrum frames followed by the block's
// frames n .. 2n - 1 (the rest of the movie is not kept). n must be a power
// of 4 from 4 to 4096.
Status fftPerPixelPass(CZVMovie& movie, int start, int n, const std::function<bool(int)>& progress = {});

struct FluxParams {
    int nfftpts = 16;        // "nfftpts"
    double threshold = 0.1;  // "threshold"
    int lfCutoff = 1;        // "LFcutoff"
    int hfCutoff = 16;       // "HFcutoff"
};
// Over the first 2 nfftpts frames, per pixel: S0 = sum P[k] and S1 =
// sum k P[k] for k in [max(LF, 1), min(HF, n)); S1 x 2 / n^2, S0 / n;
// speed = 0 where S0 <= threshold, else S1 / S0 x 255. The pictures hold
// min(value, 255) truncated; any of them may be null.
Status fluxConcSpeed(CZVMovie& movie, const FluxParams& p, CZVimage* speed, CZVimage* conc, CZVimage* flux);

}  // namespace ordavia
