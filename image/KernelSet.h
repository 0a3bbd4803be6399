#pragma once
// The inner loops of the image kernels, built twice: once for the x86-64-v2
// baseline and once with AVX2. kernelSet() picks the widest one the
// processor runs (image/CpuDispatch.h). Callers check the ranges each entry
// needs (stated below); outside them they keep their general code.
#include <cstddef>
#include <cstdint>

namespace ordavia {

struct KernelSet {
    // Box low or high pass of a w x h region, window 2k + 1 cut at the
    // edges. Needs 1 <= k, 2k + 1 < min(w, h) and 2k + 1 <= 255.
    void (*box)(uint8_t* data, ptrdiff_t stride, int w, int h, int k, bool highPass);
    // The same for rows [y0, y1) only, from the picture src into dst
    // (src == dst works in place for the whole picture only).
    void (*boxRows)(const uint8_t* src, ptrdiff_t sstride, uint8_t* dst, ptrdiff_t dstride, int w, int h, int k,
                    bool highPass, int y0, int y1);
    // S for one output row y of the apex filter: the zero-padded
    // correlation of the region (src, w x h) with the (2r + 1)^2 taps,
    // which must be symmetric in dy and fit 16 bits, with 255 x sum |T|
    // below 2^31. fold holds (r + 1) x apexFoldStride(w, r) values.
    void (*apexRow)(const uint8_t* src, ptrdiff_t stride, int w, int h, const int16_t* taps, int r, int y,
                    int16_t* fold, int32_t* sums);
    // Gaussian blur passes (rows, then columns) with the kernel g[0..m-1]
    // and the edge weights e; lines of 2m + 1 or fewer pixels are skipped.
    void (*blur)(uint8_t* data, ptrdiff_t stride, int w, int h, const float* g, const float* e, int m);
    // 3 x 3 correlation of a padded copy (rows of w + 2 bytes, h + 2 rows)
    // into the region: v = sum k x p in 32 bits (255 x sum |k| < 2^31),
    // out = clamp(trunc(v x gain + offset)) in float; the caller has checked
    // that float gives the double result for every reachable v.
    void (*conv3)(const uint8_t* pad, int w, int h, const int32_t* k, float gain, float offset, uint8_t* dst,
                  ptrdiff_t dstride);
    // out = clamp(trunc(p x gain + offset)) in float over n bytes; the
    // caller has checked it against its table for all 256 values.
    void (*affine)(uint8_t* p, size_t n, float gain, float offset);
    // The same kind of map in 16-bit whole numbers, 16 pixels a register:
    // out = min(255, (sat(sat(floor(p x a / 256) + add) - sub)) >> shift),
    // sat clamping to 0..65535 (fixedByte below); the caller has checked it
    // against its table for all 256 values.
    void (*fixedMap)(uint8_t* p, size_t n, uint16_t a, uint16_t add, uint16_t sub, int shift);
    // p = p > level ? 255 : below over n bytes.
    void (*threshold)(uint8_t* p, size_t n, uint8_t level, uint8_t below);
    // p = 255 - p over n bytes.
    void (*invert)(uint8_t* p, size_t n);
    // p = p > q ? p - q : 0 over n bytes.
    void (*subtract)(uint8_t* p, const uint8_t* q, size_t n);
};

// The build useAvx2Kernels() (image/CpuDispatch.h) picks.
const KernelSet& kernelSet();

// A byte table and, when one reproduces it, a float gain and offset for
// the vector kernel: tables of linear maps (stretch, negative, gain and
// offset) run as arithmetic, anything else by look-up.
struct ByteMap {
    uint8_t lut[256];
    bool affine = false;
    float gain = 0.0f;
    float offset = 0.0f;
    // Whole-number form of the same map (KernelSet::fixedMap), tried first.
    bool fixed = false;
    uint16_t a = 0, add = 0, sub = 0;
    int shift = 0;
};
// One byte through fixedMap's arithmetic.
inline uint8_t fixedByte(int p, unsigned a, unsigned add, unsigned sub, int shift) {
    unsigned t = (unsigned(p) * 256u * a) >> 16;
    t = t + add > 65535u ? 65535u : t + add;
    t = t > sub ? t - sub : 0u;
    t >>= shift;
    return static_cast<uint8_t>(t > 255u ? 255u : t);
}
// `gain` and `offset` are where to look: the map the table was made from.
ByteMap byteMap(const uint8_t (&lut)[256], double gain, double offset);
void applyByteMap(const ByteMap& map, uint8_t* p, size_t n);

// Row length of the apex filter's fold buffer.
inline int apexFoldStride(int w, int r) { return (w + 2 * r + 64 + 15) / 16 * 16; }

}  // namespace ordavia
