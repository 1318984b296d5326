// Row kernels of the signal statistics (signal_stats.h) on 8-bit samples:
// the sums, masks and counts that vectorise. The histograms are not here:
// counting samples into bins is a scatter, plain C++ on every processor.
//
// Each kernel exists as a plain C++ reference and, where the processor has
// it, an AVX2 version held to the same results (integers, so exactly); the
// best set is chosen once at run time, as the metric kernels are.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::analysis {

// The sum of |a[i] - b[i]| over n samples; the OR of every a[i] is added to
// *mask.
using SadOrRowFn = uint64_t (*)(const uint8_t* a, const uint8_t* b, int n, uint8_t* mask);

// TOUT of one line: how many of the pixels x = 1 .. w - 2 of the line at
// `row` are temporal outliers against the lines `stride` bytes above and
// below, and, when `twoLines`, also against the lines two above and two
// below (ffmpeg's filter_tout: the outlier test of a sample against the
// samples above and below, ((|a - b| + |c - b|) / 2) - |c - a| > 4, holding
// for the pixel and both its neighbours on the line).
using ToutRowFn = int (*)(const uint8_t* row, ptrdiff_t stride, int w, bool twoLines);

// BRNG of one line: how many of its w pixels have Y outside 16..235, or U
// or V outside 16..240. `chromaShift` is 1 when a chroma sample covers two
// pixels of the line (4:2:0, 4:2:2), 0 at 4:4:4; the chroma lines hold at
// least (w + chromaShift) >> chromaShift samples.
using BrngRowFn = int (*)(const uint8_t* y, const uint8_t* u, const uint8_t* v, int w, int chromaShift);

struct StatsKernels {
  const char* name;
  SadOrRowFn sadOrRow;
  ToutRowFn toutRow;
  BrngRowFn brngRow;
};

// The plain C++ routines: the definition the others are held to.
const StatsKernels& ReferenceStatsKernels();
// Null when this processor lacks AVX2.
const StatsKernels* Avx2StatsKernels();
// The fastest set this processor runs (chosen once).
const StatsKernels& BestStatsKernels();

// ffmpeg's outlier test of b against a (above) and c (below).
constexpr bool ToutOutlier(int a, int b, int c, int threshold = 4) {
  const auto abs = [](int v) { return v < 0 ? -v : v; };
  return (abs(a - b) + abs(c - b)) / 2 - abs(c - a) > threshold;
}

}  // namespace corvane::analysis
