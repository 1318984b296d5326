// One frame pair measured the way ffmpeg's psnr and ssim filters measure it,
// the sequence summary they print at the end, and their text formats.
//
// PSNR (ffmpeg's psnr): per plane MSE = SSE / samples; the frame's MSE is the
// planes' MSE weighted by their share of the samples (4:2:0: 4/6, 1/6, 1/6);
// PSNR = 10 log10(peak^2 / MSE) with peak 2^depth - 1 (255 for 8 bits), so
// equal planes give inf. The sequence figure is the PSNR of the mean MSE,
// not the mean of the PSNRs; "min" is the PSNR of the worst frame's MSE and
// "max" of the best one's.
// SSIM (ffmpeg's ssim): see metric_kernels.h; a plane's SSIM is the mean over
// its windows, the frame's the planes' SSIM weighted by sample share, and its
// dB form 10 log10(1 / (1 - ssim)).
// A grey frame has one plane, and ffmpeg's texts then name Y alone.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "analysis/metric_kernels.h"
#include "analysis/planar_frame.h"

namespace corvane::analysis {

constexpr int kPlanes = 3;  // at most

struct Metrics {
  bool psnr = true;
  bool ssim = true;
};

// Where two frames first differ: the first plane (in Y, U, V or R, G, B
// order) that differs and its first differing sample in raster order.
struct FirstDifference {
  bool found = false;
  int plane = 0;
  uint32_t x = 0;
  uint32_t y = 0;
};

struct FrameMetrics {
  uint32_t index = 0;  // 1-based among the compared frames (ffmpeg's n)
  uint32_t frame = 0;  // A's frame number (B's is frame + the run's offset)
  Sampling sampling = Sampling::k420;
  int planeCount = kPlanes;  // the figures of planes past it are 0
  unsigned peak = 255;       // 2^depth - 1 of the compared samples
  std::array<uint64_t, kPlanes> sse{};
  std::array<double, kPlanes> mse{};
  double mseAverage = 0;
  std::array<double, kPlanes> ssim{};
  double ssimAll = 0;
  FirstDifference difference;
};

// Planes' share of the samples, computed as ffmpeg computes it.
std::array<double, kPlanes> PlaneWeights(const PlanarFrame& frame);

// Measures frame pairs. Keeps the block-sum rows SSIM needs; one per thread.
class FrameMeasurer {
 public:
  explicit FrameMeasurer(const MetricKernels& kernels = BestMetricKernels()) : m_kernels(kernels) {}

  // a and b have the same sampling and plane sizes (the caller checked).
  // With findDifference false the difference is left as not found.
  void Measure(const PlanarFrame& a, const PlanarFrame& b, Metrics metrics, bool findDifference,
               FrameMetrics* out);

  // Sum of the window SSIMs of one plane of bytes (SsimWindowCount says how
  // many). With `sse`, also the plane's sum of squared errors (PlaneSse's
  // figure), taken from the block sums (ss - 2 s12) and the edges they leave
  // out, so that the samples are read once for both metrics.
  double PlaneSsimSum(const PlaneView& a, const PlaneView& b, uint64_t* sse = nullptr);
  // The same for a plane of 16-bit samples whose peak is `peak`.
  double DeepPlaneSsimSum(const PlaneView& a, const PlaneView& b, unsigned peak, uint64_t* sse = nullptr);

 private:
  const MetricKernels& m_kernels;
  std::vector<BlockSums> m_rows[2];
  std::vector<DeepBlockSums> m_deepRows[2];
};

// Sum of squared errors of a plane of bytes, or of 16-bit samples (`deep`).
uint64_t PlaneSse(const MetricKernels& kernels, const PlaneView& a, const PlaneView& b, bool deep = false);
// (w/4 - 1) * (h/4 - 1): none for planes under 8x8, which have no SSIM.
uint64_t SsimWindowCount(const PlaneView& plane);
FirstDifference FindFirstDifference(const PlanarFrame& a, const PlanarFrame& b);

// ffmpeg's PSNR of an MSE summed over `frames` frames.
double PsnrOf(double mseSum, uint64_t frames, unsigned peak);
// ffmpeg's dB form of an SSIM summed over `frames` frames (inf when 1).
double SsimDb(double ssimSum, double frames);

// The running figures of a sequence, fed in frame order.
class SequenceSummary {
 public:
  void Add(const FrameMetrics& m);

