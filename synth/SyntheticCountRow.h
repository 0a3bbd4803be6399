#pragma once
// Rows for scoring a capillary counter over the whole range clinicians
// meet, 1 to 12 capillaries per millimetre, drawn the way a
// videocapillaroscope delivers them ("typical" or "hard" look):
//  - dense healthy rows (10 to 12 per mm): loops close together, each
//    loop's limbs spread so that they nearly touch the neighbour's;
//  - ordinary rows (7 to 9 per mm) with limbs somewhat spread;
//  - thinned rows (4 to 6 per mm): a little disorder and some clutter;
//  - sparse late-stage rows (1 to 3 per mm): disorganised, the odd
//    ramified loop, deep out-of-focus vessels and skin texture in the gaps.
// A counter that merges neighbours or counts clutter fails here as it
// does on real pictures.
#include <cstdint>
#include <string>

#include "base/Result.h"
#include "synth/SyntheticCapillaroscope.h"
#include "synth/SyntheticNailfold.h"

namespace ordavia {

// The parameters of a row of about `perMm` capillaries per millimetre
// (0.5..14) under the "typical" or "hard" condition. OutOfRange for an
// unknown condition or a density that does not fit.
Status countRowScene(const std::string& condition, uint64_t seed, double perMm, SyntheticNailfold::Params& p,
                     CapillaroscopeLook& look);

}  // namespace ordavia
