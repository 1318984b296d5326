#include "capture/colour_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "capture/deep_still.h"
#include "formats/test_pattern.h"
#include "frames.h"

using namespace corvane;
using capture_test::Lcg;
using capture_test::Uniform420;

namespace {

struct Bgr {
  int b, g, r;
};

Bgr ConvertOne(uint8_t y, uint8_t u, uint8_t v) {
  const auto frame = Uniform420(96, 64, y, u, v);
  std::vector<uint8_t> out(96 * 64 * 4);
  EXPECT_TRUE(ConvertYUV420ToRGB32(out.data(), frame.data(), uint32_t(frame.size()), 96, 64));
  // Every pixel is the same; take one from the middle.
  const uint8_t* p = out.data() + (30 * 96 + 50) * 4;
  EXPECT_EQ(p[3], 0);
  return {p[0], p[1], p[2]};
}

}  // namespace

TEST(ColourConvert, Bt601LimitedRangeValues) {
  struct Case {
    uint8_t y, u, v;
    int r, g, b;
  } cases[] = {
      {16, 128, 128, 0, 0, 0},     {235, 128, 128, 255, 255, 255}, {128, 128, 128, 130, 130, 130},
      {81, 90, 240, 255, 0, 0},    // blue sum -1 clamps to 0
      {0, 0, 0, 0, 135, 0},        // blue sum -277 clamps to 0
      {255, 255, 255, 255, 125, 255},  // blue sum 534 clamps to 255
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.y) << "," << int(c.u) << "," << int(c.v));
    const Bgr px = ConvertOne(c.y, c.u, c.v);
    EXPECT_EQ(px.r, c.r);
    EXPECT_EQ(px.g, c.g);
    EXPECT_EQ(px.b, c.b);
  }
  // The sums behind the clamped examples.
  EXPECT_EQ(contrib::kYc[81] + contrib::kBu[90], -1);
  EXPECT_EQ(contrib::kYc[0] + contrib::kBu[0], -277);
  EXPECT_EQ(contrib::kYc[255] + contrib::kBu[255], 534);
}

TEST(ColourConvert, FrameSizeAndGeometryChecks) {
  auto frame = Uniform420(96, 64, 200, 100, 150);
  ASSERT_EQ(frame.size(), 9216u);
  std::vector<uint8_t> out(96 * 64 * 4, 0xAB);
  EXPECT_FALSE(ConvertYUV420ToRGB32(out.data(), frame.data(), 9215, 96, 64));
  EXPECT_FALSE(ConvertYVU420ToRGB32(out.data(), frame.data(), 9217, 96, 64));
  for (uint8_t b : out) ASSERT_EQ(b, 0xAB);
  EXPECT_TRUE(ConvertYUV420ToRGB32(out.data(), frame.data(), 9216, 96, 64));

  // UYVY: odd sizes and sizes out of range are refused, nothing written.
  std::vector<uint8_t> uyvy(2 * 97 * 65, 0x80);
  std::vector<uint8_t> dst(4 * 97 * 65, 0xAB);
  EXPECT_FALSE(ConvertUYVYToRGB32(dst.data(), uyvy.data(), 2 * 97 * 64, 97, 64));
  EXPECT_FALSE(ConvertUYVYToRGB32(dst.data(), uyvy.data(), 2 * 96 * 65, 96, 65));
  EXPECT_FALSE(ConvertUYVYToRGB32(dst.data(), uyvy.data(), 2 * 94 * 64, 94, 64));
  EXPECT_FALSE(ConvertUYVYToRGB32(dst.data(), uyvy.data(), 2 * 96 * 62, 96, 62));
  EXPECT_FALSE(ConvertUYVYToRGB32(dst.data(), uyvy.data(), 2 * 96 * 64 - 1, 96, 64));
  for (uint8_t b : dst) ASSERT_EQ(b, 0xAB);

  EXPECT_FALSE(CopyRGB32(dst.data(), uyvy.data(), 4 * 96 * 64 - 1, 96, 64));
}

