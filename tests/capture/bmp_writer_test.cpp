#include <gtest/gtest.h>

#include <vector>

#include "capture/colour_convert.h"
#include "capture/still_encoder.h"
#include "formats/result_codes.h"
#include "frames.h"

using namespace corvane;
using capture_test::Le32;

namespace {

struct Bmp {
  int32_t result;
  uint32_t len;
  std::vector<uint8_t> bytes;
};

Bmp Encode(YUVType type, const std::vector<uint8_t>& frame, uint32_t w, uint32_t h, uint32_t capacity) {
  StillEncoder img;
  Bmp b{0, 0xDEADBEEF, std::vector<uint8_t>(capacity, 0x5C)};
  b.result = img.EncodeBMP(type, frame.data(), uint32_t(frame.size()), w, h, b.bytes.data(), capacity, &b.len);
  return b;
}

}  // namespace

TEST(BmpWriter, HeaderOf352x288) {
  auto frame = capture_test::Natural420(352, 288);
  Bmp b = Encode(YUV_YV12, frame, 352, 288, 405558);
  ASSERT_EQ(b.result, kOk);
  ASSERT_EQ(b.len, 405558u);
  const uint8_t expected[54] = {
      'B', 'M', 0x36, 0x30, 0x06, 0x00,  // 405558 = 0x00063036
      0, 0, 0, 0,                        // reserved
      54, 0, 0, 0,                       // pixel data offset
      40, 0, 0, 0,                       // info header size
      0x60, 0x01, 0, 0,                  // width 352
      0x20, 0x01, 0, 0,                  // height 288 (bottom-up)
      1, 0, 32, 0,                       // planes, bits a pixel
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(b.bytes.begin(), b.bytes.begin() + 54), std::vector<uint8_t>(expected, expected + 54));
}

