// The metric kernels: the AVX2 set against the plain reference on random
// planes of odd sizes and at odd offsets, to the last bit of every sum and
// of every double SSIM row, the squared errors taken from the block sums, and
// the reference's SSIM of equal planes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "analysis/frame_metrics.h"
#include "analysis/metric_kernels.h"

namespace corvane::analysis {
namespace {

struct Plane {
  std::vector<uint8_t> bytes;
  PlaneView view;
};

// A w x h plane at an odd offset with a stride wider than w, random samples;
// b is a plane near a (small noise) so SSIM windows take all sorts of values.
Plane RandomPlane(std::mt19937& rng, uint32_t w, uint32_t h, const Plane* near = nullptr) {
  Plane p;
  const uint32_t stride = w + 3, offset = 1;
  p.bytes.resize(offset + size_t(stride) * h);
  std::uniform_int_distribution<int> any(0, 255), noise(-12, 12);
  for (size_t i = 0; i < p.bytes.size(); ++i)
    p.bytes[i] = near ? uint8_t(std::clamp(near->bytes[i] + noise(rng), 0, 255)) : uint8_t(any(rng));
  p.view = {p.bytes.data() + offset, ptrdiff_t(stride), w, h};
  return p;
}

TEST(MetricKernels, Avx2AgreesWithReferenceExactly) {
  const MetricKernels* avx2 = Avx2MetricKernels();
  if (!avx2) GTEST_SKIP() << "no AVX2 on this processor";
  const MetricKernels& ref = ReferenceMetricKernels();
  std::mt19937 rng(15);
  const uint32_t widths[] = {1, 7, 8, 31, 33, 36, 63, 65, 131, 353, 1921};
  const uint32_t heights[] = {4, 9, 13, 37};
  for (uint32_t w : widths) {
    for (uint32_t h : heights) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
      const Plane a = RandomPlane(rng, w, h);
      const Plane b = RandomPlane(rng, w, h, &a);
      EXPECT_EQ(PlaneSse(ref, a.view, b.view), PlaneSse(*avx2, a.view, b.view));
      const int blocks = int(w >> 2);
      std::vector<BlockSums> sumsRef(size_t(blocks) + 1), sumsAvx(size_t(blocks) + 1);
      for (uint32_t y = 0; y + 4 <= h; y += 4) {
        ref.ssim4x4Row(a.view.data + y * a.view.stride, a.view.stride, b.view.data + y * b.view.stride,
                       b.view.stride, sumsRef.data(), blocks);
        avx2->ssim4x4Row(a.view.data + y * a.view.stride, a.view.stride, b.view.data + y * b.view.stride,
                         b.view.stride, sumsAvx.data(), blocks);
        ASSERT_EQ(sumsRef, sumsAvx) << "block row " << y / 4;
      }
      FrameMeasurer plainMeasurer(ref), avxMeasurer(*avx2);
      uint64_t sseFromBlocks = 0;
      const double plain = plainMeasurer.PlaneSsimSum(a.view, b.view);
      const double fast = avxMeasurer.PlaneSsimSum(a.view, b.view, &sseFromBlocks);
      EXPECT_EQ(std::memcmp(&plain, &fast, sizeof plain), 0) << plain << " vs " << fast;
      EXPECT_EQ(sseFromBlocks, PlaneSse(ref, a.view, b.view));
      if (SsimWindowCount(a.view) > 0) {
        EXPECT_GT(plain, 0.0);
      }
    }
  }
}

TEST(MetricKernels, EqualPlanesGiveSsimOneAndNoError) {
  std::mt19937 rng(7);
  const Plane a = RandomPlane(rng, 67, 29);
  FrameMeasurer measurer(ReferenceMetricKernels());
  EXPECT_EQ(PlaneSse(ReferenceMetricKernels(), a.view, a.view), 0u);
  EXPECT_EQ(measurer.PlaneSsimSum(a.view, a.view), double(SsimWindowCount(a.view)));  // (67/4-1)*(29/4-1) = 90
  EXPECT_EQ(SsimWindowCount(a.view), 90u);
  EXPECT_EQ(SsimWindowCount(PlaneView{nullptr, 7, 7, 64}), 0u);  // one block wide: no window
  EXPECT_EQ(SsimWindow(0, 0, 0, 0), 1.0f);
}

}  // namespace
}  // namespace corvane::analysis
