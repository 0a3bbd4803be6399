#include "image/ProcessingArgs.h"

#include <cstdlib>

#include "image/SettingsReal.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {
const char* const kSection = "ProcessingArgs";
}

void ProcessingArgs::load(const ProfileStore& s) {
    const ProcessingArgs d;
    uw1 = s.GetInt(kSection, "uw1", d.uw1);
    uw2 = s.GetInt(kSection, "uw2", d.uw2);
    w3 = s.GetInt(kSection, "w3", d.w3);
    w4 = s.GetInt(kSection, "w4", d.w4);
    umin = s.GetInt(kSection, "umin", d.umin);
    umax = s.GetInt(kSection, "umax", d.umax);
    method = s.GetInt(kSection, "method", d.method);
    apexw = s.GetInt(kSection, "apexw", d.apexw);
    stddev = readSettingReal(s, kSection, "stddev", d.stddev);
    gpeak = readSettingReal(s, kSection, "gpeak", d.gpeak);
    ggain = readSettingReal(s, kSection, "ggain", d.ggain);
    apexfactor = readSettingReal(s, kSection, "apexfactor", d.apexfactor);
    apexoffset = s.GetInt(kSection, "apexoffset", d.apexoffset);
    tracethreshold = s.GetInt(kSection, "tracethreshold", d.tracethreshold);
    tracewin = s.GetInt(kSection, "tracewin", d.tracewin);
}

void ProcessingArgs::save(const ProfileStore& s) const {
    s.WriteInt(kSection, "uw1", uw1);
    s.WriteInt(kSection, "uw2", uw2);
    s.WriteInt(kSection, "w3", w3);
    s.WriteInt(kSection, "w4", w4);
    s.WriteInt(kSection, "umin", umin);
    s.WriteInt(kSection, "umax", umax);
    s.WriteInt(kSection, "method", method);
    s.WriteInt(kSection, "apexw", apexw);
    s.WriteDouble(kSection, "stddev", stddev);
    s.WriteDouble(kSection, "gpeak", gpeak);
    s.WriteDouble(kSection, "ggain", ggain);
    s.WriteDouble(kSection, "apexfactor", apexfactor);
    s.WriteInt(kSection, "apexoffset", apexoffset);
    s.WriteInt(kSection, "tracethreshold", tracethreshold);
    s.WriteInt(kSection, "tracewin", tracewin);
}

}  // namespace ordavia
