#include "analysis/frame_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvane::analysis {

std::array<double, kPlanes> PlaneWeights(const PlanarFrame& frame) {
  unsigned sum = 0;
  for (int i = 0; i < frame.planeCount; ++i) sum += frame.planes[size_t(i)].width * frame.planes[size_t(i)].height;
  std::array<double, kPlanes> w{};
  for (int i = 0; i < frame.planeCount; ++i)
    w[size_t(i)] = double(frame.planes[size_t(i)].height) * frame.planes[size_t(i)].width / sum;
  return w;
}

uint64_t SsimWindowCount(const PlaneView& plane) {
  const uint32_t bw = plane.width >> 2, bh = plane.height >> 2;
  return bw < 2 || bh < 2 ? 0 : uint64_t(bw - 1) * (bh - 1);
}

namespace {

// The kernels of one sample width, as the plane routines below call them.
// Bytes: the 8-bit kernels.
struct BytePath {
  using Sums = BlockSums;
  const MetricKernels& k;

  // Sum of squared errors of n samples of row y from column x.
  uint64_t Sse(const PlaneView& a, const PlaneView& b, uint32_t y, uint32_t x, int n) const {
    return k.sseRow(a.data + y * a.stride + x, b.data + y * b.stride + x, n);
  }
  void BlockRow(const PlaneView& a, const PlaneView& b, int blockRow, Sums* sums, int blocks) const {
    k.ssim4x4Row(a.data + 4 * blockRow * a.stride, a.stride, b.data + 4 * blockRow * b.stride, b.stride, sums,
                  blocks);
  }
  double EndRow(const Sums* above, const Sums* below, int windows) const {
    return k.ssimEndRow(above, below, windows);
  }
  // Sum of (a - b)^2 over a block's samples: ss - 2 * s12.
  static uint64_t BlockSse(const Sums& s) { return uint32_t(s[2] - 2 * s[3]); }
};

// 16-bit samples: the 16-bit kernels, whose strides count samples.
struct WordPath {
  using Sums = DeepBlockSums;
  const MetricKernels& k;
  DeepSsimConstants c{};

  static const uint16_t* Row(const PlaneView& p, uint32_t y) {
    return reinterpret_cast<const uint16_t*>(p.data + y * p.stride);
  }
  uint64_t Sse(const PlaneView& a, const PlaneView& b, uint32_t y, uint32_t x, int n) const {
    return k.sseRow16(Row(a, y) + x, Row(b, y) + x, n);
  }
  void BlockRow(const PlaneView& a, const PlaneView& b, int blockRow, Sums* sums, int blocks) const {
    k.ssim4x4Row16(Row(a, 4 * uint32_t(blockRow)), a.stride / 2, Row(b, 4 * uint32_t(blockRow)), b.stride / 2, sums,
                   blocks);
  }
  // ffmpeg adds each row's float sum to the plane's double one.
  double EndRow(const Sums* above, const Sums* below, int windows) const {
    return double(k.ssimEndRow16(above, below, windows, c));
  }
  static uint64_t BlockSse(const Sums& s) { return uint64_t(s[2] - 2 * s[3]); }
};

template <class Path>
uint64_t SseOf(const Path& path, const PlaneView& a, const PlaneView& b) {
  uint64_t sum = 0;
  for (uint32_t y = 0; y < a.height; ++y) sum += path.Sse(a, b, y, 0, int(a.width));
  return sum;
}

template <class Path>
uint64_t BlockRowSse(const typename Path::Sums* sums, int blocks) {
  uint64_t sse = 0;
  for (int z = 0; z < blocks; ++z) sse += Path::BlockSse(sums[z]);
  return sse;
}

// The squared errors outside the first `columns` x `rows` samples of a plane.
template <class Path>
uint64_t EdgeSse(const Path& path, const PlaneView& a, const PlaneView& b, uint32_t columns, uint32_t rows) {
  uint64_t sum = 0;
  if (columns < a.width)
    for (uint32_t y = 0; y < rows; ++y) sum += path.Sse(a, b, y, columns, int(a.width - columns));
  for (uint32_t y = rows; y < a.height; ++y) sum += path.Sse(a, b, y, 0, int(a.width));
  return sum;
}

// FrameMeasurer::PlaneSsimSum of either sample width; `rows` are the two
// block rows it keeps between calls.
template <class Path>
double SsimSumOf(const Path& path, const PlaneView& a, const PlaneView& b, std::vector<typename Path::Sums> (&rows)[2],
                 uint64_t* sse) {
  const int blocks = int(a.width >> 2), blockRows = int(a.height >> 2);
  if (blocks < 2 || blockRows < 2) {
    if (sse) *sse = SseOf(path, a, b);
    return 0;
  }
  for (auto& row : rows) row.resize(size_t(blocks));
  auto* above = rows[0].data();
  auto* below = rows[1].data();
  path.BlockRow(a, b, 0, above, blocks);
  uint64_t blockSse = sse ? BlockRowSse<Path>(above, blocks) : 0;
  double sum = 0;
  for (int z = 1; z < blockRows; ++z) {
    path.BlockRow(a, b, z, below, blocks);
    if (sse) blockSse += BlockRowSse<Path>(below, blocks);
    sum += path.EndRow(above, below, blocks - 1);
    std::swap(above, below);
  }
  if (sse) *sse = blockSse + EdgeSse(path, a, b, 4 * uint32_t(blocks), 4 * uint32_t(blockRows));
  return sum;
}

}  // namespace

