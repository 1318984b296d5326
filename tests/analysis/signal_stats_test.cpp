// The signal statistics beyond what the command-line tests hold to ffmpeg:
// the AVX2 kernels and a meter using them against the plain reference on
// random frames whose widths are no multiple of the vector, the deep hue and
// saturation tables against ffmpeg's expressions, and TOUT on deep samples
// (whole samples, the threshold scaled to the depth).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/signal_stats.h"

namespace corvane::analysis {
namespace {

struct Frame {
  std::vector<uint8_t> bytes;
  PlanarFrame planes;
};

// Random 8-bit planes with a stride wider than the plane; `near` gives a
// frame a little different from it (for DIF), `flat` lines that repeat the
// line above at places (for VREP) and a narrow range (for BRNG's limits).
Frame RandomFrame(std::mt19937& rng, Sampling sampling, uint32_t w, uint32_t h, const Frame* near = nullptr) {
  Frame f;
  f.planes = PlanarShape(sampling == Sampling::k420 ? YUV_I010 : sampling == Sampling::k422 ? YUV_I210 : YUV_I410,
                         w, h, 8);
  size_t total = 0;
  std::array<size_t, 3> at{};
  for (size_t p = 0; p < 3; ++p) {
    PlaneView& v = f.planes.planes[p];
    v.stride = ptrdiff_t(v.width) + 5;
    at[p] = total + 1;
    total += size_t(v.stride) * v.height + 1;
  }
  f.bytes.resize(total);
  std::uniform_int_distribution<int> any(0, 255), noise(-6, 6);
  for (size_t i = 0; i < total; ++i)
    f.bytes[i] = near ? uint8_t(std::clamp(near->bytes[i] + noise(rng), 0, 255))
                       : uint8_t(i % 13 == 0 ? any(rng) : any(rng) / 2 + 60);
  for (size_t p = 0; p < 3; ++p) {
    PlaneView& v = f.planes.planes[p];
    uint8_t* d = f.bytes.data() + at[p];
    if (!near)
      for (uint32_t y = 4; y < v.height; ++y)
        if (y % 3 == 0) std::copy_n(d + (y - 4) * v.stride, v.width, d + y * v.stride);
    v.data = d;
  }
  return f;
}

TEST(StatsKernels, Avx2RowsAgreeWithReference) {
  const StatsKernels* avx2 = Avx2StatsKernels();
  if (!avx2) GTEST_SKIP() << "no AVX2 on this processor";
  const StatsKernels& ref = ReferenceStatsKernels();
  std::mt19937 rng(28);
  std::uniform_int_distribution<int> any(0, 255), small(0, 12);
  for (int w : {1, 2, 3, 31, 32, 33, 34, 35, 63, 66, 97, 353, 1921}) {
    SCOPED_TRACE(w);
    // Five lines for TOUT; samples near one value so that outliers occur.
    std::vector<uint8_t> lines(size_t(w) * 5 + 40), other(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      lines[i] = uint8_t(i % 7 == 0 ? any(rng) : 100 + small(rng));
      other[i] = uint8_t(any(rng));
    }
    uint8_t maskRef = 0, maskAvx = 0;
    EXPECT_EQ(ref.sadOrRow(lines.data(), other.data(), w, &maskRef),
              avx2->sadOrRow(lines.data(), other.data(), w, &maskAvx));
    EXPECT_EQ(maskRef, maskAvx);
    for (bool two : {false, true})
      EXPECT_EQ(ref.toutRow(lines.data() + 2 * w, w, w, two), avx2->toutRow(lines.data() + 2 * w, w, w, two));
    for (int shift : {0, 1})
      EXPECT_EQ(ref.brngRow(other.data(), lines.data(), other.data() + w, w, shift),
                avx2->brngRow(other.data(), lines.data(), other.data() + w, w, shift));
  }
}

TEST(SignalStatsMeter, Avx2AgreesWithReferenceOnWholeFrames) {
  const StatsKernels* avx2 = Avx2StatsKernels();
  if (!avx2) GTEST_SKIP() << "no AVX2 on this processor";
  SignalStatsMeter plain(ReferenceStatsKernels()), fast(*avx2);
  std::mt19937 rng(5);
  const StatExtras all{true, true, true};
  for (Sampling sampling : {Sampling::k420, Sampling::k422, Sampling::k444}) {
    for (auto [w, h] : {std::pair{77u, 35u}, {130u, 9u}, {33u, 66u}}) {
      SCOPED_TRACE(std::string(SamplingName(sampling)) + " " + std::to_string(w) + "x" + std::to_string(h));
      const Frame a = RandomFrame(rng, sampling, w, h), b = RandomFrame(rng, sampling, w, h, &a);
      const SignalStats expected = plain.Measure(a.planes, &b.planes, all);
      EXPECT_EQ(expected.values, fast.Measure(a.planes, &b.planes, all).values);
      EXPECT_GT(expected[StatId::kYDif], 0);
      EXPECT_GT(expected[StatId::kVrep], 0);
      EXPECT_GT(expected[StatId::kBrng], 0);
    }
  }
}

TEST(DeepHueTable, EqualsFfmpegsExpressions) {
  const DeepHueTable table;
  const auto check = [&](int du, int dv) {
    ASSERT_EQ(table.Hue(du, dv), FfmpegHue(float(du), float(dv))) << du << ", " << dv;
    ASSERT_EQ(DeepHueTable::Saturation(du, dv), int(hypotf(float(du), float(dv)))) << du << ", " << dv;
  };
  // Every pair of 10-bit samples, and a sample of 16-bit ones (the far
  // corners, where hypotf's float rounding reaches the next integer, too).
  for (int du = -512; du < 512; ++du)
    for (int dv = -512; dv < 512; ++dv) check(du, dv);
  std::mt19937 rng(16);
  std::uniform_int_distribution<int> any(-32768, 32767), corner(32000, 32767);
  for (int i = 0; i < 2000000; ++i) check(any(rng), any(rng));
  for (int i = 0; i < 200000; ++i) check(corner(rng) * (i & 1 ? -1 : 1), corner(rng) * (i & 2 ? -1 : 1));
}

// An 8x8 10-bit frame, flat at 512 but for pixels 2..5 of line 4, raised by
// `rise`: pixels 3 and 4 are outliers (they and both neighbours stand out
// from the lines above and below) when the rise exceeds 4 scaled to 10 bits,
// 16. ffmpeg's own 16-bit TOUT tests the samples' low bytes against 4,
// so it would count the rise of 12 as well.
TEST(SignalStatsMeter, DeepToutTestsWholeSamplesAtTheScaledThreshold) {
  struct Case {
    int rise;
    double tout;
  };
  for (const Case c : {Case{12, 0.0}, Case{17, 2.0 / 64}, Case{40, 2.0 / 64}}) {
    std::vector<uint16_t> words(64 * 3, 512);
    for (int x = 2; x <= 5; ++x) words[size_t(4 * 8 + x)] += uint16_t(c.rise);
    PlanarFrame f = PlanarShape(YUV_I410, 8, 8);
    for (size_t p = 0; p < 3; ++p) f.planes[p].data = reinterpret_cast<const uint8_t*>(words.data() + 64 * p);
    SignalStatsMeter meter;
    EXPECT_EQ(meter.Measure(f, nullptr, {true, false, false})[StatId::kTout], c.tout) << "rise " << c.rise;
  }
}

}  // namespace
}  // namespace corvane::analysis
