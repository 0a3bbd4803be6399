#include "video/MovementCorrection.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/Text.h"
#include "image/BoxFilter.h"
#include "settings/ProfileStore.h"
#include "video/CZVMovie.h"
#include "video/MovementKernels.h"

namespace ordavia {

extern const MovementKernels kMovementBaseline;
extern const MovementKernels kMovementAvx2;

const MovementKernels& movementKernels() {
    static const MovementKernels& chosen = []() -> const MovementKernels& {
        const char* force = std::getenv("ORDAVIA_KERNELS");
        if (force && std::strcmp(force, "baseline") == 0) return kMovementBaseline;
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return kMovementAvx2;
        return kMovementBaseline;
    }();
    return chosen;
}

// ---------------------------------------------------------------------------
// Parameters

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
    return p;
}

void MovementParams::toProfile(const ProfileStore& s) const {
    s.WriteDouble(kSection, "window", window);
    s.WriteDouble(kSection, "range", range);
    s.WriteInt(kSection, "limit", limit);
    s.WriteInt(kSection, "resolution", resolution);
    s.WriteInt(kSection, "step", step);
    s.WriteInt(kSection, "method", method);
    s.WriteInt(kSection, "lowpass", lowpass);
    s.WriteInt(kSection, "subpixel", subpixel ? 1 : 0);
}

std::string MovementParams::validate() const {
    if (window < 1 || window > 100) return "the window must be 1 to 100 % of the image";
    if (range < 0 || range > 50) return "the range must be 0 to 50 % of the image";
    if (limit < 0 || limit > 1000) return "the limit must be 0 to 1000 % of the range";
    if (resolution < 1 || resolution > 1000) return "the resolution must be 1 to 1000 pixels";
    if (step < 1 || step > 1000) return "the step must be 1 to 1000 pixels";
    if (lowpass < 0 || lowpass > 199) return "the low-pass size must be 0 to 199";
    return {};
}

// ---------------------------------------------------------------------------
// Sample patterns

int SamplePattern::rand15() {
    seed_ = seed_ * 214013u + 2531011u;
    return int((seed_ >> 16) & 0x7FFF);
}

const std::vector<int32_t>& SamplePattern::offsets(int method, int step, int ww, int wh, int stride) {
    step = std::max(1, step);
    const bool random = method != 1 && method != 2 && step > 1;
    // Random lists stay while step, window and stride stay, whatever the method.
    const int key[5] = {random ? -2 : method, step, ww, wh, stride};
    if (std::equal(key, key + 5, key_)) return offsets_;
    std::copy(key, key + 5, key_);
    offsets_.clear();
    if (ww <= 0 || wh <= 0) return offsets_;
    if (method == 2) {
        // A grid of lines: every step-th row in full, then every step-th column.
        for (int y = 0; y < wh; y += step)
            for (int x = 0; x < ww; ++x) offsets_.push_back(y * stride + x);
        for (int x = 0; x < ww; x += step)
            for (int y = 0; y < wh; ++y) offsets_.push_back(y * stride + x);
    } else if (!random) {
        for (int y = 0; y < wh; y += step)
            for (int x = 0; x < ww; x += step) offsets_.push_back(y * stride + x);
    } else {
        const int64_t n = int64_t(ww) * wh / (int64_t(step) * step);
        offsets_.reserve(size_t(n));
        for (int64_t i = 0; i < n; ++i) {
            const int64_t r1 = rand15(), r2 = rand15();
            offsets_.push_back(int32_t((r2 * (ww - 1) + r1 * stride * int64_t(wh - 1)) / 32767));
        }
    }
    return offsets_;
}

// ---------------------------------------------------------------------------
// Alignment