uint64_t PlaneSse(const MetricKernels& kernels, const PlaneView& a, const PlaneView& b, bool deep) {
  return deep ? SseOf(WordPath{kernels}, a, b) : SseOf(BytePath{kernels}, a, b);
}

double FrameMeasurer::PlaneSsimSum(const PlaneView& a, const PlaneView& b, uint64_t* sse) {
  return SsimSumOf(BytePath{m_kernels}, a, b, m_rows, sse);
}

double FrameMeasurer::DeepPlaneSsimSum(const PlaneView& a, const PlaneView& b, unsigned peak, uint64_t* sse) {
  return SsimSumOf(WordPath{m_kernels, DeepSsimConstantsFor(peak)}, a, b, m_deepRows, sse);
}

FirstDifference FindFirstDifference(const PlanarFrame& a, const PlanarFrame& b) {
  const size_t bytes = a.Deep() ? 2 : 1;
  for (int p = 0; p < a.planeCount; ++p) {
    const PlaneView& pa = a.planes[size_t(p)];
    const PlaneView& pb = b.planes[size_t(p)];
    for (uint32_t y = 0; y < pa.height; ++y) {
      const uint8_t* ra = pa.data + y * pa.stride;
      const uint8_t* rb = pb.data + y * pb.stride;
      if (std::memcmp(ra, rb, pa.width * bytes) == 0) continue;
      uint32_t x = 0;
      while (std::memcmp(ra + x * bytes, rb + x * bytes, bytes) == 0) ++x;
      return {true, p, x, y};
    }
  }
  return {};
}

void FrameMeasurer::Measure(const PlanarFrame& a, const PlanarFrame& b, Metrics metrics, bool findDifference,
                            FrameMetrics* out) {
  out->sampling = a.sampling;
  out->planeCount = a.planeCount;
  out->peak = a.Peak();
  const auto weights = PlaneWeights(a);
  if (metrics.ssim) {
    out->ssimAll = 0;
    for (int p = 0; p < a.planeCount; ++p) {
      const PlaneView& pa = a.planes[size_t(p)];
      const PlaneView& pb = b.planes[size_t(p)];
      // The squared errors come with the block sums when both metrics run.
      uint64_t* sse = metrics.psnr ? &out->sse[size_t(p)] : nullptr;
      const double sum = a.Deep() ? DeepPlaneSsimSum(pa, pb, a.Peak(), sse) : PlaneSsimSum(pa, pb, sse);
      // ffmpeg divides by the window count as an int.
      out->ssim[size_t(p)] = sum / double(int(SsimWindowCount(pa)));
      out->ssimAll += weights[size_t(p)] * out->ssim[size_t(p)];
    }
  }
  if (metrics.psnr) {
    out->mseAverage = 0;
    for (int p = 0; p < a.planeCount; ++p) {
      const PlaneView& pa = a.planes[size_t(p)];
      if (!metrics.ssim) out->sse[size_t(p)] = PlaneSse(m_kernels, pa, b.planes[size_t(p)], a.Deep());
      out->mse[size_t(p)] = double(out->sse[size_t(p)]) / (double(pa.width) * pa.height);
      out->mseAverage += out->mse[size_t(p)] * weights[size_t(p)];
    }
  }
  const bool mayDiffer = !metrics.psnr || out->sse[0] + out->sse[1] + out->sse[2] != 0;
  out->difference = findDifference && mayDiffer ? FindFirstDifference(a, b) : FirstDifference{};
}

