// The shrinking kernels: the plain C++ routines against hand-worked values,
// the SIMD routines byte for byte against them (odd widths, odd offsets,
// inputs that end at an unreadable page so that an over-read faults), and
// the device's row-by-row path across surface layouts that hold the same
// samples.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/scale_kernels.h"
#include "engine/surface.h"
#include "engine/surface_device.h"
#include "formats/test_pattern.h"

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
using scale::Kernels;
using scale::Ratio;

// ---- Ratios and taps ------------------------------------------------------------

TEST(ScaleRatio, ClassesAndSpans) {
  EXPECT_EQ(scale::RatioFor(1920, 1280), Ratio::k3to2);
  EXPECT_EQ(scale::RatioFor(1080, 720), Ratio::k3to2);
  EXPECT_EQ(scale::RatioFor(3840, 1280), Ratio::k3to1);
  EXPECT_EQ(scale::RatioFor(704, 352), Ratio::k2to1);
  EXPECT_EQ(scale::RatioFor(352, 352), Ratio::k1to1);
  EXPECT_FALSE(scale::RatioFor(1920, 1000));
  EXPECT_FALSE(scale::RatioFor(1280, 1920));  // enlarging is left to the general scaler
  EXPECT_FALSE(scale::RatioFor(0, 0));
  EXPECT_EQ(scale::SourceSpan(Ratio::k3to2, 1280), 1920);
  EXPECT_EQ(scale::SourceSpan(Ratio::k3to2, 5), 8);  // the last output reads the first two of a triple
  EXPECT_EQ(scale::SourceSpan(Ratio::k3to1, 7), 21);
  EXPECT_EQ(scale::SourceSpan(Ratio::k2to1, 7), 14);
  // Rows: 3:2 pairs read rows 0,1 then 1,2 of each triple.
  EXPECT_EQ(scale::VerticalTaps(Ratio::k3to2, 4).first, 6);
  EXPECT_EQ(scale::VerticalTaps(Ratio::k3to2, 5).first, 7);
  EXPECT_EQ(scale::VerticalTaps(Ratio::k3to1, 2).first, 6);
  EXPECT_EQ(scale::VerticalTaps(Ratio::k3to1, 2).count, 3);
  EXPECT_EQ(scale::VerticalTaps(Ratio::k2to1, 3).first, 6);
}

// ---- The reference, worked by hand ----------------------------------------------

TEST(ScaleReference, WorkedValues) {
  const Kernels& k = scale::ReferenceKernels();
  Bytes out(4);
  const Bytes h32{0, 4, 8, 100, 200, 255};
  k.h3to2(h32.data(), out.data(), 4);
  // (0·3+4+2)>>2, (4+8·3+2)>>2, (100·3+200+2)>>2, (200+255·3+2)>>2
  EXPECT_EQ(out, (Bytes{1, 7, 125, 241}));
  const Bytes h21{1, 2, 255, 254, 0, 1};
  k.h2to1(h21.data(), out.data(), 3);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{2, 255, 1}));
  const Bytes h31{0, 0, 1, 255, 255, 254, 10, 20, 31};
  k.h3to1(h31.data(), out.data(), 3);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{0, 255, 20}));  // 1/3, 764/3, 61/3 rounded

  const Bytes a{0, 255, 10}, b{4, 0, 20}, c{1, 254, 1};
  k.v3and1(a.data(), b.data(), out.data(), 3);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{1, 191, 13}));
  k.vAvg2(a.data(), b.data(), out.data(), 3);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{2, 128, 15}));
  k.vAvg3(a.data(), b.data(), c.data(), out.data(), 3);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{2, 170, 10}));  // 5/3, 509/3, 31/3 rounded
}

TEST(ScaleReference, FlatStaysFlat) {
  // A flat area keeps its level through every filter, 0 and 255 included.
  const Kernels& k = scale::ReferenceKernels();
  for (int level : {0, 1, 127, 128, 254, 255}) {
    const Bytes in(30, uint8_t(level));
    Bytes out(10, 7);
    for (auto fn : {k.h3to2, k.h2to1, k.h3to1}) {
      fn(in.data(), out.data(), 10);
      EXPECT_EQ(out, Bytes(10, uint8_t(level))) << level;
    }
    k.v3and1(in.data(), in.data(), out.data(), 10);
    EXPECT_EQ(out, Bytes(10, uint8_t(level)));
    k.vAvg3(in.data(), in.data(), in.data(), out.data(), 10);
    EXPECT_EQ(out, Bytes(10, uint8_t(level)));
  }
}