namespace {

// The first value of the grid lo, lo + res, ... that is at least v.
int gridFrom(int lo, int res, int v) { return v <= lo ? lo : lo + (v - lo + res - 1) / res * res; }

// The refinement's own sums over every pixel of the window: the sparse
// pattern that finds the winner is too thin for a fraction.
uint64_t denseSum(const CZVimage& f, const CZVimage& a, int x0, int y0, int ww, int wh, int dx, int dy) {
    uint64_t sum = 0;
    for (int y = 0; y < wh; ++y) {
        const uint8_t* p = f.row(y0 + y) + x0;
        const uint8_t* q = a.row(y0 + y + dy) + x0 + dx;
        uint32_t s = 0;
        for (int x = 0; x < ww; ++x) {
            const int d = int(p[x]) - int(q[x]);
            s += uint32_t(d * d);
        }
        sum += s;
    }
    return sum;
}

// The vertex of the parabola through (-1, a), (0, b), (1, c), within half a
// pixel; 0 when the sums do not curve upwards.
double vertex(uint64_t a, uint64_t b, uint64_t c) {
    const double den = double(a) - 2.0 * double(b) + double(c);
    if (!(den > 0)) return 0;
    return std::clamp(0.5 * (double(a) - double(c)) / den, -0.5, 0.5);
}

}  // namespace

Alignment alignToReference(const CZVimage& f, const CZVimage& a, const MovementParams& p, SamplePattern& pattern) {
    Alignment r;
    const int W = f.width(), H = f.rows(), S = f.stride();
    if (f.isEmpty() || a.isEmpty() || a.width() != W || a.rows() != H || a.stride() != S || f.bytesPerPixel() != 1 ||
        a.bytesPerPixel() != 1)
        return r;
    const int ww = int(W * (p.window / 100.0)), wh = int(H * (p.window / 100.0));
    if (ww < 1 || wh < 1) return r;
    const int x0 = (W - ww) / 2, y0 = (H - wh) / 2;
    const int rx = int(W * (p.range / 100.0)), ry = int(H * (p.range / 100.0));
    const int res = std::max(1, p.resolution);
    // Shifts that keep the window inside the picture; the grid keeps its
    // places, so the order of the shifts searched does not change.
    const int gx0 = gridFrom(-rx, res, std::max(-rx, -x0)), gxEnd = std::min(rx - 1, W - ww - x0);
    const int gy0 = gridFrom(-ry, res, std::max(-ry, -y0)), gyEnd = std::min(ry - 1, H - wh - y0);
    if (gx0 > gxEnd || gy0 > gyEnd) return r;
    const std::vector<int32_t>& off = pattern.offsets(p.method, p.step, ww, wh, S);
    if (off.empty()) return r;
    const uint8_t* fc = f.data() + ptrdiff_t(y0) * S + x0;
    std::vector<int16_t> ref(off.size());
    for (size_t s = 0; s < off.size(); ++s) ref[s] = fc[off[s]];
    const int nx = gxEnd - gx0 + 1;
    std::vector<uint64_t> row(size_t(nx) + 1);
    const MovementKernels& k = movementKernels();
    uint64_t best = UINT64_MAX;
    for (int dy = gy0; dy <= gyEnd; dy += res) {
        const uint8_t* img = a.data() + ptrdiff_t(y0 + dy) * S + x0 + gx0;
        k.ssdRow(ref.data(), off.data(), int(off.size()), img, nx, row.data());
        for (int dx = gx0; dx <= gxEnd; dx += res) {
            const uint64_t v = row[size_t(dx - gx0)];
            if (v < best) {
                best = v;
                r.dx = dx;
                r.dy = dy;
            }
        }
    }
    r.found = true;
    r.sum = best;
    if (p.subpixel) {
        const uint64_t c = denseSum(f, a, x0, y0, ww, wh, r.dx, r.dy);
        if (r.dx - 1 >= -x0 && r.dx + 1 <= W - ww - x0)
            r.fx = vertex(denseSum(f, a, x0, y0, ww, wh, r.dx - 1, r.dy), c, denseSum(f, a, x0, y0, ww, wh, r.dx + 1, r.dy));
        if (r.dy - 1 >= -y0 && r.dy + 1 <= H - wh - y0)
            r.fy = vertex(denseSum(f, a, x0, y0, ww, wh, r.dx, r.dy - 1), c, denseSum(f, a, x0, y0, ww, wh, r.dx, r.dy + 1));
    }
    return r;
}

