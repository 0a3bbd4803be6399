#pragma once
// The inner loop of movement correction, built twice (x86-64-v2 baseline
// and AVX2) and picked at run time: sums of squared grey differences of a
// fixed sample list against a run of neighbouring horizontal shifts.
#include <cstddef>
#include <cstdint>

namespace ordavia {

struct MovementKernels {
    // out[i] = sum over s < n of (ref[s] - img[off[s] + i])^2 for 0 <= i < nx.
    // ref holds the reference's sample values, off the samples' positions
    // relative to img; every img[off[s] + i] must be readable.
    void (*ssdRow)(const int16_t* ref, const int32_t* off, int n, const uint8_t* img, int nx, uint64_t* out);
};

// The build useAvx2Kernels() (image/CpuDispatch.h) picks, the same as for
// the image kernels.
const MovementKernels& movementKernels();

}  // namespace ordavia
