#include "image/KernelSet.h"

#include "image/CpuDispatch.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace ordavia {

extern const KernelSet kKernelsBaseline;
extern const KernelSet kKernelsAvx2;

bool cpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool useAvx2Kernels() {
    static const bool avx2 = [] {
        const char* force = std::getenv("ORDAVIA_KERNELS");
        if (force && std::strcmp(force, "baseline") == 0) return false;
        return cpuHasAvx2();
    }();
    return avx2;
}

const KernelSet& kernelSet() { return useAvx2Kernels() ? kKernelsAvx2 : kKernelsBaseline; }

namespace {

uint8_t affineByte(int p, float gain, float offset) {
    float t = float(p) * gain + offset;
    t = t > 0.0f ? t : 0.0f;
    t = t < 255.0f ? t : 255.0f;
    return uint8_t(int(t));
}

}  // namespace

ByteMap byteMap(const uint8_t (&lut)[256], double gain, double offset) {
    ByteMap m;
    std::memcpy(m.lut, lut, sizeof m.lut);
    if (!std::isfinite(gain) || !std::isfinite(offset)) return m;
    // Whole numbers first: gain = a / 2^(8 + shift), offset = (add - sub) /
    // 2^shift with the largest shift that keeps a and the offset in 16 bits
    // (at most 8, so that saturation at 65535 still means 255).
    if (gain >= 0.0 && gain < 256.0 && std::fabs(offset) < 65536.0) {
        int shift = 8;
        while (shift > 0 && (gain * double(1 << (8 + shift)) > 65535.0 || std::fabs(offset) * double(1 << shift) > 65535.0))
            --shift;
        const double a0 = gain * double(1 << (8 + shift)), b0 = offset * double(1 << shift);
        for (double a : {std::ceil(a0), std::floor(a0)})
            for (double b : {std::round(b0), std::floor(b0), std::ceil(b0)}) {
                if (a > 65535.0 || std::fabs(b) > 65535.0) continue;
                const unsigned ua = unsigned(a), add = b > 0 ? unsigned(b) : 0u, sub = b < 0 ? unsigned(-b) : 0u;
                bool same = true;
                for (int p = 0; p < 256 && same; ++p) same = fixedByte(p, ua, add, sub, shift) == lut[p];
                if (same) {
                    m.fixed = true;
                    m.a = uint16_t(ua);
                    m.add = uint16_t(add);
                    m.sub = uint16_t(sub);
                    m.shift = shift;
                    return m;
                }
            }
    }
    // Float rounding can land an exact integer just below it; a nudge of
    // the offset smaller than any fractional step of the map puts it back.
    // Whatever is chosen is checked against all 256 entries.
    const float g = float(gain);
    for (double nudge : {0.0, 1.0 / 4096, 1.0 / 1024, 1.0 / 512}) {
        const float o = float(offset + nudge);
        bool same = true;
        for (int p = 0; p < 256 && same; ++p) same = affineByte(p, g, o) == lut[p];
        if (same) {
            m.affine = true;
            m.gain = g;
            m.offset = o;
            return m;
        }
    }
    return m;
}

void applyByteMap(const ByteMap& m, uint8_t* p, size_t n) {
    if (m.fixed) {
        kernelSet().fixedMap(p, n, m.a, m.add, m.sub, m.shift);
        return;
    }
    if (m.affine) {
        kernelSet().affine(p, n, m.gain, m.offset);
        return;
    }
    for (size_t i = 0; i < n; ++i) p[i] = m.lut[p[i]];
}

}  // namespace ordavia
