#include "settings/DebugLog.h"

#include <cstdarg>
#include <cstdio>

namespace ordavia {

namespace {
std::string& logFile() {
    static std::string name = "zv.log";
    return name;
}
bool g_enabled = false;
}  // namespace

namespace DebugLog {
void setFile(const std::string& path) { logFile() = path; }
const std::string& file() { return logFile(); }
void setEnabled(bool on) { g_enabled = on; }
bool enabled() { return g_enabled; }
}  // namespace DebugLog

const char* debugLog(const char* fmt, ...) {
    if (!g_enabled || !fmt) return fmt;
    FILE* f = std::fopen(logFile().c_str(), "a+");
    if (!f) return fmt;
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(f, fmt, ap);
    va_end(ap);
    std::fclose(f);
    return fmt;
}

}  // namespace ordavia
