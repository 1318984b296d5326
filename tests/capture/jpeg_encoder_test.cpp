#include "capture/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/still_encoder.h"
#include "formats/result_codes.h"
#include "frames.h"

using namespace corvane;
using capture_test::Be16;

namespace {

struct Segment {
  uint8_t marker;
  std::vector<uint8_t> body;  // after the length field
};

// The marker segments before the scan data, and where the scan starts.
std::vector<Segment> ParseHeaders(const std::vector<uint8_t>& f, size_t* scanStart) {
  std::vector<Segment> segs;
  size_t i = 2;
  segs.push_back({f[1], {}});
  while (i + 4 <= f.size()) {
    EXPECT_EQ(f[i], 0xFF);
    const uint8_t m = f[i + 1];
    const size_t len = Be16(&f[i + 2]);
    segs.push_back({m, std::vector<uint8_t>(f.begin() + i + 4, f.begin() + i + 2 + len)});
    i += 2 + len;
    if (m == 0xDA) break;
  }
  *scanStart = i;
  return segs;
}

std::vector<uint8_t> EncodeJpeg(YUVType type, const std::vector<uint8_t>& frame, uint32_t w, uint32_t h,
                                uint32_t quality, int32_t* result = nullptr) {
  StillEncoder img;
  img.SetQuality(quality);
  std::vector<uint8_t> out(size_t(JpegWorstCaseSize(w, 2 * h)));
  uint32_t len = 0;
  const int32_t r =
      img.EncodeJPEG(type, frame.data(), uint32_t(frame.size()), w, h, out.data(), uint32_t(out.size()), &len);
  if (result) *result = r;
  EXPECT_TRUE(r == kOk || result);
  out.resize(r == kOk ? len : 0);
  return out;
}

void CheckScanData(const std::vector<uint8_t>& f) {
  size_t start = 0;
  ParseHeaders(f, &start);
  ASSERT_GE(f.size(), start + 2);
  EXPECT_EQ(f[f.size() - 2], 0xFF);
  EXPECT_EQ(f[f.size() - 1], 0xD9);
  for (size_t i = start; i + 2 < f.size(); ++i)
    if (f[i] == 0xFF) {
      ASSERT_EQ(f[i + 1], 0x00) << "at " << i;
    }
}

// The plain DCT's definition, in double precision, for comparison.
void ExactDct(const int16_t in[64], double out[64]) {
  for (int u = 0; u < 8; ++u)
    for (int v = 0; v < 8; ++v) {
      double s = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          s += in[y * 8 + x] * std::cos((2 * y + 1) * u * M_PI / 16) * std::cos((2 * x + 1) * v * M_PI / 16);
      const double cu = u ? 1 : M_SQRT1_2, cv = v ? 1 : M_SQRT1_2;
      out[u * 8 + v] = s * cu * cv / 4;
    }
}

}  // namespace

TEST(JpegEncoder, SetQuality) {
  StillEncoder img;
  EXPECT_EQ(img.SetQuality(0), 0);
  EXPECT_EQ(img.Quality(), 85u);
  img.SetQuality(101);
  EXPECT_EQ(img.Quality(), 85u);
  img.SetQuality(1);
  EXPECT_EQ(img.Quality(), 1u);
  img.SetQuality(100);
  EXPECT_EQ(img.Quality(), 100u);
}

