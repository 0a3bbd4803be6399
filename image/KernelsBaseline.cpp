// The kernels for the x86-64-v2 baseline (SSE4.2).
#define ORDAVIA_KERNEL_ISA baseline
#include "image/KernelLoops.h"

namespace ordavia {
extern const KernelSet kKernelsBaseline;
const KernelSet kKernelsBaseline = baseline::makeKernelSet();
}  // namespace ordavia
