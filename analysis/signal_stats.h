// Per-frame signal statistics in the definitions of ffmpeg 5.1's signalstats
// filter, figure for figure, so that our numbers print the digits of
// `ffmpeg -vf signalstats,metadata=print`:
//
// - Y, U, V: MIN and MAX (the least and greatest sample), LOW and HIGH (the
//   first value at which the running histogram count reaches
//   lrint(10 % and 90 % of the plane's samples)), AVG (the mean); DIF (the
//   mean absolute difference to the previous frame's plane, 0 for a first
//   frame); BITDEPTH (the bits set in the OR of all samples).
// - SAT and HUE over the chroma samples of one position, U and V of the
//   same chroma row and column: SAT = hypotf(U - mid, V - mid) truncated,
//   HUE = fmodf(floorf((180 / pi) * atan2f(U - mid, V - mid) + 180), 360),
//   evaluated in float as ffmpeg does (mid = 2^(depth - 1)); SAT as Y
//   (MIN, LOW, AVG, HIGH, MAX), HUE its MED (the first hue at which the
//   running count passes half the chroma samples) and AVG (the plain mean
//   of the hue numbers, not a circular one).
// - On request (ffmpeg's stat=tout+vrep+brng), each a share of the frame's
//   pixels: TOUT, temporal outliers of the luma (a pixel unlike the lines
//   above and below it, see stats_kernels.h); VREP, the pixels of lines
//   that repeat the line four above (a summed absolute difference below
//   the width); BRNG, pixels with Y outside 16..235 or U or V outside
//   16..240, scaled by 2^(depth - 8).
//
// ffmpeg's filter takes planar YUV only (yuv420p, yuv422p, yuv444p and their
// 9..16-bit forms). A frame of another layout is measured as ffmpeg's format
// negotiation hands it to the filter; StatsPlanes says how for each.
//
// Speed, with the same figures: hue and saturation come from tables, never a
// per-sample atan2f or hypotf. 8-bit chroma is counted in a 256 x 256
// histogram of (U, V) pairs whose cells are then folded into the U, V, SAT
// and HUE histograms through a table of each pair's hue and saturation
// (built once with ffmpeg's own expressions). Deeper chroma looks its hue up
// by the float ratio |U - mid| / |V - mid| (atan2f is a function of that
// ratio and the signs: DeepHueTable) and takes SAT as the float square root
// of the exact integer sum of squares (what hypotf computes). The 8-bit
// sums, masks and counts run in the row kernels of stats_kernels.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/planar_frame.h"
#include "analysis/stats_kernels.h"
#include "formats/yuv_format.h"

namespace corvane::analysis {

// The optional measures of ffmpeg's stat= option.
struct StatExtras {
  bool tout = false;
  bool vrep = false;
  bool brng = false;
  bool Any() const { return tout || vrep || brng; }
  friend bool operator==(const StatExtras&, const StatExtras&) = default;
};

// Every figure, in the order ffmpeg prints them.
enum class StatId {
  kYMin, kYLow, kYAvg, kYHigh, kYMax,
  kUMin, kULow, kUAvg, kUHigh, kUMax,
  kVMin, kVLow, kVAvg, kVHigh, kVMax,
  kSatMin, kSatLow, kSatAvg, kSatHigh, kSatMax,
  kHueMed, kHueAvg,
  kYDif, kUDif, kVDif,
  kYBitDepth, kUBitDepth, kVBitDepth,
  kTout, kVrep, kBrng,
};
constexpr int kStatCount = int(StatId::kBrng) + 1;
// "YMIN", "SATAVG", "BRNG": the key after "lavfi.signalstats.".
const char* StatName(StatId id);
// Whether ffmpeg prints the figure as an integer ("%d"; the others "%g").
bool StatIsInteger(StatId id);
// Whether the figure is one of stat='s, present only on request.
bool StatIsExtra(StatId id);

struct SignalStats {
  // Indexed by StatId; the extras not asked for stay 0.
  std::array<double, kStatCount> values{};
  StatExtras extras;

