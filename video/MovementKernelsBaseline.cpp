// The movement kernels for the x86-64-v2 baseline (SSE4.2).
#define ORDAVIA_MOVEMENT_ISA baseline
#include "video/MovementKernelLoops.h"

namespace ordavia {
extern const MovementKernels kMovementBaseline;
const MovementKernels kMovementBaseline = baseline::makeMovementKernels();
}  // namespace ordavia
