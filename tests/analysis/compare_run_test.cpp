// The comparison run measures frames in place in mapped windows of the files:
// with windows of one frame (frames not page-aligned, the window ring reused
// many times over, two workers) every frame's figures equal those measured
// directly on the frames in memory, delivered in order.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "analysis/compare.h"
#include "formats/test_pattern.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace corvane::analysis {
namespace {

TEST(CompareRun, WindowsOfOneFrameGiveEveryFrameAsMeasuredInMemory) {
  testsupport::TempDir dir;
  constexpr uint32_t kFrames = 11;
  const YUVPara para = MakePara(fmt::YV12, 36, 20);  // 1080 bytes a frame
  std::vector<std::vector<uint8_t>> frames[2];
  std::mt19937 rng(15);
  for (uint32_t n = 0; n < kFrames; ++n) {
    frames[0].push_back(MakePatternFrame(para, n));
    frames[1].push_back(frames[0].back());
    for (auto& v : frames[1].back()) v = uint8_t(v + int(rng() % 7) - 3);
  }
  CompareInput inputs[2];
  for (int s = 0; s < 2; ++s) {
    std::vector<uint8_t> bytes;
    for (const auto& f : frames[s]) bytes.insert(bytes.end(), f.begin(), f.end());
    inputs[s].path = dir.File(s ? "b.yuv" : "a.yuv");
    testsupport::WriteBytes(inputs[s].path, bytes);
    inputs[s].para = para;
    inputs[s].trailer.dataSize = inputs[s].trailer.fileSize = bytes.size();
    inputs[s].useSegments = false;
  }
  CompareOptions options;
  options.threads = 2;
  options.windowBytes = 1;
  const auto planned = PlanCompare(inputs[0], inputs[1], options);
  ASSERT_TRUE(planned.has_value());
  const ComparePlan plan = *planned;
  ASSERT_EQ(plan.frameCount, kFrames);

  std::vector<FrameMetrics> seen;
  ASSERT_TRUE(RunCompare(inputs[0], inputs[1], options, plan, [&](const FrameMetrics& m) { seen.push_back(m); }).has_value());
  ASSERT_EQ(seen.size(), kFrames);
  FrameMeasurer measurer;
  std::vector<uint8_t> scratch;
  for (uint32_t n = 0; n < kFrames; ++n) {
    SCOPED_TRACE(n);
    const PlanarFrame a = ToPlanar(YUV_YV12, 36, 20, frames[0][n].data(), &scratch);
    const PlanarFrame b = ToPlanar(YUV_YV12, 36, 20, frames[1][n].data(), &scratch);
    FrameMetrics expected;
    measurer.Measure(a, b, options.metrics, false, &expected);
    EXPECT_EQ(seen[n].frame, n + 1);
    EXPECT_EQ(seen[n].sse, expected.sse);
    EXPECT_EQ(std::memcmp(seen[n].ssim.data(), expected.ssim.data(), sizeof expected.ssim), 0);
  }

  // Files the caller opened (once, to read their trailers) are the ones the
  // run reads: their names may be gone meanwhile.
  std::unique_ptr<RawVideoFile> open[2];
  for (int s = 0; s < 2; ++s) {
    auto file = RawVideoFile::Open(inputs[s].path);
    ASSERT_TRUE(file.has_value());
    open[s] = std::move(*file);
    ASSERT_TRUE(open[s]->UseParameters(inputs[s].para, inputs[s].useSegments).has_value());
    std::filesystem::remove(inputs[s].path);
    inputs[s].file = open[s].get();
  }
  std::vector<FrameMetrics> again;
  ASSERT_TRUE(RunCompare(inputs[0], inputs[1], options, plan, [&](const FrameMetrics& m) { again.push_back(m); }).has_value());
  ASSERT_EQ(again.size(), kFrames);
  for (uint32_t n = 0; n < kFrames; ++n) EXPECT_EQ(again[n].sse, seen[n].sse);
}

}  // namespace
}  // namespace corvane::analysis
