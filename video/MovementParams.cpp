#include "video/MovementCorrection.h"

#include <cmath>

#include "settings/ProfileStore.h"

namespace ordavia {

MovementParams MovementParams::fromProfile(const ProfileStore& s) {
    MovementParams p;
    auto percent = [&](const char* key, int def) {
        const double v = s.GetDouble(kSection, key, def);
        return std::isfinite(v) && std::fabs(v) < 1e6 ? int(v) : def;
    };
    p.window = percent("window", p.window);
    p.range = percent("range", p.range);
    p.limit = percent("limit", p.limit);
    p.resolution = s.GetInt(kSection, "resolution", p.resolution);
    p.step = s.GetInt(kSection, "step", p.step);
    p.method = s.GetInt(kSection, "method", p.method);
    p.lowpass = s.GetInt(kSection, "lowpass", p.lowpass);
    p.subpixel = s.GetInt(kSection, "subpixel", 0) != 0;
    p.robust = s.GetInt(kSection, "robust", 0) != 0;
    return p;
}

void MovementParams::toProfile(const ProfileStore& s) const {
    s.WriteInt(kSection, "window", window);
    s.WriteInt(kSection, "range", range);
    s.WriteInt(kSection, "limit", limit);
    s.WriteInt(kSection, "resolution", resolution);
    s.WriteInt(kSection, "step", step);
    s.WriteInt(kSection, "method", method);
    s.WriteInt(kSection, "lowpass", lowpass);
    s.WriteInt(kSection, "subpixel", subpixel ? 1 : 0);
    s.WriteInt(kSection, "robust", robust ? 1 : 0);
}

ordavia::Status MovementParams::validate() const {
    const auto outside = [](std::string why) {
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, std::move(why));
    };
    if (window < 1 || window > 100) return outside("the window must be 1 to 100 % of the image");
    if (range < 0 || range > 50) return outside("the range must be 0 to 50 % of the image");
    if (limit < 0 || limit > 1000) return outside("the limit must be 0 to 1000 % of the range");
    if (resolution < 1 || resolution > 1000) return outside("the resolution must be 1 to 1000 pixels");
    if (step < 1 || step > 1000) return outside("the step must be 1 to 1000 pixels");
    if (lowpass < 0 || lowpass > 199) return outside("the low-pass size must be 0 to 199");
    return ordavia::Status::success();
}

}  // namespace ordavia
