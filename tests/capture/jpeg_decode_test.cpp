// Outside check: libjpeg-turbo decodes what the encoder writes, without
// warnings, and the decoded planes are close to the source. Its own encoder
// also confirms the standard tables we write.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <map>
#include <vector>

#include "capture/colour_convert.h"
#include "capture/still_encoder.h"
#include "capture/jpeg_encoder.h"
#include "formats/result_codes.h"
#include "frames.h"

using namespace corvane;

namespace {

struct Planes {
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> y, u, v;  // u, v: (w/2) × (h/2)
};

Planes FromI420(const std::vector<uint8_t>& f, uint32_t w, uint32_t h) {
  Planes p;
  p.w = w;
  p.h = h;
  const size_t ys = size_t(w) * h, cs = ys / 4;
  p.y.assign(f.begin(), f.begin() + ys);
  p.u.assign(f.begin() + ys, f.begin() + ys + cs);
  p.v.assign(f.begin() + ys + cs, f.begin() + ys + 2 * cs);
  return p;
}

// Decodes to planes, stopping on any warning. Fails the test on error.
Planes Decode(const std::vector<uint8_t>& jpeg) {
  Planes p;
  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, subsamp = -1, colorspace = -1;
  auto* data = const_cast<unsigned char*>(jpeg.data());
  EXPECT_EQ(tjDecompressHeader3(tj, data, jpeg.size(), &w, &h, &subsamp, &colorspace), 0) << tjGetErrorStr2(tj);
  EXPECT_EQ(subsamp, TJSAMP_420);
  EXPECT_EQ(colorspace, TJCS_YCbCr);
  p.w = uint32_t(w);
  p.h = uint32_t(h);
  p.y.resize(size_t(w) * h);
  p.u.resize(size_t(w / 2) * (h / 2));
  p.v.resize(p.u.size());
  unsigned char* planes[3] = {p.y.data(), p.u.data(), p.v.data()};
  int strides[3] = {w, w / 2, w / 2};
  const int r = tjDecompressToYUVPlanes(tj, data, jpeg.size(), planes, w, strides, h, TJFLAG_STOPONWARNING);
  EXPECT_EQ(r, 0) << tjGetErrorStr2(tj);
  tjDestroy(tj);
  return p;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, uint32_t w, uint32_t h,
            uint32_t strideB, uint32_t rowOffsetB) {
  double se = 0;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const double d = double(a[size_t(y) * w + x]) - b[size_t(y + rowOffsetB) * strideB + x];
      se += d * d;
    }
  if (se == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * w * h / se);
}

// PSNR of each plane of src against the decoded picture, whose content
// starts `top` lines down (the centring padding).
std::array<double, 3> Compare(const Planes& src, const Planes& dec, uint32_t top) {
  return {Psnr(src.y, dec.y, src.w, src.h, dec.w, top), Psnr(src.u, dec.u, src.w / 2, src.h / 2, dec.w / 2, top / 2),
          Psnr(src.v, dec.v, src.w / 2, src.h / 2, dec.w / 2, top / 2)};
}

std::vector<uint8_t> Encode(YUVType type, const std::vector<uint8_t>& frame, uint32_t w, uint32_t h, uint32_t q) {
  StillEncoder img;
  img.SetQuality(q);
  std::vector<uint8_t> out(size_t(JpegWorstCaseSize(w, 2 * h)));
  uint32_t len = 0;
  EXPECT_EQ(img.EncodeJPEG(type, frame.data(), uint32_t(frame.size()), w, h, out.data(), uint32_t(out.size()), &len),
            kOk);
  out.resize(len);
  return out;
}

std::map<uint8_t, std::vector<uint8_t>> TableSegments(const std::vector<uint8_t>& f, uint8_t marker) {
  std::map<uint8_t, std::vector<uint8_t>> out;  // by table id byte
  size_t i = 2;
  while (i + 4 <= f.size() && f[i] == 0xFF && f[i + 1] != 0xDA) {
    const size_t len = capture_test::Be16(&f[i + 2]);
    if (f[i + 1] == marker) out[f[i + 4]] = std::vector<uint8_t>(f.begin() + i + 4, f.begin() + i + 2 + len);
    i += 2 + len;
  }
  return out;
}

}  // namespace