// ---- SIMD against the reference --------------------------------------------------

// n bytes that end where an unreadable page begins: a kernel reading past its
// input faults instead of passing by luck.
class Guarded {
 public:
  explicit Guarded(size_t n) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    m_len = (n + page - 1) / page * page + page;
    m_base = static_cast<uint8_t*>(mmap(nullptr, m_len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (m_base == MAP_FAILED) throw std::bad_alloc();
    mprotect(m_base + m_len - page, page, PROT_NONE);
    m_p = m_base + m_len - page - n;
  }
  ~Guarded() { munmap(m_base, m_len); }
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;
  uint8_t* data() { return m_p; }

 private:
  uint8_t* m_base;
  uint8_t* m_p;
  size_t m_len;
};

std::vector<const Kernels*> SimdSets() {
  std::vector<const Kernels*> v;
  if (const Kernels* k = scale::Ssse3Kernels()) v.push_back(k);
  if (const Kernels* k = scale::Avx2Kernels()) v.push_back(k);
  return v;
}

std::vector<int> Widths() {
  std::vector<int> w;
  for (int i = 1; i <= 100; ++i) w.push_back(i);
  for (int i : {127, 128, 129, 255, 256, 257, 360, 640, 641, 1279, 1280, 1281}) w.push_back(i);
  return w;
}

TEST(ScaleSimd, AtLeastTheBaseSetIsTested) {
  if (SimdSets().empty()) GTEST_SKIP() << "this processor has neither SSSE3 nor AVX2";
  // BestKernels is one of the sets below, or the reference on a bare CPU.
  const Kernels& best = scale::BestKernels();
  bool listed = false;
  for (const Kernels* k : SimdSets()) listed |= k == &best;
  EXPECT_TRUE(listed) << best.name;
}

TEST(ScaleSimd, HorizontalMatchesReferenceAtEveryWidthAndOffset) {
  const Kernels& ref = scale::ReferenceKernels();
  std::mt19937 rng(7);
  for (const Kernels* k : SimdSets()) {
    SCOPED_TRACE(k->name);
    for (Ratio r : {Ratio::k3to2, Ratio::k2to1, Ratio::k3to1}) {
      const scale::HRowFn simd = r == Ratio::k3to2 ? k->h3to2 : r == Ratio::k2to1 ? k->h2to1 : k->h3to1;
      const scale::HRowFn plain = r == Ratio::k3to2 ? ref.h3to2 : r == Ratio::k2to1 ? ref.h2to1 : ref.h3to1;
      for (int dw : Widths()) {
        const int span = scale::SourceSpan(r, dw);
        Guarded src{size_t(span)};
        for (int i = 0; i < span; ++i) src.data()[i] = uint8_t(rng());
        for (int off : {0, 1, 3, 7}) {  // output misaligned by off bytes
          Bytes want(size_t(dw) + 8, 0xAA), got(size_t(dw) + 8, 0xAA);
          plain(src.data(), want.data() + off, dw);
          simd(src.data(), got.data() + off, dw);
          ASSERT_EQ(got, want) << "ratio " << int(r) << " width " << dw << " offset " << off;
        }
      }
      // Input misaligned too: the same row starting one to three bytes later.
      for (int dw : {31, 64, 97, 640}) {
        const int span = scale::SourceSpan(r, dw);
        Bytes buf(size_t(span) + 3);
        for (uint8_t& b : buf) b = uint8_t(rng());
        for (int off = 1; off <= 3; ++off) {
          Bytes want(static_cast<size_t>(dw)), got(static_cast<size_t>(dw));
          plain(buf.data() + off, want.data(), dw);
          simd(buf.data() + off, got.data(), dw);
          ASSERT_EQ(got, want) << "ratio " << int(r) << " width " << dw << " input offset " << off;
        }
      }
    }
  }
}

TEST(ScaleSimd, VerticalMatchesReferenceAtEveryWidthAndOffset) {
  const Kernels& ref = scale::ReferenceKernels();
  std::mt19937 rng(11);
  for (const Kernels* k : SimdSets()) {
    SCOPED_TRACE(k->name);
    for (int n : Widths()) {
      Guarded a{size_t(n)}, b{size_t(n)}, c{size_t(n)};
      for (int i = 0; i < n; ++i) a.data()[i] = uint8_t(rng()), b.data()[i] = uint8_t(rng()), c.data()[i] = uint8_t(rng());
      for (int off : {0, 5}) {
        Bytes want(size_t(n) + 8, 0x55), got(size_t(n) + 8, 0x55);
        ref.v3and1(a.data(), b.data(), want.data() + off, n);
        k->v3and1(a.data(), b.data(), got.data() + off, n);
        ASSERT_EQ(got, want) << "3,1 width " << n;
        ref.vAvg2(a.data(), b.data(), want.data() + off, n);
        k->vAvg2(a.data(), b.data(), got.data() + off, n);
        ASSERT_EQ(got, want) << "avg2 width " << n;
        ref.vAvg3(a.data(), b.data(), c.data(), want.data() + off, n);
        k->vAvg3(a.data(), b.data(), c.data(), got.data() + off, n);
        ASSERT_EQ(got, want) << "avg3 width " << n;
      }
    }
  }
}

TEST(ScaleSimd, DivisionByThreeIsExactForEverySum) {
  // The SIMD thirds use a high multiply; every sum 0..765 must round as the
  // reference's integer division does. Rows a, b, c with a + b + c covering
  // every sum (a = i, b = j, c from 0 to 255 across the row).
  const Kernels& ref = scale::ReferenceKernels();
  Bytes row(256);
  for (int i = 0; i < 256; ++i) row[size_t(i)] = uint8_t(i);
  for (const Kernels* k : SimdSets()) {
    for (int a = 0; a < 256; a += 15)
      for (int b = 0; b < 256; ++b) {
        const Bytes ra(256, uint8_t(a)), rb(256, uint8_t(b));
        Bytes want(256), got(256);
        ref.vAvg3(ra.data(), rb.data(), row.data(), want.data(), 256);
        k->vAvg3(ra.data(), rb.data(), row.data(), got.data(), 256);
        ASSERT_EQ(got, want) << k->name << " a " << a << " b " << b;
      }
    // Horizontal: triples (a, b, c) laid side by side.
    Bytes h;
    for (int a = 0; a < 256; a += 5)
      for (int c = 0; c < 256; ++c) h.insert(h.end(), {uint8_t(a), uint8_t(255 - c / 2), uint8_t(c)});
    const int dw = int(h.size() / 3);
    Bytes want(static_cast<size_t>(dw)), got(static_cast<size_t>(dw));
    ref.h3to1(h.data(), want.data(), dw);
    k->h3to1(h.data(), got.data(), dw);
    ASSERT_EQ(got, want) << k->name;
  }
}

TEST(ScaleSimd, RowHelpersPickTheRightRows) {
  // VerticalRow weighs the even 3:2 row towards its first input and the odd
  // row towards its second; 1:1 hands back the input itself.
  const Kernels& k = scale::BestKernels();
  const Bytes r0(40, 0), r1(40, 100), r2(40, 200);
  Bytes tmp(40);
  const uint8_t* even[3] = {r0.data(), r1.data(), nullptr};
  EXPECT_EQ(scale::VerticalRow(k, Ratio::k3to2, 0, even, tmp.data(), 40)[39], 25);  // (0·3+100+2)>>2
  const uint8_t* odd[3] = {r1.data(), r2.data(), nullptr};
  EXPECT_EQ(scale::VerticalRow(k, Ratio::k3to2, 1, odd, tmp.data(), 40)[0], 175);  // (100+200·3+2)>>2
  EXPECT_EQ(scale::VerticalRow(k, Ratio::k1to1, 0, even, tmp.data(), 40), r0.data());
  EXPECT_EQ(scale::HorizontalRow(k, Ratio::k1to1, r1.data(), tmp.data(), 40), r1.data());
}

// ---- The device's row path across layouts ------------------------------------------

// A w × h picture of Y, U, V planes (U, V at cw × ch) with a busy pattern.
struct Planes {
  int w, h, cw, ch;
  Bytes y, u, v;
};
Planes MakePlanes(int w, int h, int cw, int ch, uint32_t seed) {
  std::mt19937 rng(seed);
  Planes p{w, h, cw, ch, Bytes(size_t(w) * h), Bytes(size_t(cw) * ch), Bytes(size_t(cw) * ch)};
  for (auto* plane : {&p.y, &p.u, &p.v})
    for (uint8_t& b : *plane) b = uint8_t(16 + rng() % 224);
  return p;
}

Bytes RenderSurface(const Surface& s, int dw, int dh) {
  Bytes out(size_t(dw) * dh * 4, 0);
  RenderScratch scratch;
  EXPECT_TRUE(SurfaceDevice::Instance().Render(s, out.data(), dw * 4, dw, dh, scratch));
  return out;
}

// Writes rows of n bytes from fn(row, x) into plane i of s.
template <typename Fn>
void Fill(Surface& s, int plane, int rows, int n, Fn fn) {
  for (int r = 0; r < rows; ++r) {
    uint8_t* row = s.PlaneData(plane) + size_t(s.Plane(plane).pitch) * r;
    for (int x = 0; x < n; ++x) row[x] = fn(r, x);
  }
}

// 4:2:2 samples in a YV16 surface and in each packed and semi-planar layout
// give the same picture byte for byte: the row path blends packed rows before
// splitting them, which must come to the same as splitting first.
TEST(ScaleDevice, Layouts422AgreeAtEveryRatio) {
  struct Size { int w, h, dw, dh; };
  for (const Size sz : {Size{96, 48, 64, 32}, Size{96, 48, 32, 16}, Size{96, 48, 48, 24}, Size{96, 48, 64, 48},
                        Size{96, 48, 96, 16}}) {
    SCOPED_TRACE(std::to_string(sz.dw) + "x" + std::to_string(sz.dh));
    const Planes p = MakePlanes(sz.w, sz.h, sz.w / 2, sz.h, 3);
    auto yv16 = Surface::Make(YUV_YV16, sz.w, sz.h, 64);
    Fill(*yv16, 0, sz.h, sz.w, [&](int r, int x) { return p.y[size_t(r) * sz.w + x]; });
    Fill(*yv16, 1, sz.h, p.cw, [&](int r, int x) { return p.u[size_t(r) * p.cw + x]; });
    Fill(*yv16, 2, sz.h, p.cw, [&](int r, int x) { return p.v[size_t(r) * p.cw + x]; });
    const Bytes want = RenderSurface(*yv16, sz.dw, sz.dh);

    // Byte i of a pixel pair, by layout.
    auto pair = [&](YUVType t, int r, int x) -> uint8_t {
      const size_t yi = size_t(r) * sz.w + 2 * (x / 4), ci = size_t(r) * p.cw + x / 4;
      const uint8_t Y0 = p.y[yi], Y1 = p.y[yi + 1], U = p.u[ci], V = p.v[ci];
      // A switch, not a conditional choosing between arrays: GCC 12 miscompiles
      // that form under -fsanitize=address,undefined.
      switch (t) {
        case YUV_YUYV: { const uint8_t b[4] = {Y0, U, Y1, V}; return b[x % 4]; }
        case YUV_YVYU: { const uint8_t b[4] = {Y0, V, Y1, U}; return b[x % 4]; }
        default: { const uint8_t b[4] = {U, Y0, V, Y1}; return b[x % 4]; }
      }
    };
    for (YUVType t : {YUV_YUYV, YUV_YVYU, YUV_UYVY, YUV_IUYV}) {
      SCOPED_TRACE(std::string(SurfaceFormatName(t)));
      auto s = Surface::Make(t, sz.w, sz.h, 64);
      // IUYV holds the even lines first, then the odd ones.
      Fill(*s, 0, sz.h, 2 * sz.w, [&](int r, int x) {
        const int line = t == YUV_IUYV ? (r < sz.h / 2 ? 2 * r : 2 * (r - sz.h / 2) + 1) : r;
        return pair(t, line, x);
      });
      EXPECT_EQ(RenderSurface(*s, sz.dw, sz.dh), want);
    }
    auto nv16 = Surface::Make(YUV_NV16, sz.w, sz.h, 64);
    Fill(*nv16, 0, sz.h, sz.w, [&](int r, int x) { return p.y[size_t(r) * sz.w + x]; });
    Fill(*nv16, 1, sz.h, sz.w, [&](int r, int x) { return (x % 2 ? p.v : p.u)[size_t(r) * p.cw + x / 2]; });
    EXPECT_EQ(RenderSurface(*nv16, sz.dw, sz.dh), want);
  }
}

// v210 takes the row path with its rows unpacked and rounded to 8 bits as
// they are read: the picture is that of the same samples rounded into a YV16
// surface, at every ratio and at widths that end inside a v210 group and
// inside the unpacker's 24-pixel step. Samples span every 10-bit code.
TEST(ScaleDevice, V210IsItsSamplesRoundedTo8BitsAtEveryRatio) {
  struct Size { int w, h, dw, dh; };
  for (const Size sz : {Size{96, 48, 64, 32}, Size{96, 48, 48, 24}, Size{96, 48, 32, 16}, Size{138, 30, 92, 20},
                        Size{150, 30, 50, 10}, Size{52, 12, 26, 8}}) {
    SCOPED_TRACE(std::to_string(sz.w) + " to " + std::to_string(sz.dw) + "x" + std::to_string(sz.dh));
    const int cw = (sz.w + 1) / 2;
    std::mt19937 rng(11);
    std::vector<uint16_t> y(size_t(sz.w) * sz.h), u(size_t(sz.w) * sz.h), v(size_t(sz.w) * sz.h);
    for (auto* plane : {&y, &u, &v})
      for (uint16_t& s : *plane) s = uint16_t(rng() % 1024);
    const Bytes packed = PackDeepFrame(YUV_V210, uint32_t(sz.w), uint32_t(sz.h), y.data(), u.data(), v.data());
    auto v210 = Surface::Make(YUV_V210, uint32_t(sz.w), uint32_t(sz.h), 64);
    const size_t rowBytes = packed.size() / size_t(sz.h);
    Fill(*v210, 0, sz.h, int(rowBytes), [&](int r, int x) { return packed[size_t(r) * rowBytes + size_t(x)]; });
    // The packer takes 4:4:4 samples and keeps the even columns' chroma.
    auto to8 = [](uint16_t s) { return uint8_t(std::min(255, (s + 2) >> 2)); };
    auto yv16 = Surface::Make(YUV_YV16, uint32_t(sz.w), uint32_t(sz.h), 64);
    const ChromaPlanes cp = ChromaPlanesOf(YUV_YV16);
    Fill(*yv16, 0, sz.h, sz.w, [&](int r, int x) { return to8(y[size_t(r) * sz.w + x]); });
    Fill(*yv16, cp.u, sz.h, cw, [&](int r, int x) { return to8(u[size_t(r) * sz.w + 2 * x]); });
    Fill(*yv16, cp.v, sz.h, cw, [&](int r, int x) { return to8(v[size_t(r) * sz.w + 2 * x]); });
    EXPECT_EQ(RenderSurface(*v210, sz.dw, sz.dh), RenderSurface(*yv16, sz.dw, sz.dh));
  }
}

TEST(ScaleDevice, Layouts420AgreeAndPlaneOrderIsKept) {
  // NV12 and both 4:2:0 planar surfaces ("IYUV" holds U first, "YV12" V first).
  const int w = 120, h = 72, dw = 80, dh = 48;
  const Planes p = MakePlanes(w, h, w / 2, h / 2, 5);
  auto nv12 = Surface::Make(YUV_NV12, w, h, 64);
  Fill(*nv12, 0, h, w, [&](int r, int x) { return p.y[size_t(r) * w + x]; });
  Fill(*nv12, 1, h / 2, w, [&](int r, int x) { return (x % 2 ? p.v : p.u)[size_t(r) * p.cw + x / 2]; });
  const Bytes want = RenderSurface(*nv12, dw, dh);
  for (YUVType t : {YUV_YV12, YUV_IYUV}) {
    auto s = Surface::Make(t, w, h, 64);
    const bool vFirst = t == YUV_IYUV;
    Fill(*s, 0, h, w, [&](int r, int x) { return p.y[size_t(r) * w + x]; });
    Fill(*s, vFirst ? 2 : 1, h / 2, p.cw, [&](int r, int x) { return p.u[size_t(r) * p.cw + x]; });
    Fill(*s, vFirst ? 1 : 2, h / 2, p.cw, [&](int r, int x) { return p.v[size_t(r) * p.cw + x]; });
    EXPECT_EQ(RenderSurface(*s, dw, dh), want) << SurfaceFormatName(t);
  }
  // Exchanging the chroma planes changes the picture: the check above sees order.
  auto swapped = Surface::Make(YUV_YV12, w, h, 64);
  Fill(*swapped, 0, h, w, [&](int r, int x) { return p.y[size_t(r) * w + x]; });
  Fill(*swapped, 1, h / 2, p.cw, [&](int r, int x) { return p.v[size_t(r) * p.cw + x]; });
  Fill(*swapped, 2, h / 2, p.cw, [&](int r, int x) { return p.u[size_t(r) * p.cw + x]; });
  EXPECT_NE(RenderSurface(*swapped, dw, dh), want);
}

TEST(ScaleDevice, RowPathEqualsShrinkingThePlanesThenConverting) {
  // The row path's picture is the picture of the planes shrunk with the
  // reference kernels (vertical, then horizontal) and converted unscaled.
  const int w = 90, h = 60, dw = 60, dh = 40;  // 3:2 luma and chroma
  const Planes p = MakePlanes(w, h, w / 2, h / 2, 9);
  auto src = Surface::Make(YUV_YV12, w, h, 64);
  Fill(*src, 0, h, w, [&](int r, int x) { return p.y[size_t(r) * w + x]; });
  Fill(*src, 1, h / 2, p.cw, [&](int r, int x) { return p.u[size_t(r) * p.cw + x]; });
  Fill(*src, 2, h / 2, p.cw, [&](int r, int x) { return p.v[size_t(r) * p.cw + x]; });

  const Kernels& ref = scale::ReferenceKernels();
  auto shrink = [&](const Bytes& in, int sw, int sh, int ow, int oh) {
    Bytes out(size_t(ow) * oh), tmp(static_cast<size_t>(sw));
    for (int y = 0; y < oh; ++y) {
      const scale::VTaps t = scale::VerticalTaps(Ratio::k3to2, y);
      const uint8_t* rows[3] = {&in[size_t(t.first) * sw], &in[size_t(t.first + 1) * sw], nullptr};
      const uint8_t* v = scale::VerticalRow(ref, Ratio::k3to2, y, rows, tmp.data(), sw);
      ref.h3to2(v, &out[size_t(y) * ow], ow);
    }
    return out;
  };
  const Bytes y = shrink(p.y, w, h, dw, dh), u = shrink(p.u, p.cw, p.ch, dw / 2, dh / 2),
              v = shrink(p.v, p.cw, p.ch, dw / 2, dh / 2);
  auto small = Surface::Make(YUV_YV12, dw, dh, 64);
  Fill(*small, 0, dh, dw, [&](int r, int x) { return y[size_t(r) * dw + x]; });
  Fill(*small, 1, dh / 2, dw / 2, [&](int r, int x) { return u[size_t(r) * (dw / 2) + x]; });
  Fill(*small, 2, dh / 2, dw / 2, [&](int r, int x) { return v[size_t(r) * (dw / 2) + x]; });
  EXPECT_EQ(RenderSurface(*src, dw, dh), RenderSurface(*small, dw, dh));
}

TEST(ScaleDevice, OtherSizesStillScaleAndFillTheWholeRectangle) {
  // Ratios outside the four (enlarging, 1920 -> 1000) take the general
  // scaler; a flat grey comes out grey everywhere either way.
  for (const auto& [dw, dh] : {std::pair{100, 50}, std::pair{200, 120}, std::pair{64, 32}, std::pair{43, 17}}) {
    auto s = Surface::Make(YUV_YUYV, 128, 64, 64);
    Fill(*s, 0, 64, 256, [](int, int x) { return uint8_t(x % 2 ? 128 : 126); });  // Y 126, neutral chroma
    const Bytes out = RenderSurface(*s, dw, dh);
    for (size_t i = 0; i < out.size(); i += 4) {
      // (126-16)·255/219 = 128, BT.601 limited range; libyuv's general
      // filter truncates its weights, which may take chroma a level or two
      // off neutral and a channel up to 3 levels away.
      for (int ch = 0; ch < 3; ++ch) ASSERT_NEAR(out[i + ch], 128, 4) << dw << "x" << dh;
      ASSERT_EQ(out[i + 3], 255);
    }
  }
}

}  // namespace
}  // namespace corvane