TEST(ColourConvert, PlaneOrderOfTheTwo420Types) {
  // Type 3 holds Y, U, V; type 10 holds Y, V, U. The same picture stored
  // both ways converts to the same pixels.
  const uint32_t w = 96, h = 64;
  auto yuv = capture_test::Natural420(w, h);
  std::vector<uint8_t> yvu(yuv);
  const size_t ys = w * h, cs = ys / 4;
  std::copy(yuv.begin() + ys, yuv.begin() + ys + cs, yvu.begin() + ys + cs);
  std::copy(yuv.begin() + ys + cs, yuv.end(), yvu.begin() + ys);
  std::vector<uint8_t> a(w * h * 4), b(w * h * 4);
  ASSERT_TRUE(ConvertYUV420ToRGB32(a.data(), yuv.data(), uint32_t(yuv.size()), w, h));
  ASSERT_TRUE(ConvertYVU420ToRGB32(b.data(), yvu.data(), uint32_t(yvu.size()), w, h));
  EXPECT_EQ(a, b);
}

TEST(ColourConvert, UyvyUsesEvenRowChromaOnly) {
  const uint32_t w = 96, h = 64;
  auto uyvy = capture_test::Noise(2 * w * h, 7);
  std::vector<uint8_t> a(w * h * 4), b(w * h * 4);
  ASSERT_TRUE(ConvertUYVYToRGB32(a.data(), uyvy.data(), 2 * w * h, w, h));
  // Chroma bytes of odd rows change nothing.
  for (uint32_t y = 1; y < h; y += 2)
    for (uint32_t x = 0; x < w; x += 2) {
      uyvy[(y * w + x) * 2] ^= 0x5A;
      uyvy[(y * w + x) * 2 + 2] ^= 0xA5;
    }
  ASSERT_TRUE(ConvertUYVYToRGB32(b.data(), uyvy.data(), 2 * w * h, w, h));
  EXPECT_EQ(a, b);
  // And it equals the 4:2:0 conversion of the planes split as described.
  std::vector<uint8_t> planes(w * h * 3 / 2);
  uint8_t* Y = planes.data();
  uint8_t* U = Y + w * h;
  uint8_t* V = U + w * h / 4;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      Y[y * w + x] = uyvy[2 * (y * w + x) + 1];
      if (y % 2 != 0) continue;
      // (Written without "(x % 2 ? V : U)[i] =": GCC 12 with
      // -fsanitize=address,undefined miscompiles that store.)
      if (x % 2)
        V[(y / 2) * (w / 2) + x / 2] = uyvy[2 * (y * w + x)];
      else
        U[(y / 2) * (w / 2) + x / 2] = uyvy[2 * (y * w + x)];
    }
  std::vector<uint8_t> c(w * h * 4);
  ASSERT_TRUE(ConvertYUV420ToRGB32(c.data(), planes.data(), uint32_t(planes.size()), w, h));
  EXPECT_EQ(a, c);
}

TEST(ColourConvert, Rgb32CopyKeepsTheFourthByte) {
  auto frame = capture_test::Noise(4 * 96 * 64, 3);
  std::vector<uint8_t> out(frame.size());
  ASSERT_TRUE(CopyRGB32(out.data(), frame.data(), uint32_t(frame.size()), 96, 64));
  EXPECT_EQ(out, frame);
}

TEST(ColourConvert, SimdMatchesPlainForEverySampleCombination) {
  // 512×256: every Y value in each row, and the 256×128 chroma planes hold
  // all 65536 (U, V) pairs over two frames.
  const int w = 512, h = 256;
  std::vector<uint8_t> y(w * h), u(w / 2 * h / 2), v(w / 2 * h / 2);
  for (int i = 0; i < w * h; ++i) y[i] = uint8_t(i * 7 + i / w);
  for (int half = 0; half < 2; ++half) {
    for (int i = 0; i < w / 2 * h / 2; ++i) {
      const int pair = half * 32768 + i;
      u[i] = uint8_t(pair >> 8);
      v[i] = uint8_t(pair);
    }
    std::vector<uint8_t> a(w * h * 4, 1);
    capture_detail::PlanesToRGB32Plain(y.data(), u.data(), v.data(), a.data(), w * 4, w, h);
    for (int level = 1; level <= capture_detail::BestSimdConvertLevel(); ++level) {
      std::vector<uint8_t> b(w * h * 4, 2);
      capture_detail::PlanesToRGB32Simd(y.data(), u.data(), v.data(), b.data(), w * 4, w, h, level);
      ASSERT_EQ(a, b) << "level " << level;
    }
  }
}