bool greyForComparing(const CZVimage& src, CZVimage& out) {
    if (src.isEmpty()) return false;
    if (out.width() != src.width() || out.rows() != src.rows() || out.colour() != CZVimage::kGrey || out.bytesPerPixel() != 1) {
        out.setInterlace(src.interlace());
        if (!out.resize(src.width(), src.rows(), 1)) return false;
        out.setColour(CZVimage::kGrey);
    }
    out.setInterlace(src.interlace());
    out.setTag(src.tag());
    out.setOriginX(src.originX());
    out.setStoredOriginY(src.storedOriginY());
    if (src.colour() == CZVimage::kColour) {
        for (int y = 0; y < src.rows(); ++y) {
            const uint8_t* s = src.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < src.width(); ++x, s += 3) d[x] = uint8_t((s[0] * 29 + s[1] * 150 + s[2] * 77 + 128) >> 8);
        }
        return true;
    }
    for (int y = 0; y < src.rows(); ++y) std::memcpy(out.row(y), src.row(y), size_t(src.width()));
    if (src.colour() == CZVimage::kBayer) {
        out.setColour(CZVimage::kBayer);
        out.bayerToGrey();
    }
    return true;
}

// ---------------------------------------------------------------------------
// A run

Status MovementRun::start(CZVMovie& movie, int first, int last, const MovementParams& p) {
    if (const std::string why = p.validate(); !why.empty()) return Status::failure(why);
    if (movie.count() <= 0) return Status::failure("the video has no frames");
    movie.clampRange(first, last);
    if (first >= last) return Status::failure("the selection holds no frames");
    movie_ = &movie;
    p_ = p;
    first_ = first;
    last_ = last;
    const CZVimage& f = movie.GoTo(first);
    if (!greyForComparing(f, reference_)) return Status::failure("Low memory.  Save all data & exit.");
    if (p.lowpass > 0) {
        lowPassFilter(reference_, {}, p.lowpass);
        if (!work_.Copy(reference_)) return Status::failure("Low memory.  Save all data & exit.");
    }
    refIndex_ = first;
    next_ = first + 1;
    refX_ = reference_.originX();
    refY_ = reference_.originY();
    fine_.clear();
    text_.clear();
    // Limits in whole pixels of the full frame.
    xLimit_ = int(f.width() * (p.limit / 100.0) * (p.range / 100.0));
    yLimit_ = int(f.height() * (p.limit / 100.0) * (p.range / 100.0));
    return Status::success();
}

bool MovementRun::step() {
    if (!movie_ || next_ >= last_) return false;
    CZVimage& cur = movie_->GoTo(next_);
    // Grey frames without low pass are compared as they are.
    const bool direct = p_.lowpass == 0 && cur.colour() == CZVimage::kGrey && cur.bytesPerPixel() == 1;
    CZVimage* compared = &cur;
    if (!direct) {
        if (greyForComparing(cur, work_)) {
            if (p_.lowpass > 0) lowPassFilter(work_, {}, p_.lowpass);
            compared = &work_;
        }
    }
    const int yUnit = reference_.isField() ? 2 : 1;
    if (getenv("MOVGAIN") && compared == &work_) {
        double mr = 0, mc = 0;
        reference_.statistics({}, &mr, nullptr, nullptr);
        work_.statistics({}, &mc, nullptr, nullptr);
        if (mc > 0) work_.linearMap({}, mr / mc, 0);
    }
    const Alignment a = alignToReference(reference_, *compared, p_, pattern_);
    int x = reference_.originX(), y = reference_.originY();
    if (a.found) {
        x -= a.dx;
        y -= a.dy * yUnit;
        if (p_.subpixel) {
            const double fx = refX_ - (a.dx + a.fx), fy = refY_ - (a.dy + a.fy) * yUnit;
            // The whole offsets follow the refined ones.
            x = int(std::lround(fx));
            y = int(std::lround(fy / yUnit)) * yUnit;
            fine_.set(next_, x, y, fx, fy);
        }
    }
    movie_->ShiftCurrentOffset(x - cur.originX(), y - cur.originY());
    compared->setOrigin(x, y);
    if (std::abs(x - reference_.originX()) > xLimit_ || std::abs(y - reference_.originY()) > yLimit_) {
        if (p_.lowpass == 0) {
            greyForComparing(cur, reference_);
        } else {
            std::swap(reference_, work_);
        }
        reference_.setOrigin(x, y);
        double fx = x, fy = y;
        if (!p_.subpixel || !fine_.get(next_, x, y, fx, fy)) fx = x, fy = y;
        refX_ = fx;
        refY_ = fy;
        refIndex_ = next_;
    }
    text_ = strprintf("aligning image %i of range %i to %i to image %i", next_, first_, last_, refIndex_);
    ++next_;
    return true;
}

}  // namespace ordavia
