// Count rows over the whole range of densities; see SyntheticCountRow.h.
#include "synth/SyntheticCountRow.h"

#include "synth/SyntheticExamination.h"

namespace ordavia {

Status countRowScene(const std::string& condition, uint64_t seed, double perMm, SyntheticNailfold::Params& p,
                     CapillaroscopeLook& look) {
    if (condition != "typical" && condition != "hard")
        return Status::failure(StatusCode::OutOfRange, "unknown condition '" + condition + "' (typical or hard)");
    SynthFindings f;
    f.densityPerMm = perMm;
    f.disorder = perMm <= 3.5 ? 0.8 : (perMm <= 6.5 ? 0.4 : 0.1);
    // Late-stage rows: now and then a ramified loop among the few left.
    if (perMm <= 3.5 && seed % 2 == 1) f.ramified = 1;
    if (const Status s = assessmentScene(condition, seed, f, p, look); !s) return s;
    p.loopFill = perMm >= 9.5 ? 0.9 : (perMm >= 6.5 ? 0.6 : 0);
    p.gapClutter = perMm <= 3.5 ? 1.5 : (perMm <= 6.5 ? 0.8 : 0);
    return p.validate();
}

}  // namespace ordavia