TEST(ColourConvert, SimdMatchesPlainAtOddSizesOffsetsAndStrides) {
  Lcg g(99);
  const int sizes[][2] = {{2, 2},  {3, 3},   {17, 5},   {31, 9},  {33, 2},
                          {47, 7}, {97, 65}, {130, 11}, {16, 16}, {65, 4}};
  ASSERT_GE(capture_detail::BestSimdConvertLevel(), 1);
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    for (int offset = 0; offset < 4; ++offset) {
      for (int flip = 0; flip < 2; ++flip) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " offset " << offset << " flip " << flip);
        // Exact-size planes, so that AddressSanitizer sees any read past them.
        const size_t cw = w / 2, ch = h / 2;
        std::vector<uint8_t> ybuf(w * h + offset), ubuf(cw * ch + offset), vbuf(cw * ch + offset);
        for (auto* buf : {&ybuf, &ubuf, &vbuf})
          for (auto& b : *buf) b = g.Byte();
        const int stride = 4 * w + offset * 4;
        std::vector<uint8_t> a(size_t(stride) * h + offset, 0x11);
        uint8_t* da = a.data() + offset + (flip ? size_t(stride) * (h - 1) : 0);
        capture_detail::PlanesToRGB32Plain(ybuf.data() + offset, ubuf.data() + offset, vbuf.data() + offset, da,
                                           flip ? -stride : stride, w, h);
        for (int level = 1; level <= capture_detail::BestSimdConvertLevel(); ++level) {
          std::vector<uint8_t> b(a.size(), 0x11);
          uint8_t* db = b.data() + offset + (flip ? size_t(stride) * (h - 1) : 0);
          capture_detail::PlanesToRGB32Simd(ybuf.data() + offset, ubuf.data() + offset, vbuf.data() + offset, db,
                                            flip ? -stride : stride, w, h, level);
          ASSERT_EQ(a, b) << "level " << level;
        }
      }
    }
  }
}

TEST(ColourConvert, OddSized420FramesUseTheNearestChroma) {
  // 97×65: chroma planes of 48×32. The last column and the last row take the
  // chroma of the last column pair and row pair. Exact-size buffers.
  const uint32_t w = 97, h = 65;
  const uint32_t frameSize = (3 * w * h) >> 1;
  auto frame = capture_test::Noise(frameSize, 5);
  std::vector<uint8_t> out(w * h * 4, 0xEE);
  ASSERT_TRUE(ConvertYUV420ToRGB32(out.data(), frame.data(), frameSize, w, h));
  const uint8_t* Y = frame.data();
  const uint8_t* U = Y + w * h;
  const uint8_t* V = Y + (5 * w * h) / 4;
  auto expect = [&](uint32_t x, uint32_t y, uint32_t cx, uint32_t cy) {
    const int yc = contrib::kYc[Y[y * w + x]];
    const uint8_t u = U[cy * 48 + cx], v = V[cy * 48 + cx];
    auto cl = [](int s) { return s < 0 ? 0 : s > 255 ? 255 : s; };
    const uint8_t* p = out.data() + (y * w + x) * 4;
    EXPECT_EQ(p[0], cl(yc + contrib::kBu[u])) << x << "," << y;
    EXPECT_EQ(p[1], cl(yc - contrib::kGu[u] - contrib::kGv[v])) << x << "," << y;
    EXPECT_EQ(p[2], cl(yc + contrib::kRv[v])) << x << "," << y;
    EXPECT_EQ(p[3], 0);
  };
  expect(96, 0, 47, 0);    // last column
  expect(5, 64, 2, 31);    // last row
  expect(96, 64, 47, 31);  // last pixel
  expect(95, 63, 47, 31);
  EXPECT_FALSE(ConvertYUV420ToRGB32(out.data(), frame.data(), 1, 1, 1));
}

TEST(ColourConvert, CoreRefusesBadArgumentsWithTheDiagnostic) {
  std::vector<uint8_t> p(64 * 64, 16), out(64 * 64 * 4, 0x33);
  testing::internal::CaptureStderr();
  PlanesToRGB32(p.data(), nullptr, p.data(), out.data(), 64 * 4, 64, 64);
  PlanesToRGB32(p.data(), p.data(), p.data(), out.data(), 64 * 4 - 1, 64, 64);  // stride too short
  PlanesToRGB32(p.data(), p.data(), p.data(), out.data(), 64 * 4, 1, 64);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Convert ACCESS ERROR\nConvert ACCESS ERROR\nConvert ACCESS ERROR\n");
  for (uint8_t b : out) ASSERT_EQ(b, 0x33);
}

