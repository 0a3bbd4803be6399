#include "measure/TortuosityParams.h"

#include "settings/ProfileStore.h"

namespace ordavia {

TortuosityParams TortuosityParams::fromProfile(const ProfileStore& store) {
    TortuosityParams p;
    p.minLength = store.GetDouble("tortuosity", "minlength", p.minLength);
    p.minCurveLength = store.GetDouble("tortuosity", "mincurvelength", p.minCurveLength);
    p.minAngle = store.GetDouble("tortuosity", "minangle", p.minAngle);
    p.log = store.GetInt("tortuosity", "log", 0) != 0;
    return p;
}

}  // namespace ordavia
