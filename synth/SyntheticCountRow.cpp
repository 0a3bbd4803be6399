// Count rows over the whole range of densities; see SyntheticCountRow.h.
#include "synth/SyntheticCountRow.h"

#include <algorithm>

#include "synth/SyntheticExamination.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {
constexpr uint64_t kCountRowStream = 0xC0C0'0350;
}  // namespace

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
    if (perMm >= 6.5) {
        // Dense rows as a capillaroscope shows them: neighbouring loops
        // touch and merge at the picture's blur. Their place is less even,
        // many blood columns are wide, their limbs spread to the neighbour's
        // and the focus is softer across a row that bulges: each picture
        // draws how much (a stream of its own, so the anatomy of the other
        // rows stays as it was).
        SynthRandom r(seed, kCountRowStream);
        p.disorder = 0.4;
        p.loopFill = 1;
        p.dilatedLoops = static_cast<int>(p.loops * r.range(0.3, 0.6));
        p.blurSigma = std::min(20.0, p.blurSigma * r.range(1.3, 1.7));
    }
    return p.validate();
}

}  // namespace ordavia