TEST(JpegEncoder, QualityScaleAndQuantisers) {
  EXPECT_EQ(jpeg::QualityScale(0), 5000);
  EXPECT_EQ(jpeg::QualityScale(-3), 5000);
  EXPECT_EQ(jpeg::QualityScale(1), 5000);
  EXPECT_EQ(jpeg::QualityScale(30), 166);
  EXPECT_EQ(jpeg::QualityScale(50), 100);
  EXPECT_EQ(jpeg::QualityScale(85), 30);
  EXPECT_EQ(jpeg::QualityScale(100), 0);
  EXPECT_EQ(jpeg::QualityScale(250), 0);

  // The DQT segments of real files.
  const auto frame = capture_test::Natural420(96, 64);
  for (uint32_t q : {1u, 50u, 85u, 100u}) {
    SCOPED_TRACE(q);
    const auto f = EncodeJpeg(YUV_YV12, frame, 96, 64, q);
    size_t scan = 0;
    const auto segs = ParseHeaders(f, &scan);
    ASSERT_EQ(segs[2].marker, 0xDB);
    ASSERT_EQ(segs[3].marker, 0xDB);
    ASSERT_EQ(segs[2].body.size(), 65u);
    EXPECT_EQ(segs[2].body[0], 0x00);
    EXPECT_EQ(segs[3].body[0], 0x01);
    for (int z = 0; z < 64; ++z) {
      const int n = jpeg::kZigzagToNatural[z];
      const uint8_t luma = segs[2].body[1 + z], chroma = segs[3].body[1 + z];
      switch (q) {
        case 1:
          EXPECT_EQ(luma, 255);
          EXPECT_EQ(chroma, 255);
          break;
        case 50:  // Tables K.1 and K.2 unchanged, in zigzag order
          EXPECT_EQ(luma, jpeg::kLumaQuantBase[n]);
          EXPECT_EQ(chroma, jpeg::kChromaQuantBase[n]);
          break;
        case 85:
          EXPECT_EQ(luma, (30 * jpeg::kLumaQuantBase[n] + 50) / 100);
          break;
        case 100:
          EXPECT_EQ(luma, 1);
          EXPECT_EQ(chroma, 1);
          break;
      }
    }
    if (q == 85) {
      EXPECT_EQ(segs[2].body[1], 5);  // luminance DC quantiser
    }
    if (q == 50) {
      // Figure A.6 walks the first anti-diagonals: 16 11 12 14 12 10.
      const uint8_t first[] = {16, 11, 12, 14, 12, 10};
      EXPECT_EQ(0, memcmp(&segs[2].body[1], first, 6));
    }
  }
}

TEST(JpegEncoder, ReciprocalsAndQuantizeBlock) {
  uint16_t quant[64], half[64], recip[64];
  uint8_t base[64];
  std::fill(base, base + 64, 43);
  jpeg::BuildQuantizer(base, 100, quant, half, recip);
  EXPECT_EQ(quant[0], 43);
  EXPECT_EQ(half[0], 21);
  EXPECT_EQ(recip[0], 65536 / 43 + 1);
  int16_t coef[64] = {}, zz[64];
  coef[0] = 1698;    // gives 40, not round(1698 / 43) = 39
  coef[1] = -1698;
  coef[8] = 22;
  coef[9] = 21;
  jpeg::QuantizeBlock(coef, half, recip, zz);
  EXPECT_EQ(zz[0], 40);
  EXPECT_EQ(zz[1], -40);  // natural 1 is zigzag 1
  EXPECT_EQ(zz[2], 1);    // natural 8 is zigzag 2: (22 + 21)·1525 >> 16
  EXPECT_EQ(zz[4], 0);    // natural 9 is zigzag 4: (21 + 21)·1525 >> 16
  // Quality 100: every quantiser is 1 and the values pass unchanged.
  std::fill(base, base + 64, 99);
  jpeg::BuildQuantizer(base, 0, quant, half, recip);
  EXPECT_EQ(quant[5], 1);
  EXPECT_EQ(half[5], 1);
  EXPECT_EQ(recip[5], 65535);
  for (int k = 0; k < 64; ++k) coef[k] = int16_t((k - 32) * 37);
  jpeg::QuantizeBlock(coef, half, recip, zz);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(zz[jpeg::kNaturalToZigzag[k]], coef[k]);
}

TEST(JpegEncoder, HuffmanCodesOfTheStandardTables) {
  HuffmanCode dc[256], ac[256];
  jpeg::BuildHuffmanCodes(jpeg::kDcLuma, dc);
  jpeg::BuildHuffmanCodes(jpeg::kAcLuma, ac);
  // Table K.3: 00, 010, 011, 100, 101, 110, 1110, ... 111111110.
  EXPECT_EQ(dc[0].code, 0b00);
  EXPECT_EQ(dc[0].length, 2);
  EXPECT_EQ(dc[1].code, 0b010);
  EXPECT_EQ(dc[5].code, 0b110);
  EXPECT_EQ(dc[5].length, 3);
  EXPECT_EQ(dc[6].code, 0b1110);
  EXPECT_EQ(dc[11].code, 0b111111110);
  EXPECT_EQ(dc[11].length, 9);
  EXPECT_EQ(dc[12].length, 0);
  // Table K.5: EOB 1010, 0/1 00, ZRL 11111111001, 15/10 1111111111111110.
  EXPECT_EQ(ac[0x00].code, 0b1010);
  EXPECT_EQ(ac[0x00].length, 4);
  EXPECT_EQ(ac[0x01].code, 0b00);
  EXPECT_EQ(ac[0xF0].code, 0b11111111001);
  EXPECT_EQ(ac[0xF0].length, 11);
  EXPECT_EQ(ac[0xFA].code, 0xFFFE);
  EXPECT_EQ(ac[0xFA].length, 16);
  EXPECT_EQ(ac[0x0B].length, 0);  // no 11-bit AC category
  HuffmanCode dcc[256], acc[256];
  jpeg::BuildHuffmanCodes(jpeg::kDcChroma, dcc);
  jpeg::BuildHuffmanCodes(jpeg::kAcChroma, acc);
  EXPECT_EQ(dcc[0].code, 0b00);
  EXPECT_EQ(dcc[11].length, 11);
  EXPECT_EQ(acc[0x00].code, 0b00);
  EXPECT_EQ(acc[0x00].length, 2);
}

