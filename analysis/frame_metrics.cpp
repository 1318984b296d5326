#include "analysis/frame_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvane::analysis {

std::array<double, kPlanes> PlaneWeights(const PlanarFrame& frame) {
  unsigned sum = 0;
  for (const auto& p : frame.planes) sum += p.width * p.height;
  std::array<double, kPlanes> w{};
  for (int i = 0; i < kPlanes; ++i)
    w[size_t(i)] = double(frame.planes[size_t(i)].height) * frame.planes[size_t(i)].width / sum;
  return w;
}

uint64_t PlaneSse(const MetricKernels& kernels, const PlaneView& a, const PlaneView& b) {
  uint64_t sum = 0;
  for (uint32_t y = 0; y < a.height; ++y)
    sum += kernels.sseRow(a.data + y * a.stride, b.data + y * b.stride, int(a.width));
  return sum;
}

uint64_t SsimWindowCount(const PlaneView& plane) {
  const uint32_t bw = plane.width >> 2, bh = plane.height >> 2;
  return bw < 2 || bh < 2 ? 0 : uint64_t(bw - 1) * (bh - 1);
}

namespace {

// Sum of (a - b)^2 over blocks' samples: ss - 2 * s12 of each.
uint64_t BlockRowSse(const BlockSums* sums, int blocks) {
  uint64_t sse = 0;
  for (int z = 0; z < blocks; ++z) sse += uint32_t(sums[z][2] - 2 * sums[z][3]);
  return sse;
}

// The squared errors outside the first `columns` x `rows` samples of a plane.
uint64_t EdgeSse(const MetricKernels& kernels, const PlaneView& a, const PlaneView& b, uint32_t columns,
                 uint32_t rows) {
  uint64_t sum = 0;
  if (columns < a.width)
    for (uint32_t y = 0; y < rows; ++y)
      sum += kernels.sseRow(a.data + y * a.stride + columns, b.data + y * b.stride + columns, int(a.width - columns));
  for (uint32_t y = rows; y < a.height; ++y)
    sum += kernels.sseRow(a.data + y * a.stride, b.data + y * b.stride, int(a.width));
  return sum;
}

}  // namespace

double FrameMeasurer::PlaneSsimSum(const PlaneView& a, const PlaneView& b, uint64_t* sse) {
  const int blocks = int(a.width >> 2), blockRows = int(a.height >> 2);
  if (blocks < 2 || blockRows < 2) {
    if (sse) *sse = PlaneSse(m_kernels, a, b);
    return 0;
  }
  for (auto& row : m_rows) row.resize(size_t(blocks));
  BlockSums* above = m_rows[0].data();
  BlockSums* below = m_rows[1].data();
  m_kernels.ssim4x4Row(a.data, a.stride, b.data, b.stride, above, blocks);
  uint64_t blockSse = sse ? BlockRowSse(above, blocks) : 0;
  double sum = 0;
  for (int z = 1; z < blockRows; ++z) {
    m_kernels.ssim4x4Row(a.data + 4 * z * a.stride, a.stride, b.data + 4 * z * b.stride, b.stride, below, blocks);
    if (sse) blockSse += BlockRowSse(below, blocks);
    sum += m_kernels.ssimEndRow(above, below, blocks - 1);
    std::swap(above, below);
  }
  if (sse) *sse = blockSse + EdgeSse(m_kernels, a, b, 4 * uint32_t(blocks), 4 * uint32_t(blockRows));
  return sum;
}

FirstDifference FindFirstDifference(const PlanarFrame& a, const PlanarFrame& b) {
  for (int p = 0; p < kPlanes; ++p) {
    const PlaneView& pa = a.planes[size_t(p)];
    const PlaneView& pb = b.planes[size_t(p)];
    for (uint32_t y = 0; y < pa.height; ++y) {
      const uint8_t* ra = pa.data + y * pa.stride;
      const uint8_t* rb = pb.data + y * pb.stride;
      if (std::memcmp(ra, rb, pa.width) == 0) continue;
      uint32_t x = 0;
      while (ra[x] == rb[x]) ++x;
      return {true, p, x, y};
    }
  }
  return {};
}

void FrameMeasurer::Measure(const PlanarFrame& a, const PlanarFrame& b, Metrics metrics, bool findDifference,
                            FrameMetrics* out) {
  out->sampling = a.sampling;
  const auto weights = PlaneWeights(a);
  if (metrics.ssim) {
    out->ssimAll = 0;
    for (int p = 0; p < kPlanes; ++p) {
      const PlaneView& pa = a.planes[size_t(p)];
      // The squared errors come with the block sums when both metrics run.
      const double sum = PlaneSsimSum(pa, b.planes[size_t(p)], metrics.psnr ? &out->sse[size_t(p)] : nullptr);
      // ffmpeg divides by the window count as an int.
      out->ssim[size_t(p)] = sum / double(int(SsimWindowCount(pa)));
      out->ssimAll += weights[size_t(p)] * out->ssim[size_t(p)];
    }
  }
  if (metrics.psnr) {
    out->mseAverage = 0;
    for (int p = 0; p < kPlanes; ++p) {
      const PlaneView& pa = a.planes[size_t(p)];
      if (!metrics.ssim) out->sse[size_t(p)] = PlaneSse(m_kernels, pa, b.planes[size_t(p)]);
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
  for (int p = 0; p < kPlanes; ++p) Append(&s, " %c:%f", PlaneLetter(m_sampling, p, false), PlanePsnr(p));
  Append(&s, " average:%f", AveragePsnr());
  Append(&s, " min:%f", PsnrMin());
  Append(&s, " max:%f", PsnrMax());
  return s;
}

std::string SequenceSummary::SsimLine() const {
  std::string s = "SSIM";
  for (int p = 0; p < kPlanes; ++p)
    Append(&s, " %c:%f (%f)", PlaneLetter(m_sampling, p, true), PlaneSsim(p),
           SsimDb(m_ssimSum[size_t(p)], double(m_frames)));
  Append(&s, " All:%f (%f)", SsimAll(), SsimAllDb());
  return s;
}

std::string PsnrStatsLine(const FrameMetrics& m) {
  std::string s;
  Append(&s, "n:%u mse_avg:%0.2f ", m.index, m.mseAverage);
  for (int p = 0; p < kPlanes; ++p) Append(&s, "mse_%c:%0.2f ", PlaneLetter(m.sampling, p, false), m.mse[size_t(p)]);
  Append(&s, "psnr_avg:%0.2f ", PsnrOf(m.mseAverage, 1));
  for (int p = 0; p < kPlanes; ++p)
    Append(&s, "psnr_%c:%0.2f ", PlaneLetter(m.sampling, p, false), PsnrOf(m.mse[size_t(p)], 1));
  s += '\n';
  return s;
}

std::string SsimStatsLine(const FrameMetrics& m) {
  std::string s;
  Append(&s, "n:%u ", m.index);
  for (int p = 0; p < kPlanes; ++p) Append(&s, "%c:%f ", PlaneLetter(m.sampling, p, true), m.ssim[size_t(p)]);
  Append(&s, "All:%f (%f)\n", m.ssimAll, SsimDb(m.ssimAll, 1.0));
  return s;
}

}  // namespace corvane::analysis
