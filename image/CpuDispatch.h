#pragma once
// The one choice between the two builds of every hot kernel family (image
// filters, movement correction): the AVX2 build when the processor has
// AVX2, the x86-64-v2 baseline otherwise. ORDAVIA_KERNELS=baseline in the
// environment forces the baseline for all of them (the filter tests run
// once that way). Decided once, at first use, so that a process never mixes
// builds.

namespace ordavia {

// Whether this processor runs AVX2 code; false off x86.
bool cpuHasAvx2();
// Whether the kernel families use their AVX2 build.
bool useAvx2Kernels();

}  // namespace ordavia