TEST(JpegEncoder, BitWriterStuffsAndPadsWithOnes) {
  uint8_t buf[16];
  std::memset(buf, 0xEE, sizeof buf);
  jpeg::BitWriter bw;
  bw.start = buf;
  bw.capacity = sizeof buf;
  jpeg::PutBits(bw, 0b1111, 4);
  jpeg::PutBits(bw, 0b1111, 4);  // a whole 0xFF byte: stuffed
  jpeg::PutBits(bw, 0b101, 3);
  jpeg::FlushBits(bw);
  ASSERT_EQ(bw.pos, 3u);
  EXPECT_EQ(buf[0], 0xFF);
  EXPECT_EQ(buf[1], 0x00);
  EXPECT_EQ(buf[2], 0xBF);  // 101 then five 1 bits of padding
  EXPECT_EQ(bw.count, 0);
  // Nothing is stored at or past the capacity; the position keeps counting.
  jpeg::BitWriter small;
  small.start = buf;
  small.capacity = 1;
  std::memset(buf, 0xEE, sizeof buf);
  jpeg::PutBits(small, 0xABCD, 16);
  EXPECT_EQ(small.pos, 2u);
  EXPECT_EQ(buf[0], 0xAB);
  EXPECT_EQ(buf[1], 0xEE);
}

TEST(JpegEncoder, EncodeBlockRunsZrlAndEob) {
  HuffmanCode dc[256], ac[256];
  jpeg::BuildHuffmanCodes(jpeg::kDcLuma, dc);
  jpeg::BuildHuffmanCodes(jpeg::kAcLuma, ac);
  uint8_t buf[64] = {};
  jpeg::BitWriter bw;
  bw.start = buf;
  bw.capacity = sizeof buf;
  int16_t zz[64] = {};
  zz[0] = 3;    // diff 3 from predictor 0: category 2 (011), bits 11
  zz[20] = -1;  // run 19: ZRL, then 3/1 (111010), value bit 0
  int32_t pred = 0;
  jpeg::EncodeBlock(bw, zz, pred, dc, ac);
  jpeg::FlushBits(bw);
  EXPECT_EQ(pred, 3);
  // 011 11 | 11111111001 | 111010 0 | 1010 (EOB) | pad 11111
  ASSERT_EQ(bw.pos, 4u);
  const uint8_t expected[] = {0x7F, 0xF9, 0xE9, 0x5F};
  EXPECT_EQ(0, memcmp(buf, expected, 4));

  // Every AC value non-zero: 63 times 0/1 (00) and its bit, no EOB after.
  jpeg::BitWriter b2;
  b2.start = buf;
  b2.capacity = sizeof buf;
  int16_t ones[64];
  std::fill(ones, ones + 64, int16_t(1));
  ones[0] = 3;
  pred = 3;  // DC difference 0: 00
  jpeg::EncodeBlock(b2, ones, pred, dc, ac);
  EXPECT_EQ(8 * int(b2.pos) + b2.count, 2 + 63 * 3);
}