TEST(BmpWriter, FileSizesAndLineDoubling) {
  struct Case {
    uint32_t w, h, size, height;
  } cases[] = {{704, 288, 1622070, 576}, {704, 240, 1351734, 480}, {704, 576, 1622070, 576}, {96, 64, 24630, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    auto frame = capture_test::Natural420(c.w, c.h);
    Bmp b = Encode(YUV_IYUV, frame, c.w, c.h, c.size);
    ASSERT_EQ(b.result, kOk);
    EXPECT_EQ(b.len, c.size);
    EXPECT_EQ(Le32(&b.bytes[2]), c.size);
    EXPECT_EQ(Le32(&b.bytes[22]), c.height);
  }
  // A doubled 704×288 frame is the BMP of the line-doubled 704×576 frame.
  auto half = capture_test::Natural420(704, 288, 4);
  std::vector<uint8_t> full(704 * 576 * 3 / 2);
  ASSERT_TRUE(DoubleLines(half.data(), full.data(), 704, 576));
  Bmp a = Encode(YUV_YV12, half, 704, 288, 1622070);
  Bmp b = Encode(YUV_YV12, full, 704, 576, 1622070);
  ASSERT_EQ(a.result, kOk);
  EXPECT_EQ(a.bytes, b.bytes);
}

TEST(BmpWriter, PackedFormatsAtHalfHeightSizesKeepTheirHeight) {
  // Line doubling is for planar 4:2:0 only: UYVY and RGB32 frames of 704×288
  // are saved as 704×288 pictures.
  auto uyvy = capture_test::Noise(2 * 704 * 288, 8);
  Bmp a = Encode(YUV_UYVY, uyvy, 704, 288, 54 + 4 * 704 * 288);
  ASSERT_EQ(a.result, kOk);
  EXPECT_EQ(Le32(&a.bytes[22]), 288u);
  auto rgb = capture_test::Noise(4 * 704 * 240, 9);
  Bmp b = Encode(YUV_RGB32, rgb, 704, 240, 54 + 4 * 704 * 240);
  ASSERT_EQ(b.result, kOk);
  EXPECT_EQ(Le32(&b.bytes[22]), 240u);
  EXPECT_EQ(StillEncoder::BmpFileSize(YUV_RGB32, 704, 240), 54u + 4 * 704 * 240);
  EXPECT_EQ(StillEncoder::BmpFileSize(YUV_YV12, 704, 240), 1351734u);
}

TEST(BmpWriter, Refusals) {
  auto frame = capture_test::Natural420(352, 288);
  // One byte short: nothing written, out parameter untouched.
  Bmp b = Encode(YUV_YV12, frame, 352, 288, 405557);
  EXPECT_EQ(b.result, kFail);
  EXPECT_EQ(b.len, 0xDEADBEEFu);
  for (uint8_t x : b.bytes) ASSERT_EQ(x, 0x5C);
  // 704×288 needs the doubled size.
  auto half = capture_test::Natural420(704, 288);
  EXPECT_EQ(Encode(YUV_YV12, half, 704, 288, 1622069).result, kFail);
  // Sizes out of range.
  const uint32_t bad[][2] = {{95, 64}, {3841, 64}, {96, 63}, {96, 3073}};
  for (const auto& s : bad) {
    auto f = capture_test::Uniform420(s[0], s[1], 128, 128, 128);
    EXPECT_EQ(Encode(YUV_YV12, f, s[0], s[1], 54 + 4 * s[0] * s[1]).result, kUnsupportedSize) << s[0] << "x" << s[1];
  }
  StillEncoder img;
  uint32_t len = 7;
  std::vector<uint8_t> out(24630);
  EXPECT_EQ(img.EncodeBMP(YUV_YV12, nullptr, 9216, 96, 64, out.data(), 24630, &len), kNullArg);
  EXPECT_EQ(len, 7u);
}

TEST(BmpWriter, FramesTheConverterRefusesAreNotSavedAsPictures) {
  // A UYVY frame of odd width is inside the size limits but has no whole
  // pixel pairs for its conversion: refused, nothing written.
  auto uyvy = capture_test::Noise(2 * 97 * 64, 2);
  Bmp a = Encode(YUV_UYVY, uyvy, 97, 64, 54 + 4 * 97 * 64);
  EXPECT_EQ(a.result, kUnalignedSize);
  EXPECT_EQ(a.len, 0xDEADBEEFu);
  // A frame size that does not match the type.
  auto frame = capture_test::Natural420(96, 64);
  frame.pop_back();
  EXPECT_EQ(Encode(YUV_YV12, frame, 96, 64, 24630).result, kNotReady);
  // Types the writer has no conversion for.
  auto any = capture_test::Noise(2 * 96 * 64, 3);
  for (YUVType t : {YUV_YUYV, YUV_NV12, YUV_YV16, YUV_RGB24})
    EXPECT_EQ(Encode(t, any, 96, 64, 24630).result, kUnsupportedFormat) << t;
}

TEST(BmpWriter, RowsAreStoredBottomUp) {
  // RGB32 with 65 rows: each pixel carries its row and column; the odd
  // height leaves the middle row in place.
  const uint32_t w = 96, h = 65;
  std::vector<uint8_t> frame(4 * w * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &frame[4 * (y * w + x)];
      p[0] = uint8_t(y);
      p[1] = uint8_t(x);
      p[2] = uint8_t(y ^ x);
      p[3] = uint8_t(200 + y % 50);  // the fourth byte passes through
    }
  Bmp b = Encode(YUV_RGB32, frame, w, h, 54 + 4 * w * h);
  ASSERT_EQ(b.result, kOk);
  for (uint32_t i = 0; i < h; ++i)
    ASSERT_EQ(0, memcmp(&b.bytes[54 + 4 * w * i], &frame[4 * w * (h - 1 - i)], 4 * w)) << "file row " << i;
  EXPECT_EQ(b.bytes[54 + 4 * w * 32], 32);  // middle row stays
  // First pixel after the headers: bottom-left; last four bytes: top-right.
  EXPECT_EQ(0, memcmp(&b.bytes[54], &frame[4 * w * (h - 1)], 4));
  EXPECT_EQ(0, memcmp(&b.bytes[b.len - 4], &frame[4 * (w - 1)], 4));
}

TEST(BmpWriter, WhiteFrameAndYuvFourthByte) {
  auto frame = capture_test::Uniform420(96, 64, 235, 128, 128);
  Bmp b = Encode(YUV_YV12, frame, 96, 64, 24630);
  ASSERT_EQ(b.result, kOk);
  ASSERT_EQ(b.len, 54u + 4 * 6144);
  for (size_t i = 54; i < b.len; i += 4) {
    ASSERT_EQ(b.bytes[i], 0xFF);
    ASSERT_EQ(b.bytes[i + 1], 0xFF);
    ASSERT_EQ(b.bytes[i + 2], 0xFF);
    ASSERT_EQ(b.bytes[i + 3], 0x00);
  }
  // UYVY and a natural frame: every fourth byte 0, and the rows are those
  // of the top-down conversion in reverse order.
  auto uyvy = capture_test::Noise(2 * 96 * 64, 12);
  Bmp u = Encode(YUV_UYVY, uyvy, 96, 64, 24630);
  ASSERT_EQ(u.result, kOk);
  std::vector<uint8_t> topDown(4 * 96 * 64);
  ASSERT_TRUE(ConvertUYVYToRGB32(topDown.data(), uyvy.data(), uint32_t(uyvy.size()), 96, 64));
  for (uint32_t i = 0; i < 64; ++i)
    ASSERT_EQ(0, memcmp(&u.bytes[54 + 384 * i], &topDown[384 * (63 - i)], 384));
  for (size_t i = 57; i < u.len; i += 4) ASSERT_EQ(u.bytes[i], 0);
}
