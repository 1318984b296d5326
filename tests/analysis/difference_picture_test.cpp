// The difference picture's levels: 128 + |a − b| × gain, at most 255, at each
// of the difference view's gains, with differences small enough that every
// gain gives its own level and large enough to reach the cap.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "analysis/difference_picture.h"

namespace corvane::analysis {
namespace {

TEST(DifferencePicture, EveryGainScalesTheDifferenceUpToTheCap) {
  // Grey 8 × 1 frames; b − a alternates in sign, so the level is of |a − b|.
  const std::vector<uint8_t> a = {50, 50, 50, 57, 50, 81, 18, 250};
  const std::vector<uint8_t> b = {50, 51, 47, 50, 58, 50, 50, 122};
  //                      |a − b|:  0   1   3   7   8  31  32  128
  const struct {
    int gain;
    std::vector<uint8_t> levels;
  } rows[] = {
      {1, {128, 129, 131, 135, 136, 159, 160, 255}},
      {4, {128, 132, 140, 156, 160, 252, 255, 255}},
      {16, {128, 144, 176, 240, 255, 255, 255, 255}},
  };
  std::vector<uint8_t> scratch[2];
  const PlanarFrame pa = ToPlanar(YUV_GRAY, 8, 1, a.data(), &scratch[0]);
  const PlanarFrame pb = ToPlanar(YUV_GRAY, 8, 1, b.data(), &scratch[1]);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.gain);
    std::vector<uint8_t> out;
    ASSERT_EQ(DifferencePicture(pa, pb, row.gain, &out), YUV_GRAY);
    EXPECT_EQ(out, row.levels);
  }
}

TEST(DifferencePicture, DeepSamplesDifferInTheirOwnUnits) {
  // 10-bit grey: one level of the frame is one level of the picture, and a
  // difference beyond 8 bits' range is capped, not wrapped.
  const uint16_t a[4] = {512, 512, 1000, 0};
  const uint16_t b[4] = {513, 506, 600, 1023};
  //     |a − b|:          1    6   400  1023
  std::vector<uint8_t> bytesA(sizeof a), bytesB(sizeof b);
  std::memcpy(bytesA.data(), a, sizeof a);
  std::memcpy(bytesB.data(), b, sizeof b);
  std::vector<uint8_t> scratch[2];
  const PlanarFrame pa = ToPlanar(YUV_GRAY10, 4, 1, bytesA.data(), &scratch[0]);
  const PlanarFrame pb = ToPlanar(YUV_GRAY10, 4, 1, bytesB.data(), &scratch[1]);
  std::vector<uint8_t> out;
  ASSERT_EQ(DifferencePicture(pa, pb, 4, &out), YUV_GRAY);
  EXPECT_EQ(out, (std::vector<uint8_t>{132, 152, 255, 255}));
}

}  // namespace
}  // namespace corvane::analysis
