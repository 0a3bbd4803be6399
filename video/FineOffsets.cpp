#include "video/FineOffsets.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "base/Text.h"

namespace ordavia {

bool FineOffsets::empty() const {
    for (const FineOffset& e : v_)
        if (e.set) return false;
    return true;
}

void FineOffsets::set(int frame, int32_t x, int32_t y, double fx, double fy) {
    if (frame < 0) return;
    if (size_t(frame) >= v_.size()) v_.resize(size_t(frame) + 1);
    v_[size_t(frame)] = FineOffset{true, x, y, fx, fy};
}

void FineOffsets::merge(const FineOffsets& other) {
    for (size_t i = 0; i < other.v_.size(); ++i)
        if (other.v_[i].set) set(int(i), other.v_[i].x, other.v_[i].y, other.v_[i].fx, other.v_[i].fy);
}

bool FineOffsets::get(int frame, int32_t x, int32_t y, double& fx, double& fy) const {
    if (frame < 0 || size_t(frame) >= v_.size()) return false;
    const FineOffset& e = v_[size_t(frame)];
    if (!e.set || e.x != x || e.y != y) return false;
    fx = e.fx;
    fy = e.fy;
    return true;
}

std::string FineOffsets::format() const {
    std::string out = std::string(kHeader) + "\n" + strprintf("frames=%zu\n", v_.size());
    for (size_t i = 0; i < v_.size(); ++i) {
        const FineOffset& e = v_[i];
        if (e.set) out += strprintf("%zu, %d, %d, %.6f, %.6f\n", i, e.x, e.y, e.fx, e.fy);
    }
    return out;
}

namespace {

bool number(const std::string& s, double& v) {
    const std::string t = trim(s);
    if (t.empty()) return false;
    errno = 0;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    return !errno && *end == '\0' && std::isfinite(v);
}

}  // namespace

Result<FineOffsets> FineOffsets::parse(const std::string& text, int maxFrames) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || trim(line) != kHeader) return Status::failure("not a sub-pixel offsets file");
    double frames = 0;
    if (!std::getline(in, line) || !startsWith(line, "frames=") || !number(line.substr(7), frames) || frames < 0 ||
        frames > maxFrames || frames != std::floor(frames))
        return Status::failure("the frame count of the sub-pixel offsets is damaged");
    FineOffsets out;
    int lineNo = 2;
    while (std::getline(in, line)) {
        ++lineNo;
        if (trim(line).empty()) continue;
        double f[5];
        std::istringstream fields(line);
        std::string cell;
        int n = 0;
        while (n < 5 && std::getline(fields, cell, ',') && number(cell, f[n])) ++n;
        if (n != 5 || std::getline(fields, cell)) return Status::failure(strprintf("line %d of the sub-pixel offsets is damaged", lineNo));
        // A fraction is at most a pixel away from the whole offset it refines.
        const bool whole = f[0] == std::floor(f[0]) && f[1] == std::floor(f[1]) && f[2] == std::floor(f[2]);
        if (!whole || f[0] < 0 || f[0] >= frames || std::fabs(f[1]) > 1e8 || std::fabs(f[2]) > 1e8 ||
            std::fabs(f[3] - f[1]) > 1.0 || std::fabs(f[4] - f[2]) > 1.0)
            return Status::failure(strprintf("line %d of the sub-pixel offsets is out of range", lineNo));
        out.set(int(f[0]), int32_t(f[1]), int32_t(f[2]), f[3], f[4]);
    }
    return out;
}

}  // namespace ordavia