TEST(JpegEncoder, GreyFrameIs716Bytes) {
  const auto frame = capture_test::Uniform420(96, 64, 128, 128, 128);
  const auto f = EncodeJpeg(YUV_YV12, frame, 96, 64, 100);
  ASSERT_EQ(f.size(), 716u);
  size_t scan = 0;
  const auto segs = ParseHeaders(f, &scan);
  ASSERT_EQ(scan, 618u);
  const uint8_t markers[] = {0xD8, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};
  ASSERT_EQ(segs.size(), 10u);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(segs[i].marker, markers[i]) << i;
  const uint8_t start[] = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x0B, 'q', 'u', 'o', 'r', 'v',
                           'e',  'l',  't',  'a',  0xFF, 0xDB, 0x00, 0x43, 0x00};
  EXPECT_EQ(0, memcmp(f.data(), start, sizeof start));
  const std::vector<uint8_t> sof = {0x08, 0x00, 0x40, 0x00, 0x60, 0x03, 0x00, 0x22,
                                    0x00, 0x01, 0x11, 0x01, 0x02, 0x11, 0x01};
  EXPECT_EQ(segs[4].body, sof);
  const uint8_t dhtIds[] = {0x00, 0x01, 0x10, 0x11};
  const size_t dhtLen[] = {29, 29, 179, 179};  // length field minus 2: 0x1F, 0x1F, 0xB5, 0xB5
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(segs[5 + i].body.size(), dhtLen[i]);
    EXPECT_EQ(segs[5 + i].body[0], dhtIds[i]);
  }
  const std::vector<uint8_t> sos = {0x03, 0x00, 0x00, 0x01, 0x11, 0x02, 0x11, 0x00, 0x3F, 0x00};
  EXPECT_EQ(segs[9].body, sos);
  for (int mcu = 0; mcu < 24; ++mcu) {
    const uint8_t* m = &f[618 + 4 * mcu];
    ASSERT_EQ(m[0], 0x28);
    ASSERT_EQ(m[1], 0xA2);
    ASSERT_EQ(m[2], 0x8A);
    ASSERT_EQ(m[3], 0x00);
  }
  EXPECT_EQ(f[714], 0xFF);
  EXPECT_EQ(f[715], 0xD9);
}

TEST(JpegEncoder, CodedSizes) {
  struct Case {
    uint32_t w, h, lines;
  } cases[] = {{352, 288, 288}, {704, 288, 576}, {704, 240, 480}, {176, 120, 128},
               {1920, 1080, 1088}, {352, 100, 112}, {96, 64, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const auto f = EncodeJpeg(YUV_IYUV, capture_test::Natural420(c.w, c.h), c.w, c.h, 90);
    size_t scan = 0;
    const auto segs = ParseHeaders(f, &scan);
    ASSERT_EQ(segs[4].marker, 0xC0);
    EXPECT_EQ(Be16(&segs[4].body[1]), c.lines);
    EXPECT_EQ(Be16(&segs[4].body[3]), c.w);
    CheckScanData(f);
  }
}

TEST(JpegEncoder, Refusals) {
  StillEncoder img;
  img.SetQuality(100);
  auto frame = capture_test::Natural420(360, 288);
  std::vector<uint8_t> out(1 << 20);
  uint32_t len = 77;
  const uint32_t fs = uint32_t(frame.size());
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, frame.data(), fs, 360, 288, out.data(), 1 << 20, &len), kUnalignedSize);
  auto ok = capture_test::Natural420(352, 288);
  const uint32_t okSize = uint32_t(ok.size());
  for (YUVType t : {YUV_YUYV, YUV_RGB32, YUV_UYVY, YUV_NV12})
    EXPECT_EQ(img.EncodeJPEG(t, ok.data(), okSize, 352, 288, out.data(), 1 << 20, &len), kUnsupportedFormat);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, ok.data(), okSize, 352, 288, out.data(), okSize - 1, &len), kFail);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, ok.data(), okSize - 1, 352, 288, out.data(), 1 << 20, &len), kNotReady);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, nullptr, okSize, 352, 288, out.data(), 1 << 20, &len), kNullArg);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, ok.data(), okSize, 352, 288, nullptr, 1 << 20, &len), kNullArg);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, ok.data(), okSize, 352, 288, out.data(), 1 << 20, nullptr), kNullArg);
  EXPECT_EQ(len, 77u);  // not written by a refusal
  auto tiny = capture_test::Natural420(80, 64);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, tiny.data(), uint32_t(tiny.size()), 80, 64, out.data(), 1 << 20, &len),
            kUnsupportedSize);
  auto tall = capture_test::Uniform420(96, 3088, 1, 2, 3);
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, tall.data(), uint32_t(tall.size()), 96, 3088, out.data(),
                           uint32_t(tall.size()), &len),
            kUnsupportedSize);
  EXPECT_EQ(len, 77u);
  // The room the output needs is found only while coding: the out parameter
  // is 0 after such a failure.
  auto noise = capture_test::Noise(96 * 64 * 3 / 2, 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(img.EncodeJPEG(YUV_YV12, noise.data(), 9216, 96, 64, out.data(), 9216, &len), kFail);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nERROR! bitstream over!\n");
  EXPECT_EQ(len, 0u);
}