TEST(DoubleLines, RowsCopiedAndAveragedRoundingUp) {
  const uint32_t w = 704, outH = 576, srcH = 288;
  auto frame = capture_test::Noise(w * srcH * 3 / 2, 11);
  frame[0] = 10;
  frame[w] = 13;  // row 1, column 0
  std::vector<uint8_t> out(w * outH * 3 / 2 + 16, 0xCD);
  ASSERT_TRUE(DoubleLines(frame.data(), out.data(), w, outH));
  EXPECT_EQ(out[w], 12);  // (10 + 13 + 1) >> 1
  struct Plane {
    size_t src, dst, len, rows;
  } planes[] = {{0, 0, w, srcH},
                {w * srcH, w * outH, w / 2, srcH / 2},
                {w * srcH + w * srcH / 4, w * outH + w * outH / 4, w / 2, srcH / 2}};
  for (const auto& p : planes) {
    for (size_t i = 0; i < p.rows; ++i) {
      const uint8_t* a = frame.data() + p.src + i * p.len;
      const uint8_t* b = i + 1 < p.rows ? a + p.len : a;  // the last row repeats
      const uint8_t* even = out.data() + p.dst + 2 * i * p.len;
      const uint8_t* odd = even + p.len;
      for (size_t x = 0; x < p.len; ++x) {
        ASSERT_EQ(even[x], a[x]) << "plane at " << p.src << " row " << i;
        ASSERT_EQ(odd[x], (a[x] + b[x] + 1) >> 1) << "plane at " << p.src << " row " << i;
      }
    }
  }
  for (size_t i = w * outH * 3 / 2; i < out.size(); ++i) EXPECT_EQ(out[i], 0xCD);  // nothing past the frame

  std::vector<uint8_t> small(100 * 8 * 3 / 2, 0x77);
  EXPECT_FALSE(DoubleLines(frame.data(), small.data(), 100, 8));  // 100 is not a multiple of 16
  EXPECT_FALSE(DoubleLines(frame.data(), small.data(), 96, 6));   // chroma planes need row pairs
  for (uint8_t b : small) ASSERT_EQ(b, 0x77);
}

// The added formats before JPEG: samples rounded to 8 bits (P010 and P016
// from the top of their words), chroma of each 2x2 block's top-left pixel,
// grey with neutral chroma; v210 is not taken.
TEST(RoundTo8Bit420, RoundsEverySampleAndTakesTheBlocksChroma) {
  const uint32_t w = 4, h = 4, n = w * h;
  for (int t = kFirstAddedType; t < kYUVTypeCount; ++t) {
    const YUVType type = YUVType(t);
    SCOPED_TRACE(CodeName(CodeOfType(type)));
    const int bits = BitDepthOf(type);
    auto deep = [bits](uint32_t v10) { return uint16_t(bits >= 10 ? v10 << (bits - 10) : v10 >> 2); };
    auto round8 = [bits](uint32_t v) { return bits == 8 ? v : std::min(255u, (v + (1u << (bits - 9))) >> (bits - 8)); };
    std::vector<uint16_t> Y(n), U(n), V(n);
    for (uint32_t i = 0; i < n; ++i) Y[i] = deep(i * 60 + 3), U[i] = deep(1023 - i * 40), V[i] = deep(512 + i * 7);
    const std::vector<uint8_t> frame = PackDeepFrame(type, w, h, Y.data(), U.data(), V.data());
    std::vector<uint8_t> out(n * 3 / 2, 0xEE);
    if (type == YUV_V210) {
      EXPECT_FALSE(RoundTo8Bit420(type, frame.data(), w, h, out.data()));
      continue;
    }
    ASSERT_TRUE(RoundTo8Bit420(type, frame.data(), w, h, out.data()));
    const bool grey = PlaneOrderOf(type) == PlaneOrder::kYOnly;
    for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(out[i], round8(Y[i])) << "Y " << i;
    for (uint32_t j = 0; j < h / 2; ++j)
      for (uint32_t i = 0; i < w / 2; ++i) {
        const uint32_t src = 2 * j * w + 2 * i, o = j * (w / 2) + i;
        EXPECT_EQ(out[n + o], grey ? 128u : round8(U[src])) << "U " << o;
        EXPECT_EQ(out[n + n / 4 + o], grey ? 128u : round8(V[src])) << "V " << o;
      }
  }
}
