#pragma once
// Text export of traces ("&Export..." of a chart, `ordavia-cli chart
// export`): one line per sample in time order, an optional x column, one
// column per trace (per component of a two-dimensional trace), with the
// delimiters and number format of the export settings.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CTrace;
class DataFileFormat;

namespace ordavia {

// Whether a stored value of a trace stands for "no sample" (a column of a
// line scan without a velocity, say). Such cells are written empty, so that
// a spreadsheet leaves them out of its sums instead of averaging in a
// made-up number. Values that are not finite are always missing.
using MissingSample = std::function<bool(const CTrace& trace, double raw)>;

// Samples of the ring range [from, to) of the longest trace (the whole ring
// from its head when from == to), walked in time order; the other traces
// give their samples at the same storage index, an empty cell where they
// are shorter. The scaled x column is the time of each sample in the
// longest trace's x units (seconds for every trace a chart records),
// written with enough decimals to tell one sample from the next whatever
// the precision chosen for the values; the raw x column is the sample index.
std::string exportTracesAsText(const std::vector<const CTrace*>& traces, const DataFileFormat& fmt, uint32_t from,
                               uint32_t to, const MissingSample& missing = {});

// Decimals that resolve a step of `interval` (one more than its first
// significant decimal), at least `precision`.
int timeDecimals(double interval, int precision);

}  // namespace ordavia