TEST(StillEncoder, CheckFrameSaysWhyInOrder) {
  using K = StillKind;
  EXPECT_EQ(StillEncoder::CheckFrame(K::kJpeg, YUV_UYVY, 352, 288), kUnsupportedFormat);
  EXPECT_EQ(StillEncoder::CheckFrame(K::kBmp, YUV_NV12, 95, 288), kUnsupportedFormat);  // format first
  EXPECT_EQ(StillEncoder::CheckFrame(K::kJpeg, YUV_IYUV, 3850, 288), kUnsupportedSize);  // then the limits
  EXPECT_EQ(StillEncoder::CheckFrame(K::kBmp, YUV_RGB32, 96, 3073), kUnsupportedSize);
  EXPECT_EQ(StillEncoder::CheckFrame(K::kJpeg, YUV_YV12, 360, 288), kUnalignedSize);
  EXPECT_EQ(StillEncoder::CheckFrame(K::kBmp, YUV_UYVY, 352, 289), kUnalignedSize);
  EXPECT_EQ(StillEncoder::CheckFrame(K::kBmp, YUV_YV12, 353, 289), kOk);
  EXPECT_EQ(StillEncoder::CheckFrame(K::kJpeg, YUV_YV12, 3840, 3072), kOk);
}

TEST(StillEncoder, OutputCapacityHoldsNoiseAtQuality100) {
  // Line-doubled, padded by 8 lines, and padded by the encoder (h mod 16 = 4).
  StillEncoder img;
  img.SetQuality(100);
  const uint32_t sizes[][2] = {{704, 240}, {704, 288}, {96, 72}, {112, 68}};
  for (const auto& s : sizes) {
    const uint64_t cap = StillEncoder::OutputCapacity(StillKind::kJpeg, YUV_YV12, s[0], s[1]);
    auto noise = capture_test::Noise(s[0] * s[1] * 3 / 2, s[1]);
    std::vector<uint8_t> out(cap);
    uint32_t len = 0;
    EXPECT_EQ(img.EncodeJPEG(YUV_YV12, noise.data(), uint32_t(noise.size()), s[0], s[1], out.data(), uint32_t(cap),
                             &len),
              kOk)
        << s[0] << "x" << s[1];
    EXPECT_GT(len, 0u);
  }
  EXPECT_EQ(StillEncoder::OutputCapacity(StillKind::kBmp, YUV_YV12, 704, 240),
            StillEncoder::BmpFileSize(YUV_YV12, 704, 240));
}

TEST(JpegEncoder, EntryPointResults) {
  JpegParams p;
  EXPECT_EQ(JpegGetMemSize(nullptr), kNullArg);
  p.width = 352;
  p.height = 288;
  ASSERT_EQ(JpegGetMemSize(&p), kOk);
  EXPECT_EQ(p.memorySize, 7048);
  p.height = 100;
  ASSERT_EQ(JpegGetMemSize(&p), kOk);
  EXPECT_EQ(p.memorySize, 7048 + 352 * 112 * 3 / 2);
  p.width = 97;
  ASSERT_EQ(JpegGetMemSize(&p), kOk);
  EXPECT_EQ(p.memorySize, 7048 + 112 * 112 * 3 / 2);

  std::vector<uint64_t> mem(8192 / 8);
  JpegEncoder* enc = nullptr;
  EXPECT_EQ(JpegInit(nullptr, &enc), kNullArg);
  p.memory = mem.data();
  p.memorySize = 6023;
  EXPECT_EQ(JpegInit(&p, &enc), kFail);
  p.memorySize = 6024;
  p.width = 96;
  p.height = 64;
  ASSERT_EQ(JpegInit(&p, &enc), kOk);

  auto frame = capture_test::Uniform420(96, 64, 128, 128, 128);
  const uint8_t* planes[3] = {frame.data(), frame.data() + 6144, frame.data() + 7680};
  std::vector<uint8_t> out(2000);
  JpegStream s;
  s.planes = planes;
  s.output = out.data();
  s.capacity = 2000;
  EXPECT_EQ(JpegEncode(nullptr, &s), kNullArg);
  EXPECT_EQ(JpegEncode(enc, nullptr), kNullArg);
  s.capacity = 1024;
  EXPECT_EQ(JpegEncode(enc, &s), kFail);
  s.capacity = 2000;
  ASSERT_EQ(JpegEncode(enc, &s), kOk);
  EXPECT_EQ(s.length, 716u);
  enc->width = 0;
  EXPECT_EQ(JpegEncode(enc, &s), kNotReady);
  enc->width = 96;
  enc->height = 0;
  EXPECT_EQ(JpegEncode(enc, &s), kNotReady);
  // A frame that needs padding does not fit the 6024 bytes of memory:
  // refused instead of written past it.
  enc->height = 60;
  EXPECT_EQ(JpegEncode(enc, &s), kFail);
}

