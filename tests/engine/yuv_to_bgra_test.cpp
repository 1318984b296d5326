// YUV to BGRA: every matrix, range and depth against the formula in double
// precision (the largest error over saturated colours, not a mean), and the
// AVX2 rows byte for byte against the plain ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/yuv_to_bgra.h"

namespace corvane {
namespace {

// R, G, B of one sample triple as the standards define them, rounded.
std::array<int, 3> Formula(ColourSpace cs, int depth, int y, int u, int v) {
  double kr = 0.299, kb = 0.114;
  if (cs.matrix == YuvMatrix::kBt709) kr = 0.2126, kb = 0.0722;
  if (cs.matrix == YuvMatrix::kBt2020) kr = 0.2627, kb = 0.0593;
  const double kg = 1 - kr - kb, top = double((1 << depth) - 1), mid = double(1 << (depth - 1));
  const double scale = double(1 << (depth - 8));
  double yn, cb, cr;
  if (cs.range == YuvRange::kFull) {
    yn = y * 255.0 / top, cb = (u - mid) * 255.0 / top, cr = (v - mid) * 255.0 / top;
  } else {
    yn = (y / scale - 16) * 255.0 / 219, cb = (u - mid) / scale * 255.0 / 224, cr = (v - mid) / scale * 255.0 / 224;
  }
  const double rgb[3] = {yn + 2 * (1 - kr) * cr, yn - 2 * kb * (1 - kb) / kg * cb - 2 * kr * (1 - kr) / kg * cr,
                         yn + 2 * (1 - kb) * cb};
  std::array<int, 3> out{};
  for (int i = 0; i < 3; ++i) out[i] = int(std::clamp(std::lround(rgb[i]), 0L, 255L));
  return out;
}

const ColourSpace kSpaces[] = {
    {YuvMatrix::kBt601, YuvRange::kLimited}, {YuvMatrix::kBt601, YuvRange::kFull},
    {YuvMatrix::kBt709, YuvRange::kLimited}, {YuvMatrix::kBt709, YuvRange::kFull},
    {YuvMatrix::kBt2020, YuvRange::kLimited}, {YuvMatrix::kBt2020, YuvRange::kFull},
};

TEST(YuvToBgra, EveryColourSpaceAndDepthIsWithinOneLevelOfTheFormula) {
  for (const int depth : {8, 10, 12}) {
    // Every combination of 33 values per component from 0 to the top code:
    // the corners of the cube are the saturated colours.
    const int top = (1 << depth) - 1;
    std::vector<uint16_t> ys, us, vs;
    for (int a = 0; a <= 32; ++a)
      for (int b = 0; b <= 32; ++b)
        for (int c = 0; c <= 32; ++c) {
          ys.push_back(uint16_t(std::min(top, a * (top + 1) / 32)));
          us.push_back(uint16_t(std::min(top, b * (top + 1) / 32)));
          vs.push_back(uint16_t(std::min(top, c * (top + 1) / 32)));
        }
    const int n = int(ys.size());
    std::vector<uint8_t> y8(ys.begin(), ys.end()), u8(us.begin(), us.end()), v8(vs.begin(), vs.end());
    for (const ColourSpace& cs : kSpaces) {
      const YuvCoefficients k = CoefficientsFor(cs, depth);
      for (const bool best : {false, true}) {
        std::vector<uint8_t> out(4 * size_t(n));
        if (depth == 8)
          (best ? BestYuvRow8() : YuvRow8Plain)(y8.data(), u8.data(), v8.data(), 1, out.data(), n, k);
        else
          (best ? BestYuvRow16() : YuvRow16Plain)(ys.data(), us.data(), vs.data(), 1, out.data(), n, k);
        int worst = 0;
        for (int i = 0; i < n; ++i) {
          const auto want = Formula(cs, depth, ys[i], us[i], vs[i]);
          for (int ch = 0; ch < 3; ++ch) worst = std::max(worst, std::abs(out[4 * i + 2 - ch] - want[ch]));
          ASSERT_EQ(out[4 * i + 3], 255);
        }
        EXPECT_LE(worst, 1) << "depth " << depth << " " << MatrixName(cs.matrix) << " " << RangeName(cs.range)
                            << (best ? " best" : " plain");
      }
    }
  }
  // testsrc2's blue bar at BT.709 limited range: ffmpeg and the formula give
  // R 40, G 4, B 249 (a U->B factor held at 2.0 gave B 237).
  const uint8_t y = 41, u = 232, v = 134;
  uint8_t px[4];
  BestYuvRow8()(&y, &u, &v, 1, px, 1, CoefficientsFor({YuvMatrix::kBt709, YuvRange::kLimited}, 8));
  EXPECT_EQ(int(px[0]), 249);
  EXPECT_EQ(int(px[1]), 4);
  EXPECT_EQ(int(px[2]), 40);
}

TEST(YuvToBgra, Avx2RowsEqualThePlainRowsByteForByte) {
  if (BestYuvRow8() == YuvRow8Plain) GTEST_SKIP() << "no AVX2 here";
  std::mt19937 rng(7);
  for (const int width : {1, 2, 15, 16, 17, 31, 33, 100, 1921}) {
    const size_t chroma = size_t(width);
    std::vector<uint8_t> y8(width), u8(chroma), v8(chroma);
    std::vector<uint16_t> y16(width), u16(chroma), v16(chroma);
    for (auto& b : y8) b = uint8_t(rng());
    for (auto& b : u8) b = uint8_t(rng());
    for (auto& b : v8) b = uint8_t(rng());
    // Words above the depth's top code too: both clamp them the same way.
    for (auto& w : y16) w = uint16_t(rng());
    for (auto& w : u16) w = uint16_t(rng() % 4200);
    for (auto& w : v16) w = uint16_t(rng() % 1100);
    for (const ColourSpace& cs : kSpaces)
      for (const int step : {1, 2})
        for (const bool grey : {false, true}) {
          SCOPED_TRACE("width " + std::to_string(width) + " step " + std::to_string(step) + (grey ? " grey" : ""));
          std::vector<uint8_t> a(4 * size_t(width)), b(a.size());
          const YuvCoefficients k8 = CoefficientsFor(cs, 8);
          YuvRow8Plain(y8.data(), grey ? nullptr : u8.data(), grey ? nullptr : v8.data(), step, a.data(), width, k8);
          BestYuvRow8()(y8.data(), grey ? nullptr : u8.data(), grey ? nullptr : v8.data(), step, b.data(), width, k8);
          EXPECT_EQ(a, b);
          for (const int depth : {10, 12}) {
            const YuvCoefficients k = CoefficientsFor(cs, depth);
            YuvRow16Plain(y16.data(), grey ? nullptr : u16.data(), grey ? nullptr : v16.data(), step, a.data(), width,
                          k);
            BestYuvRow16()(y16.data(), grey ? nullptr : u16.data(), grey ? nullptr : v16.data(), step, b.data(),
                           width, k);
            EXPECT_EQ(a, b) << "depth " << depth;
          }
        }
  }
}

}  // namespace
}  // namespace corvane
