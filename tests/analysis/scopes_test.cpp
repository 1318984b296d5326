// The scopes against what a picture holds: the histogram's counts against
// a count made here from the file's own bytes, a waveform's columns of a
// picture drawn for it, and the vectorscope's hits of 75 % colour bars on
// their targets in each matrix.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "analysis/scopes.h"

namespace corvane::analysis {
namespace {

// Random samples of a planar frame: bytes, or 16-bit words below 2^depth
// (with a few stray high bits, which count at the top).
std::vector<uint8_t> NoiseFrame(size_t samples, int depth, uint32_t seed) {
  std::mt19937 rng(seed);
  if (depth == 8) {
    std::vector<uint8_t> out(samples);
    for (uint8_t& b : out) b = uint8_t(rng());
    return out;
  }
  std::vector<uint16_t> words(samples);
  for (uint16_t& w : words) w = uint16_t(rng() % (1u << depth));
  words[samples / 2] = 0xFFFF;
  std::vector<uint8_t> out(samples * 2);
  std::memcpy(out.data(), words.data(), out.size());
  return out;
}

TEST(Scopes, HistogramCountsEachPlaneAsCountedDirectly) {
  const struct {
    YUVType type;
    int depth;
    uint32_t w, h, cw, ch;  // luma and chroma plane sizes
    std::optional<ScopeRegion> region;
    uint32_t component;
  } cases[] = {
      {YUV_YV12, 8, 36, 20, 18, 10, std::nullopt, 0},
      {YUV_I444, 8, 16, 9, 16, 9, ScopeRegion{3, 2, 7, 5}, 0},
      {YUV_I010, 10, 30, 14, 15, 7, ScopeRegion{5, 3, 9, 6}, 0},  // odd region edges widen the chroma
      {YUV_I012, 12, 20, 8, 10, 4, std::nullopt, 2},              // U alone: Y and V neutral
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.type));
    const size_t samples = size_t(c.w) * c.h + 2 * size_t(c.cw) * c.ch;
    const std::vector<uint8_t> bytes = NoiseFrame(samples, c.depth, uint32_t(c.type));
    std::vector<uint8_t> scratch;
    const PlanarFrame f = ToPlanar(c.type, c.w, c.h, bytes.data(), &scratch);
    ScopeOptions o;
    o.waveform = o.vectorscope = false;
    o.region = c.region;
    o.component = c.component;
    const Scopes s = ComputeScopes(f, o);
    const Histogram& h = s.histogram;
    const int shift = std::max(0, c.depth - 10);
    ASSERT_EQ(h.channels, 3);
    ASSERT_EQ(h.bins, 1u << (c.depth - shift));
    // The count made here: each plane's samples in the region, straight
    // from the bytes, clamped to the depth and binned.
    const ScopeRegion r = c.region.value_or(ScopeRegion{0, 0, c.w, c.h});
    size_t offset = 0;
    for (int p = 0; p < 3; ++p) {
      const uint32_t pw = p == 0 ? c.w : c.cw, ph = p == 0 ? c.h : c.ch;
      const uint32_t sx = pw < c.w ? 2 : 1, sy = ph < c.h ? 2 : 1;
      std::vector<uint32_t> expected(h.bins, 0);
      const unsigned peak = (1u << c.depth) - 1;
      for (uint32_t y = r.y / sy; y < (r.y + r.height + sy - 1) / sy; ++y)
        for (uint32_t x = r.x / sx; x < (r.x + r.width + sx - 1) / sx; ++x) {
          const size_t i = offset + size_t(y) * pw + x;
          unsigned v = c.depth == 8 ? bytes[i] : unsigned(bytes[2 * i] | bytes[2 * i + 1] << 8);
          if (c.component != 0 && uint32_t(p) + 1 != c.component) v = 1u << (c.depth - 1);
          ++expected[std::min(v, peak) >> shift];
        }
      EXPECT_EQ(h.counts[size_t(p)], expected) << "plane " << p;
      offset += size_t(pw) * ph;
    }
  }
}