TEST(JpegPadding, PadHeightBy8CentresThePicture) {
  const uint32_t w = 176, h = 120;
  auto frame = capture_test::Noise(w * h * 3 / 2, 21);
  std::vector<uint8_t> out(w * (h + 8) * 3 / 2);
  ASSERT_TRUE(jpeg::PadHeightBy8(frame.data(), out.data(), w, h));
  auto row = [&](const std::vector<uint8_t>& f, size_t plane, size_t len, size_t r) { return &f[plane + r * len]; };
  for (size_t r = 0; r < h + 8; ++r) {
    const size_t src = r < 4 ? 0 : r >= h + 4 ? h - 1 : r - 4;
    ASSERT_EQ(0, memcmp(row(out, 0, w, r), row(frame, 0, w, src), w)) << "Y row " << r;
  }
  for (int c = 0; c < 2; ++c) {
    const size_t inPlane = w * h + c * (w * h / 4), outPlane = w * (h + 8) + c * (w * (h + 8) / 4);
    for (size_t r = 0; r < (h + 8) / 2; ++r) {
      const size_t src = r < 2 ? 0 : r >= h / 2 + 2 ? h / 2 - 1 : r - 2;
      ASSERT_EQ(0, memcmp(row(out, outPlane, w / 2, r), row(frame, inPlane, w / 2, src), w / 2)) << c << " " << r;
    }
  }
  EXPECT_FALSE(jpeg::PadHeightBy8(frame.data(), out.data(), w, 112));
}

TEST(JpegPadding, PadPlaneRepeatsTheLastSampleAndRow) {
  // 352×100 luma into 352×112: rows 100..111 repeat row 99; chroma 176×50
  // into 176×56: rows 50..55 repeat row 49. And a width that needs padding.
  auto y = capture_test::Noise(352 * 100, 4);
  std::vector<uint8_t> out(352 * 112);
  jpeg::PadPlane(y.data(), 352, 100, out.data(), 352, 112);
  for (int r = 0; r < 112; ++r)
    ASSERT_EQ(0, memcmp(&out[r * 352], &y[std::min(r, 99) * 352], 352)) << r;
  auto c = capture_test::Noise(176 * 50, 5);
  std::vector<uint8_t> cout(176 * 56);
  jpeg::PadPlane(c.data(), 176, 50, cout.data(), 176, 56);
  for (int r = 50; r < 56; ++r) ASSERT_EQ(0, memcmp(&cout[r * 176], &c[49 * 176], 176));
  auto odd = capture_test::Noise(13 * 3, 6);
  std::vector<uint8_t> po(16 * 16);
  jpeg::PadPlane(odd.data(), 13, 3, po.data(), 16, 16);
  for (int r = 0; r < 16; ++r)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(po[r * 16 + x], odd[std::min(r, 2) * 13 + std::min(x, 12)]);
  std::vector<uint8_t> empty(8 * 8, 0);
  jpeg::PadPlane(odd.data(), 0, 3, empty.data(), 8, 8);
  for (uint8_t b : empty) ASSERT_EQ(b, 128);
}