double PsnrOf(double mseSum, uint64_t frames, unsigned peak) {
  return 10.0 * std::log10(double(peak * peak) / (mseSum / double(frames)));
}

double SsimDb(double ssimSum, double frames) {
  return std::fabs(frames - ssimSum) > 1e-9 ? 10.0 * std::log10(frames / (frames - ssimSum)) : INFINITY;
}

void SequenceSummary::Add(const FrameMetrics& m) {
  if (m_frames == 0) {
    m_mseMin.fill(INFINITY), m_mseMax.fill(-INFINITY);
    m_ssimMin.fill(INFINITY), m_ssimMax.fill(-INFINITY);
  }
  ++m_frames;
  m_sampling = m.sampling;
  m_planeCount = m.planeCount;
  m_peak = m.peak;
  m_mseAverageSum += m.mseAverage;
  m_mseAverageMin = std::min(m_mseAverageMin, m.mseAverage);
  m_mseAverageMax = std::max(m_mseAverageMax, m.mseAverage);
  for (size_t p = 0; p < kPlanes; ++p) {
    m_mseSum[p] += m.mse[p];
    m_mseMin[p] = std::min(m_mseMin[p], m.mse[p]);
    m_mseMax[p] = std::max(m_mseMax[p], m.mse[p]);
    m_ssimSum[p] += m.ssim[p];
    m_ssimMin[p] = std::min(m_ssimMin[p], m.ssim[p]);
    m_ssimMax[p] = std::max(m_ssimMax[p], m.ssim[p]);
  }
  m_ssimAllSum += m.ssimAll;
  if (m.difference.found && m_firstDifferentFrame == 0) {
    m_firstDifferentFrame = m.frame;
    m_difference = m.difference;
  }
}

char PlaneLetter(Sampling sampling, int plane, bool upper) {
  const char* letters = sampling == Sampling::kRgb ? (upper ? "RGB" : "rgb") : (upper ? "YUV" : "yuv");
  return letters[plane];
}

namespace {

void Append(std::string* s, const char* format, auto... values) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, values...);
  s->append(buf);
}

}  // namespace

std::string SequenceSummary::PsnrLine() const {
  std::string s = "PSNR";
  for (int p = 0; p < m_planeCount; ++p) Append(&s, " %c:%f", PlaneLetter(m_sampling, p, false), PlanePsnr(p));
  Append(&s, " average:%f", AveragePsnr());
  Append(&s, " min:%f", PsnrMin());
  Append(&s, " max:%f", PsnrMax());
  return s;
}

std::string SequenceSummary::SsimLine() const {
  std::string s = "SSIM";
  for (int p = 0; p < m_planeCount; ++p)
    Append(&s, " %c:%f (%f)", PlaneLetter(m_sampling, p, true), PlaneSsim(p),
           SsimDb(m_ssimSum[size_t(p)], double(m_frames)));
  Append(&s, " All:%f (%f)", SsimAll(), SsimAllDb());
  return s;
}

std::string PsnrStatsLine(const FrameMetrics& m) {
  std::string s;
  Append(&s, "n:%u mse_avg:%0.2f ", m.index, m.mseAverage);
  for (int p = 0; p < m.planeCount; ++p)
    Append(&s, "mse_%c:%0.2f ", PlaneLetter(m.sampling, p, false), m.mse[size_t(p)]);
  Append(&s, "psnr_avg:%0.2f ", PsnrOf(m.mseAverage, 1, m.peak));
  for (int p = 0; p < m.planeCount; ++p)
    Append(&s, "psnr_%c:%0.2f ", PlaneLetter(m.sampling, p, false), PsnrOf(m.mse[size_t(p)], 1, m.peak));
  s += '\n';
  return s;
}

std::string SsimStatsLine(const FrameMetrics& m) {
  std::string s;
  Append(&s, "n:%u ", m.index);
  for (int p = 0; p < m.planeCount; ++p) Append(&s, "%c:%f ", PlaneLetter(m.sampling, p, true), m.ssim[size_t(p)]);
  Append(&s, "All:%f (%f)\n", m.ssimAll, SsimDb(m.ssimAll, 1.0));
  return s;
}

}  // namespace corvane::analysis