TEST(Scopes, WaveformColumnsHoldTheirSamplesLevels) {
  // 8 × 6 I444: column x's top half is 16 + 20·x, its bottom half 235; U is
  // 90 everywhere, V a vertical ramp 100 + y.
  const uint32_t w = 8, h = 6;
  std::vector<uint8_t> frame(3 * w * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      frame[y * w + x] = uint8_t(y < h / 2 ? 16 + 20 * x : 235);
      frame[w * h + y * w + x] = 90;
      frame[2 * w * h + y * w + x] = uint8_t(100 + y);
    }
  std::vector<uint8_t> scratch;
  const PlanarFrame f = ToPlanar(YUV_I444, w, h, frame.data(), &scratch);
  ScopeOptions o;
  o.histogram = o.vectorscope = false;
  const Waveform luma = ComputeScopes(f, o).waveform;
  ASSERT_EQ(luma.planes, 1);
  ASSERT_EQ(luma.columns, w);  // a picture narrower than the columns asked keeps its own
  for (uint32_t x = 0; x < w; ++x) {
    std::vector<uint32_t> column(Waveform::kLevels, 0), expected(Waveform::kLevels, 0);
    for (uint32_t level = 0; level < Waveform::kLevels; ++level) column[level] = luma.At(0, x, level);
    expected[16 + 20 * x] += h / 2;
    expected[235] += h / 2;
    EXPECT_EQ(column, expected) << "column " << x;
  }
  // The parade, two columns a plane: each holds the four samples of its
  // two picture columns, at their own levels in their own plane.
  o.waveformMode = WaveformMode::kParade;
  o.waveformColumns = 6;
  const Waveform parade = ComputeScopes(f, o).waveform;
  ASSERT_EQ(parade.planes, 3);
  ASSERT_EQ(parade.columns, 2u);
  EXPECT_EQ(parade.At(0, 1, 16 + 20 * 4), 3u);
  EXPECT_EQ(parade.At(0, 1, 235), 12u);
  EXPECT_EQ(parade.At(1, 0, 90), 24u);
  for (uint32_t y = 0; y < h; ++y) EXPECT_EQ(parade.At(2, 1, 100 + y), 4u) << "row " << y;
}

TEST(Scopes, ColourBarsHitTheirTargetsInEachMatrix) {
  // 75 % bars as each matrix codes them in limited range: yellow, cyan,
  // green, magenta, red, blue (BT.601 and BT.709: the published values of
  // their colour-bar signals; BT.2020 worked out from Kr = 0.2627, Kb = 0.0593).
  struct Bar {
    int y, u, v;
  };
  const struct {
    YuvMatrix matrix;
    Bar bars[6];
  } cases[] = {
      {YuvMatrix::kBt601,
       {{162, 44, 142}, {131, 156, 44}, {112, 72, 58}, {84, 184, 198}, {65, 100, 212}, {35, 212, 114}}},
      {YuvMatrix::kBt709,
       {{168, 44, 136}, {145, 147, 44}, {134, 63, 52}, {63, 193, 204}, {51, 109, 212}, {28, 212, 120}}},
      {YuvMatrix::kBt2020,
       {{171, 44, 135}, {137, 151, 44}, {127, 67, 51}, {69, 189, 205}, {59, 105, 212}, {26, 212, 121}}},
  };
  const uint32_t barW = 5, w = 6 * barW, h = 4;
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.matrix));
    std::vector<uint8_t> frame(3 * w * h);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const Bar& b = c.bars[x / barW];
        frame[y * w + x] = uint8_t(b.y);
        frame[w * h + y * w + x] = uint8_t(b.u);
        frame[2 * w * h + y * w + x] = uint8_t(b.v);
      }
    std::vector<uint8_t> scratch;
    ScopeOptions o;
    o.histogram = o.waveform = false;
    o.colour = {c.matrix, YuvRange::kLimited};
    const Vectorscope v = ComputeScopes(ToPlanar(YUV_I444, w, h, frame.data(), &scratch), o).vectorscope;
    const std::array<BarTarget, 6> targets = BarTargets(o.colour);
    for (size_t i = 0; i < 6; ++i) {
      SCOPED_TRACE(targets[i].name);
      const Bar& b = c.bars[i];
      EXPECT_EQ(v.At(uint32_t(b.u), uint32_t(b.v)), barW * h);
      EXPECT_NEAR(targets[i].u, b.u, 0.5);
      EXPECT_NEAR(targets[i].v, b.v, 0.5);
      // An RGB frame of the same bar reads the same U and V.
      const Yuv8 fromRgb = RgbToYuv8(i == 0 || i == 3 || i == 4 ? 191 : 0, i <= 2 ? 191 : 0,
                                     i == 1 || i == 3 || i == 5 ? 191 : 0, o.colour);
      EXPECT_NEAR(fromRgb.u, b.u, 1);
      EXPECT_NEAR(fromRgb.v, b.v, 1);
    }
    EXPECT_EQ(v.total, uint64_t(w) * h);
  }
}

}  // namespace
}  // namespace corvane::analysis