TEST(JpegDct, WithinOneOfTheRoundedExactTransform) {
  // The fixed-point transform rounds twice (after each pass): its values lie
  // within ±1 of the exact DCT rounded to an integer (the raw difference
  // reaches about 1.2 for some low-amplitude blocks).
  capture_test::Lcg g(17);
  int worst = 0;
  double worstRaw = 0;
  for (int n = 0; n < 20000; ++n) {
    int16_t b[64];
    double exact[64];
    const int amp = 1 + int(g.Next() % 256);  // from near-flat to full range
    for (auto& v : b) v = int16_t(int(g.Next() % amp) - amp / 2);
    if (n % 50 == 0)
      for (int i = 0; i < 64; ++i) b[i] = int16_t(((i % 8) * 30 + (i / 8) * 3) - 128);
    ExactDct(b, exact);
    jpeg::ForwardDCT(b);
    for (int k = 0; k < 64; ++k) {
      worst = std::max(worst, std::abs(b[k] - int(std::lround(exact[k]))));
      worstRaw = std::max(worstRaw, std::fabs(b[k] - exact[k]));
    }
  }
  EXPECT_LE(worst, 1);
  EXPECT_LT(worstRaw, 1.5);
}

TEST(JpegDct, LargestValuesFitTheBaselineCategories) {
  // For each coefficient the block of ±extremes that follows the sign of its
  // basis function gives its largest magnitude. DC must stay within ±1024
  // (category 11), AC within ±1023 (category 10, the largest AC tables code).
  int maxDc = 0, maxAc = 0;
  for (int u = 0; u < 8; ++u)
    for (int v = 0; v < 8; ++v)
      for (int sign = 0; sign < 2; ++sign) {
        int16_t b[64];
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x) {
            const double basis = std::cos((2 * y + 1) * u * M_PI / 16) * std::cos((2 * x + 1) * v * M_PI / 16);
            b[y * 8 + x] = int16_t(((basis >= 0) != (sign == 1)) ? 127 : -128);
          }
        jpeg::ForwardDCT(b);
        for (int k = 0; k < 64; ++k) (k ? maxAc : maxDc) = std::max(k ? maxAc : maxDc, std::abs(int(b[k])));
      }
  EXPECT_LE(maxDc, 1024);
  EXPECT_LE(maxAc, 1023);
  EXPECT_GT(maxAc, 900);  // the search did reach the extremes
}

TEST(JpegEncoder, FastPathMatchesTheReferenceByteForByte) {
  struct Case {
    uint32_t w, h;
    int kind;
  } cases[] = {{96, 64, 0}, {352, 288, 1}, {176, 120, 2}, {97, 61, 2}, {33, 17, 1}, {16, 16, 2}, {1, 1, 2}};
  for (const auto& c : cases) {
    for (int quality : {1, 25, 50, 85, 100}) {
      SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " kind " << c.kind << " q" << quality);
      const size_t fs = (size_t(c.w) * c.h * 3) / 2 + 1;
      std::vector<uint8_t> frame = c.kind == 1 ? capture_test::Natural420(c.w, c.h) : capture_test::Noise(fs, c.w);
      frame.resize(fs);
      if (c.kind == 0)
        for (size_t i = 0; i < fs; ++i) frame[i] = uint8_t(i % 97 < 48 ? 0 : 255);  // hard edges, many 0xFF
      JpegParams p;
      p.width = int32_t(c.w);
      p.height = int32_t(c.h);
      p.quality = quality;
      ASSERT_EQ(JpegGetMemSize(&p), kOk);
      std::vector<uint64_t> mem(size_t(p.memorySize) / 8 + 1);
      p.memory = mem.data();
      JpegEncoder* enc = nullptr;
      ASSERT_EQ(JpegInit(&p, &enc), kOk);
      const size_t ys = size_t(c.w) * c.h;
      const uint8_t* planes[3] = {frame.data(), frame.data() + ys, frame.data() + ys + ys / 4};
      const size_t cap = size_t(JpegWorstCaseSize(c.w, c.h));
      std::vector<uint8_t> a(cap, 1), b(cap, 2);
      JpegStream sa{planes, a.data(), uint32_t(cap), 0}, sb{planes, b.data(), uint32_t(cap), 0};
      ASSERT_EQ(JpegEncode(enc, &sa), kOk);
      ASSERT_EQ(jpeg::JpegEncodeReference(enc, &sb), kOk);
      ASSERT_EQ(sa.length, sb.length);
      ASSERT_EQ(0, memcmp(a.data(), b.data(), sa.length));
      CheckScanData(std::vector<uint8_t>(a.begin(), a.begin() + sa.length));
    }
  }
}

