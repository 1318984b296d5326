#include "formats/frame_locator.h"

#include <gtest/gtest.h>

#include "support/para.h"

namespace corvane {
namespace {

using testsupport::Para;

// Three segments over 16x16 frames: 2 frames of I420 (384 bytes), a segment
// whose record has no usable format (no frames), then 3 frames of YUYV (512).
TrailerInfo Spliced() {
  const std::vector<YUVPara> records = {Para(fmt::YV12, 16, 16, 0), Para(0x12345678, 16, 16, 768),
                                        Para(fmt::YUYV, 16, 16, 768)};
  const std::vector<uint8_t> trailer = EncodeTrailer(records);
  const uint64_t data = 768 + 3 * 512 + 100;  // a partial frame at the end is never a frame
  std::vector<uint8_t> tail(data + trailer.size());
  std::copy(trailer.begin(), trailer.end(), tail.begin() + long(data));
  return ParseTrailer(tail, tail.size());
}

TEST(FrameLocator, FindsEachFrameOfASplicedFileAndNothingPastIt) {
  const TrailerInfo t = Spliced();
  ASSERT_EQ(t.kind, TrailerKind::kSpliced);
  const FileFrames frames(t, t.records[0], true);
  EXPECT_EQ(frames.FrameCount(), 5u);
  struct Row {
    uint32_t n;
    uint64_t offset;
    uint32_t size, segment, format;
  };
  for (const Row& r : {Row{1, 0, 384, 0, fmt::YV12}, Row{2, 384, 384, 0, fmt::YV12}, Row{3, 768, 512, 2, fmt::YUYV},
                       Row{5, 768 + 1024, 512, 2, fmt::YUYV}}) {
    YUVPara para;
    const auto loc = frames.Locate(r.n, &para);
    ASSERT_TRUE(loc) << r.n;
    EXPECT_EQ(loc->offset, r.offset) << r.n;
    EXPECT_EQ(loc->frameSize, r.size) << r.n;
    EXPECT_EQ(loc->segment, r.segment) << r.n;
    EXPECT_EQ(para.format, r.format) << r.n;
  }
  EXPECT_FALSE(frames.Locate(0));
  EXPECT_FALSE(frames.Locate(6));
  EXPECT_FALSE(LocateInSegments(t.segments, 6));
}

TEST(FrameLocator, OwnParametersReadTheSplicedDataAsOnePlainRun) {
  const TrailerInfo t = Spliced();
  const FileFrames frames(t, Para(fmt::YUYV, 16, 16), false);
  EXPECT_EQ(frames.FrameCount(), (768u + 3 * 512 + 100) / 512);
  YUVPara para;
  const auto loc = frames.Locate(2, &para);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->offset, 512u);
  EXPECT_EQ(para.format, fmt::YUYV);
  EXPECT_FALSE(LocateInPlainRun(0, 1));  // no frame size: nowhere
  EXPECT_EQ(LocateInPlainRun(100, 0xFFFFFFFFu)->offset, 100ull * 0xFFFFFFFEu);  // 64-bit offsets
}

}  // namespace
}  // namespace corvane