TEST(JpegDecode, SizesAndQualitiesDecodeWithoutWarnings) {
  struct Case {
    uint32_t w, h, codedH, top;
  } cases[] = {
      {96, 64, 64, 0},      {352, 288, 288, 0},   // multiples of 16
      {176, 120, 128, 4},   {1920, 1080, 1088, 4},  // h mod 16 = 8: centred
      {352, 100, 112, 0},   {160, 66, 80, 0},     // other paddings: below
  };
  for (const auto& c : cases) {
    const auto frame = capture_test::Natural420(c.w, c.h, c.w + c.h);
    const Planes src = FromI420(frame, c.w, c.h);
    for (uint32_t q : {100u, 85u, 50u, 1u}) {
      SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " q" << q);
      const Planes dec = Decode(Encode(YUV_YV12, frame, c.w, c.h, q));
      ASSERT_EQ(dec.w, c.w);
      ASSERT_EQ(dec.h, c.codedH);
      const auto psnr = Compare(src, dec, c.top);
      const double floor = q == 100 ? 45 : q == 85 ? 33 : q == 50 ? 28 : 12;
      for (double p : psnr) EXPECT_GT(p, floor);
      if (c.codedH > c.h && c.top == 0) {
        // The rows below the picture repeat its last row (luma, then chroma).
        for (uint32_t r = c.h; r < c.codedH && q == 100; ++r)
          for (uint32_t x = 0; x < c.w; x += 7)
            EXPECT_NEAR(dec.y[size_t(r) * c.w + x], src.y[size_t(c.h - 1) * c.w + x], 3) << r;
      }
    }
  }
}

TEST(JpegDecode, HalfHeightFrameIsCodedLineDoubled) {
  const auto frame = capture_test::Natural420(704, 288, 3);
  std::vector<uint8_t> doubled(704 * 576 * 3 / 2);
  ASSERT_TRUE(DoubleLines(frame.data(), doubled.data(), 704, 576));
  // Type 10 holds Y, V, U; the decoded Cb must be the U plane.
  std::vector<uint8_t> yvu(frame);
  const size_t ys = 704 * 288, cs = ys / 4;
  std::copy(frame.begin() + ys, frame.begin() + ys + cs, yvu.begin() + ys + cs);
  std::copy(frame.begin() + ys + cs, frame.end(), yvu.begin() + ys);
  const Planes dec = Decode(Encode(YUV_IYUV, yvu, 704, 288, 100));
  ASSERT_EQ(dec.w, 704u);
  ASSERT_EQ(dec.h, 576u);
  for (double p : Compare(FromI420(doubled, 704, 576), dec, 0)) EXPECT_GT(p, 45);
}

TEST(JpegDecode, NaturalFrameAbove40dBAtQuality100) {
  // ffmpeg's testsrc2 when ffmpeg is there; the synthetic scene always.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> frames;
  frames.emplace_back("synthetic", capture_test::Natural420(352, 288, 9));
  auto ff = capture_test::FfmpegTestsrc2(352, 288);
  if (ff.size() == 352 * 288 * 3 / 2) frames.emplace_back("testsrc2", ff);
  for (const auto& [name, frame] : frames) {
    SCOPED_TRACE(name);
    const Planes dec = Decode(Encode(YUV_YV12, frame, 352, 288, 100));
    for (double p : Compare(FromI420(frame, 352, 288), dec, 0)) EXPECT_GT(p, 40);
  }
}

TEST(JpegDecode, TablesMatchLibjpegTurbo) {
  // libjpeg-turbo's encoder scales Tables K.1/K.2 the same way and writes the
  // Huffman tables of K.3 to K.6: the DQT and DHT segments must be equal.
  const int w = 32, h = 32;
  std::vector<unsigned char> rgb(w * h * 3, 90);
  tjhandle tj = tjInitCompress();
  for (int q : {1, 50, 85, 100}) {
    SCOPED_TRACE(q);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &buf, &size, TJSAMP_420, q, 0), 0);
    std::vector<uint8_t> theirs(buf, buf + size);
    tjFree(buf);
    const auto ours = Encode(YUV_YV12, capture_test::Natural420(96, 64), 96, 64, uint32_t(q));
    EXPECT_EQ(TableSegments(ours, 0xDB), TableSegments(theirs, 0xDB));
    EXPECT_EQ(TableSegments(ours, 0xC4), TableSegments(theirs, 0xC4));
    EXPECT_EQ(TableSegments(ours, 0xC4).size(), 4u);
  }
  tjDestroy(tj);
}