  uint64_t Frames() const { return m_frames; }
  // "PSNR y:... u:... v:... average:... min:... max:..." as ffmpeg logs it.
  std::string PsnrLine() const;
  // "SSIM Y:... (...) U:... (...) V:... (...) All:... (...)".
  std::string SsimLine() const;
  // Per plane: the mean MSE's PSNR, and the lowest and highest frame PSNR.
  double PlanePsnr(int plane) const { return PsnrOf(m_mseSum[size_t(plane)], m_frames, m_peak); }
  double PlanePsnrMin(int plane) const { return PsnrOf(m_mseMax[size_t(plane)], 1, m_peak); }
  double PlanePsnrMax(int plane) const { return PsnrOf(m_mseMin[size_t(plane)], 1, m_peak); }
  double AveragePsnr() const { return PsnrOf(m_mseAverageSum, m_frames, m_peak); }
  double PsnrMin() const { return PsnrOf(m_mseAverageMax, 1, m_peak); }
  double PsnrMax() const { return PsnrOf(m_mseAverageMin, 1, m_peak); }
  double PlaneSsim(int plane) const { return m_ssimSum[size_t(plane)] / double(m_frames); }
  double PlaneSsimMin(int plane) const { return m_ssimMin[size_t(plane)]; }
  double PlaneSsimMax(int plane) const { return m_ssimMax[size_t(plane)]; }
  double SsimAll() const { return m_ssimAllSum / double(m_frames); }
  double SsimAllDb() const { return SsimDb(m_ssimAllSum, double(m_frames)); }
  // The first frame pair that differs, if any.
  bool Differs() const { return m_firstDifferentFrame != 0; }
  uint32_t FirstDifferentFrame() const { return m_firstDifferentFrame; }
  const FirstDifference& FirstDifferenceSeen() const { return m_difference; }
  Sampling LastSampling() const { return m_sampling; }
  int LastPlaneCount() const { return m_planeCount; }

 private:
  uint64_t m_frames = 0;
  // Of the last frame; PlanCompare keeps the plane count and the peak the
  // same over a run.
  Sampling m_sampling = Sampling::k420;
  int m_planeCount = kPlanes;
  unsigned m_peak = 255;
  double m_mseAverageSum = 0;
  double m_mseAverageMin = std::numeric_limits<double>::infinity();
  double m_mseAverageMax = -std::numeric_limits<double>::infinity();
  std::array<double, kPlanes> m_mseSum{}, m_mseMin{}, m_mseMax{};
  std::array<double, kPlanes> m_ssimSum{}, m_ssimMin{}, m_ssimMax{};
  double m_ssimAllSum = 0;
  uint32_t m_firstDifferentFrame = 0;
  FirstDifference m_difference;
};

// Plane letters: "yuv"/"rgb" in ffmpeg's psnr texts, "YUV"/"RGB" in its ssim texts.
char PlaneLetter(Sampling sampling, int plane, bool upper);

// One line of ffmpeg's psnr stats file (stats_version 1), newline included:
// "n:1 mse_avg:0.00 mse_y:0.00 mse_u:0.00 mse_v:0.00 psnr_avg:inf psnr_y:inf psnr_u:inf psnr_v:inf \n".
std::string PsnrStatsLine(const FrameMetrics& m);
// One line of ffmpeg's ssim stats file: "n:1 Y:1.000000 U:1.000000 V:1.000000 All:1.000000 (inf)\n".
std::string SsimStatsLine(const FrameMetrics& m);

}  // namespace corvane::analysis
