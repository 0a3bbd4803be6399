// The kernels built with AVX2 (chosen at run time by kernelSet()).
#define ORDAVIA_KERNEL_ISA avx2
#include "image/KernelLoops.h"

namespace ordavia {
extern const KernelSet kKernelsAvx2;
const KernelSet kKernelsAvx2 = avx2::makeKernelSet();
}  // namespace ordavia
