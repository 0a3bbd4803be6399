#pragma once
// The correlation kernel shared by the line-scan velocity and the
// correlogram of a two-dimensional trace's rows: the squared correlation
// coefficient x 1000 of a fixed window against a window moved one sample
// per shift, with running sums for the moving window.
#include <cstdint>

namespace ordavia {

// Squared correlation coefficient x 1000 (0..1000) of the n = N / 2 values
// of `a` from row 0 against the n values of `b` from row s, b wrapping at
// N, for s = 0 .. n - 1, into out[0 .. n). Running sums for b's window; a
// shift whose window is flat gives NaN (no coefficient).
void correlogramColumn(const double* a, const double* b, uint32_t N, double* out);

// The same kernel on two windows that stay put: the fixed window `a` of n
// values against `b` starting at 0 .. shifts - 1 (b holds n + shifts - 1
// values). Used by the two-line method and the trace correlation.
void correlogramSliding(const double* a, const double* b, uint32_t n, uint32_t shifts, double* out);

}  // namespace ordavia
