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
    if (m.affine) {
        kernelSet().affine(p, n, m.gain, m.offset);
        return;
    }
    for (size_t i = 0; i < n; ++i) p[i] = m.lut[p[i]];
}

}  // namespace ordavia