TEST(JpegCapacity, ExactFitOneShortAndTinyBuffers) {
  // Every capacity from tiny to comfortably large, each in a buffer of exactly
  // that size (AddressSanitizer catches any write past it): the result is
  // either the full file or a failure, and the smallest capacity that works
  // is the file length plus what the 1024-byte reserve asks.
  for (int kind = 0; kind < 2; ++kind) {
    const auto frame = kind ? capture_test::Noise(96 * 64 * 3 / 2, 31) : capture_test::Natural420(96, 64);
    JpegParams p;
    p.width = 96;
    p.height = 64;
    p.quality = 100;
    ASSERT_EQ(JpegGetMemSize(&p), kOk);
    std::vector<uint64_t> mem(size_t(p.memorySize) / 8 + 1);
    p.memory = mem.data();
    JpegEncoder* enc = nullptr;
    ASSERT_EQ(JpegInit(&p, &enc), kOk);
    const uint8_t* planes[3] = {frame.data(), frame.data() + 6144, frame.data() + 7680};
    std::vector<uint8_t> full(JpegWorstCaseSize(96, 64));
    JpegStream sf{planes, full.data(), uint32_t(full.size()), 0};
    ASSERT_EQ(JpegEncode(enc, &sf), kOk);
    full.resize(sf.length);

    uint32_t smallest = 0;
    testing::internal::CaptureStderr();
    for (uint32_t cap = 0; cap <= sf.length + 1100; cap += (cap < 1100 || cap + 1500 > sf.length) ? 1 : 97) {
      for (int path = 0; path < 2; ++path) {
        std::unique_ptr<uint8_t[]> out(new uint8_t[cap ? cap : 1]);
        JpegStream s{planes, out.get(), cap, 12345};
        const int32_t r = path ? jpeg::JpegEncodeReference(enc, &s) : JpegEncode(enc, &s);
        if (r == kOk) {
          ASSERT_EQ(s.length, sf.length) << cap;
          ASSERT_EQ(0, memcmp(out.get(), full.data(), s.length)) << cap;
          if (!smallest) smallest = cap;
        } else {
          ASSERT_EQ(r, kFail) << cap;
          ASSERT_EQ(s.length, cap <= 1024 ? 12345u : 0u) << cap;
          ASSERT_EQ(smallest, 0u) << "failure above a capacity that worked: " << cap;
        }
      }
    }
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("\nERROR! bitstream over!\n"), std::string::npos);
    // Success needs the position before the flush below capacity − 1024: the
    // file (which adds at most 2 flush bytes and EOI) fits with room to spare.
    ASSERT_GT(smallest, 0u);
    EXPECT_GE(smallest, sf.length + 1024 - 4 + 1);
    EXPECT_LE(smallest, sf.length + 1024 - 2 + 1);
  }
}

TEST(JpegCapacity, GuardBytesBehindTheCapacityStayUntouched) {
  // Noise at quality 100 makes MCUs of several hundred bytes; for every
  // capacity the bytes behind it keep their value, also where the limit
  // falls inside an MCU and where the writer checks every byte.
  const uint32_t w = 64, h = 32;
  auto frame = capture_test::Noise(w * h * 3 / 2, 77);
  JpegParams p;
  p.width = int32_t(w);
  p.height = int32_t(h);
  p.quality = 100;
  ASSERT_EQ(JpegGetMemSize(&p), kOk);
  std::vector<uint64_t> mem(size_t(p.memorySize) / 8 + 1);
  p.memory = mem.data();
  JpegEncoder* enc = nullptr;
  ASSERT_EQ(JpegInit(&p, &enc), kOk);
  const uint8_t* planes[3] = {frame.data(), frame.data() + w * h, frame.data() + w * h * 5 / 4};
  std::vector<uint8_t> full(JpegWorstCaseSize(w, h));
  JpegStream sf{planes, full.data(), uint32_t(full.size()), 0};
  ASSERT_EQ(JpegEncode(enc, &sf), kOk);
  EXPECT_GT(sf.length - 618, 8u * 500);  // eight MCUs of noise
  testing::internal::CaptureStderr();
  bool succeeded = false;
  for (uint32_t cap = 1025; cap < sf.length + 1030; ++cap) {
    std::vector<uint8_t> guard(cap + 64, 0xA5);
    JpegStream s{planes, guard.data(), cap, 0};
    const int32_t r = JpegEncode(enc, &s);
    for (size_t i = cap; i < guard.size(); ++i) ASSERT_EQ(guard[i], 0xA5) << "capacity " << cap;
    if (r == kOk) {
      succeeded = true;
      ASSERT_EQ(0, memcmp(guard.data(), full.data(), s.length));
    }
  }
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(succeeded);
}