  double operator[](StatId id) const { return values[size_t(id)]; }
  double& operator[](StatId id) { return values[size_t(id)]; }
  // Whether the figure was measured: every one but the extras not asked for.
  bool Has(StatId id) const;
  // The figure as ffmpeg prints it: "%d" or "%g".
  std::string Text(StatId id) const;
};

// The planes ffmpeg's signalstats sees for a frame of `type`: Y, U, V,
// planar, 8 to 16 bits.
// - Planar YUV formats as they are.
// - NV12, NV21, NV16, P010, P016: their pairs split into planes (ffmpeg's
//   scale gives yuv420p, yuv422p and, for both P formats, yuv420p16le with
//   the words as they are).
// - YUYV, YVYU, UYVY, IUYV: 4:2:2 planes (swscale's yuv422p; IUYV's lines
//   in display order); IYU2: 4:4:4 planes; v210: ffmpeg's decoder gives
//   yuv422p10le.
// - GRAY: the negotiation picks yuvj444p; swscale copies the luma and fills
//   both chroma planes with 128 (given as one row read again for every
//   line, stride 0). GRAY10: yuv444p16le, the luma narrowed from full to
//   limited range in swscale's arithmetic, the chroma 32768.
// - RGB24, RGB32, RGB565 (ffmpeg's bgr24, bgr0, rgb565le): yuv444p, in
//   swscale's fixed-point BT.601 arithmetic.
// `frame` holds the whole frame; the planes point into it or into
// `scratch`, which must outlive them.
PlanarFrame StatsPlanes(YUVType type, uint32_t width, uint32_t height, const uint8_t* frame,
                        std::vector<uint8_t>* scratch);

// Hue and saturation of deep chroma (9 to 16 bits): the same numbers as
// ffmpeg's expressions for any U - mid and V - mid in -32768..32767.
class DeepHueTable {
 public:
  DeepHueTable();
  // fmodf(floorf((180 / pi) * atan2f(du, dv) + 180), 360).
  int Hue(int du, int dv) const;
  // hypotf(du, dv) truncated.
  static int Saturation(int du, int dv);

 private:
  // Per quadrant (du < 0, dv < 0 in bits 1 and 0) the float ratio
  // |du| / |dv| (its bits) at which the unreduced hue changes, and the hue
  // from there on.
  struct Step {
    uint32_t ratioBits;
    int16_t hue;
  };
  std::array<std::vector<Step>, 4> m_steps;
  // Per quadrant, for each run of 2^kBucketShift float bits from the
  // lowest quotient, the step in force at its start: a lookup then moves
  // on at most past the steps inside the run (rarely one).
  static constexpr int kBucketShift = 14;
  std::array<std::vector<uint16_t>, 4> m_buckets;
  std::array<int16_t, 5> m_axis{};  // du = dv = 0; du = 0 (dv > 0, < 0); dv = 0 (du > 0, < 0)
};

// ffmpeg's hue expression itself, for the tables and the tests.
int FfmpegHue(float du, float dv);

// Measures frames. Holds the histograms, the hue and saturation tables and
// the kernels; one per thread.
class SignalStatsMeter {
 public:
  explicit SignalStatsMeter(const StatsKernels& kernels = BestStatsKernels());
  ~SignalStatsMeter();

  // The statistics of `frame` (StatsPlanes), `previous` the frame before
  // it (for DIF; null for a first frame, which ffmpeg compares with itself)
  // of the same shape.
  SignalStats Measure(const PlanarFrame& frame, const PlanarFrame* previous, StatExtras extras);

 private:
  struct Histograms;
  void Count8(const PlanarFrame& frame, const PlanarFrame& previous, Histograms& h);
  void Count16(const PlanarFrame& frame, const PlanarFrame& previous, Histograms& h);
  double Extra8(const PlanarFrame& frame, StatId id) const;
  double Extra16(const PlanarFrame& frame, StatId id) const;

  const StatsKernels& m_kernels;
  std::unique_ptr<Histograms> m_histograms;
};

}  // namespace corvane::analysis
