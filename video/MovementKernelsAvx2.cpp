// The movement kernels built with AVX2 (chosen at run time).
#define ORDAVIA_MOVEMENT_ISA avx2
#include "video/MovementKernelLoops.h"

namespace ordavia {
extern const MovementKernels kMovementAvx2;
const MovementKernels kMovementAvx2 = avx2::makeMovementKernels();
}  // namespace ordavia
