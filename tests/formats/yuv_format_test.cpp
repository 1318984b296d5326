#include "formats/yuv_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/v210.h"
#include "support/para.h"

namespace corvane {
namespace {

using testsupport::Para;

uint32_t SizeOf(uint32_t code, uint32_t w, uint32_t h) {
  YUVPara p = Para(code, w, h);
  YUVType t;
  uint32_t size = 123;
  EXPECT_TRUE(GetTypeAndFrameSize(&p, &t, &size));
  return size;
}

std::vector<uint32_t> StoredRows(uint32_t h) {
  std::vector<uint32_t> rows;
  for (uint32_t y = 0; y < h; ++y) rows.push_back(IUYVStoredRow(y, h));
  return rows;
}

TEST(FormatCodes, SpellTheirNamesMostSignificantByteFirst) {
  EXPECT_EQ(fmt::YV12, 0x59563132u);
  EXPECT_EQ(fmt::YVYU, 0x59565955u);
  EXPECT_EQ(fmt::IYU2, 0x49595532u);
  EXPECT_EQ(fmt::RGB2, 0x52474232u);
  EXPECT_EQ(CodeName(fmt::NV16), "NV16");
  EXPECT_EQ(CodeName(0x01020304u), "0x01020304");
}

TEST(FormatCodes, EveryCodeMapsToItsIdAndBack) {
  const std::pair<uint32_t, YUVType> table[] = {
      {fmt::YVYU, YUV_YVYU}, {fmt::YUYV, YUV_YUYV}, {fmt::UYVY, YUV_UYVY},   {fmt::YV12, YUV_YV12},
      {fmt::YV16, YUV_YV16}, {fmt::RGB4, YUV_RGB32}, {fmt::RGB3, YUV_RGB24}, {fmt::RGB2, YUV_RGB565},
      {fmt::NV12, YUV_NV12}, {fmt::IYUV, YUV_IYUV}, {fmt::IUYV, YUV_IUYV},   {fmt::IYU2, YUV_IYU2},
      {fmt::NV16, YUV_NV16}};
  for (auto [code, type] : table) {
    EXPECT_EQ(TypeOfCode(code), type) << CodeName(code);
    EXPECT_EQ(CodeOfType(type), code);
  }
  // Id 8 exists only as a display surface format.
  EXPECT_EQ(CodeOfType(YUV_RGB555), 0u);
}

// The added formats: their codes are new, their names parse (ffmpeg's too),
// and their frames are laid out as ffmpeg writes them, odd sizes rounding
// chroma up: 13x7 has 7x4 chroma samples at 4:2:0.
TEST(AddedFormats, CodesNamesDepthsAndFfmpegLayouts) {
  struct Row {
    uint32_t code;
    YUVType type;
    const char* name;
    const char* ffmpeg;
    int bits;
    uint64_t size13x7;  // bytes of a 13x7 frame
    int planes;
  };
  const Row rows[] = {
      {fmt::I444, YUV_I444, "I444", "yuv444p", 8, 13 * 7 * 3, 3},
      {fmt::NV21, YUV_NV21, "NV21", "nv21", 8, 13 * 7 + 2 * 7 * 4, 2},
      {fmt::GRAY, YUV_GRAY, "GRAY", "gray", 8, 13 * 7, 1},
      {fmt::I010, YUV_I010, "I010", "yuv420p10le", 10, 2 * (13 * 7 + 2 * 7 * 4), 3},
      {fmt::I210, YUV_I210, "I210", "yuv422p10le", 10, 2 * (13 * 7 + 2 * 7 * 7), 3},
      {fmt::I410, YUV_I410, "I410", "yuv444p10le", 10, 2 * 13 * 7 * 3, 3},
      {fmt::I012, YUV_I012, "I012", "yuv420p12le", 12, 2 * (13 * 7 + 2 * 7 * 4), 3},
      {fmt::GRAY10, YUV_GRAY10, "GRAY10", "gray10le", 10, 2 * 13 * 7, 1},
      {fmt::P010, YUV_P010, "P010", "p010le", 10, 2 * (13 * 7 + 2 * 7 * 4), 2},
      {fmt::P016, YUV_P016, "P016", "p016le", 16, 2 * (13 * 7 + 2 * 7 * 4), 2},
      {fmt::V210, YUV_V210, "V210", "v210", 10, 128 * 7, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TypeOfCode(r.code), r.type);
    EXPECT_EQ(CodeOfType(r.type), r.code);
    EXPECT_TRUE(IsAddedType(r.type));
    EXPECT_EQ(UserFormatName(r.code), r.name);
    EXPECT_EQ(CodeForUserFormatName(r.name), r.code);
    EXPECT_EQ(CodeForUserFormatName(r.ffmpeg), r.code);
    EXPECT_EQ(BitDepthOf(r.type), r.bits);
    EXPECT_EQ(SizeOf(r.code, 13, 7), r.size13x7);
    const PlaneLayout l = GetPlaneLayout(r.type, 13, 7);
    EXPECT_EQ(l.planeCount, r.planes);
    uint64_t end = 0;
    for (int i = 0; i < l.planeCount; ++i) {
      EXPECT_EQ(l.offset[size_t(i)], end) << "plane " << i;  // planes follow each other
      end += uint64_t(l.stride[size_t(i)]) * l.rows[size_t(i)];
    }
    EXPECT_EQ(end, r.size13x7);
    for (int old = 0; old < kFirstAddedType; ++old) EXPECT_NE(CodeOfType(YUVType(old)), r.code);
  }
  // 1920 v210 pixels: 40 blocks of 48 pixels in 128 bytes; 1280 round up to 27.
  EXPECT_EQ(V210RowBytes(1920), 5120u);
  EXPECT_EQ(V210RowBytes(1280), 3456u);
}

TEST(FrameSize, StatedExamples) {
  EXPECT_EQ(SizeOf(fmt::YV12, 176, 144), 38016u);
  EXPECT_EQ(SizeOf(fmt::NV16, 352, 288), 202752u);
  EXPECT_EQ(SizeOf(fmt::IYU2, 720, 576), 1244160u);
  // 175·143·3 = 75075; the half byte is dropped.
  EXPECT_EQ(SizeOf(fmt::YV12, 175, 143), 37537u);
  EXPECT_EQ(SizeOf(fmt::NV12, 175, 143), 37537u);
  EXPECT_EQ(SizeOf(fmt::IYUV, 1, 1), 1u);
  EXPECT_EQ(SizeOf(fmt::RGB4, 3, 5), 60u);
  EXPECT_EQ(SizeOf(fmt::RGB3, 3, 5), 45u);
  EXPECT_EQ(SizeOf(fmt::RGB2, 3, 5), 30u);
  EXPECT_EQ(SizeOf(fmt::YUYV, 3, 5), 30u);
  EXPECT_EQ(SizeOf(fmt::IUYV, 3, 5), 30u);
  EXPECT_EQ(SizeOf(fmt::YV16, 3, 5), 30u);
}

TEST(FrameSize, RefusalsSayWhichKind) {
  YUVType t;
  uint32_t size = 7;
  // Zero geometry: no type.
  YUVPara p = Para(fmt::YV12, 0, 288);
  EXPECT_FALSE(GetTypeAndFrameSize(&p, &t, &size));
  EXPECT_EQ(t, YUV_NONE);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(GetTypeAndFrameSize(nullptr, &t, &size));
  EXPECT_EQ(t, YUV_NONE);
  // Unknown code: type 0, size 0.
  p = Para(0x12345678u, 352, 288);
  size = 7;
  EXPECT_FALSE(GetTypeAndFrameSize(&p, &t, &size));
  EXPECT_EQ(t, YUVType(0));
  EXPECT_EQ(size, 0u);
  // 65536 x 65536 has a 32-bit product of 0 but is not an empty frame; its
  // frame size does not fit in 32 bits and is refused either way.
  p = Para(fmt::YV12, 65536, 65536);
  EXPECT_FALSE(GetTypeAndFrameSize(&p, &t, &size));
  EXPECT_EQ(size, 0u);
  // Largest RGB32 frame that still fits, and one line more that does not.
  p = Para(fmt::RGB4, 65535, 16384);
  EXPECT_TRUE(GetTypeAndFrameSize(&p, &t, &size));
  EXPECT_EQ(size, 65535u * 16384u * 4u);
  p = Para(fmt::RGB4, 65536, 16384);
  EXPECT_FALSE(GetTypeAndFrameSize(&p, &t, &size));
}

TEST(PlaneLayout, OddSizesDropTheLastChromaColumnAndLine) {
  PlaneLayout l = GetPlaneLayout(YUV_YV12, 175, 143);
  ASSERT_EQ(l.planeCount, 3);
  EXPECT_EQ(l.offset[1], 175u * 143u);
  EXPECT_EQ(l.offset[2], 175u * 143u + (175u * 143u) / 4);
  EXPECT_EQ(l.stride[1], 87u);
  EXPECT_EQ(l.rows[1], 71u);
  EXPECT_EQ(l.linesPerChromaRow, 2u);
  l = GetPlaneLayout(YUV_YV16, 352, 288);
  EXPECT_EQ(l.linesPerChromaRow, 1u);
  EXPECT_EQ(l.offset[2], 352u * 288u * 3 / 2);
  EXPECT_EQ(l.rows[2], 288u);
  l = GetPlaneLayout(YUV_NV16, 352, 288);
  EXPECT_EQ(l.planeCount, 2);
  EXPECT_EQ(l.rows[1], 288u);
  EXPECT_EQ(GetPlaneLayout(YUV_IYU2, 10, 2).stride[0], 30u);
}

TEST(PlaneOrder, TheStoredYV12HoldsYUVAndTheStoredIYUVHoldsYVU) {
  struct Case {
    char stored[5];  // the four letters the file's record holds
    YUVType type;
    PlaneOrder order;
    ChromaPlanes chroma;
  };
  const Case cases[] = {
      {"YV12", YUV_YV12, PlaneOrder::kYUV, {1, 2}},  {"IYUV", YUV_IYUV, PlaneOrder::kYVU, {2, 1}},
      {"YV16", YUV_YV16, PlaneOrder::kYUV, {1, 2}},  {"NV12", YUV_NV12, PlaneOrder::kYInterleavedUV, {1, 1}},
      {"NV16", YUV_NV16, PlaneOrder::kYInterleavedUV, {1, 1}}, {"UYVY", YUV_UYVY, PlaneOrder::kPacked, {0, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(TypeOfCode(FourCode(c.stored)), c.type) << c.stored;
    EXPECT_EQ(PlaneOrderOf(c.type), c.order) << c.stored;
    EXPECT_EQ(ChromaPlanesOf(c.type).u, c.chroma.u) << c.stored;
    EXPECT_EQ(ChromaPlanesOf(c.type).v, c.chroma.v) << c.stored;
  }
  EXPECT_EQ(PlaneOrderOf(YUV_NONE), PlaneOrder::kPacked);
}

TEST(IUYVLines, EvenLinesFirstThenOddAndAnOddHeightsLastLineLast) {
  // Display line -> stored row, lines 0 .. h-1.
  EXPECT_EQ((std::vector<uint32_t>{0, 2, 1, 3}), StoredRows(4));
  EXPECT_EQ((std::vector<uint32_t>{0, 2, 1, 3, 4}), StoredRows(5));
  EXPECT_EQ((std::vector<uint32_t>{0}), StoredRows(1));
  EXPECT_TRUE(IUYVLineInField(3, 5));
  EXPECT_FALSE(IUYVLineInField(4, 5));
  EXPECT_TRUE(IUYVLineInField(4, 6));
}

TEST(UserFormatNames, FollowTheParameterDialogLabels) {
  EXPECT_EQ(CodeForUserFormatName("I420"), fmt::YV12);
  EXPECT_EQ(CodeForUserFormatName("iyuv"), fmt::YV12);
  EXPECT_EQ(CodeForUserFormatName("YV12"), fmt::IYUV);
  EXPECT_EQ(CodeForUserFormatName("YUY2"), fmt::YUYV);
  EXPECT_EQ(CodeForUserFormatName("RGB565"), fmt::RGB2);
  EXPECT_EQ(CodeForUserFormatName("RGB2"), std::nullopt);
  EXPECT_EQ(UserFormatName(fmt::YV12), "I420");
  EXPECT_EQ(UserFormatName(fmt::IYUV), "YV12");
  EXPECT_EQ(UserFormatName(fmt::RGB4), "RGB32");
  EXPECT_EQ(UserFormatName(0), "");
  for (const auto& e : kUserFormatNames) EXPECT_EQ(CodeForUserFormatName(UserFormatName(e.code)), e.code);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// v210 rows: the plain unpacker reads back what the pattern packer wrote,
// and the AVX2 one gives the same samples at every width (whole pairs of
// groups, a single group, partial groups).
TEST(V210Rows, UnpackersReadBackThePackedSamples) {
  for (uint32_t w : {1u, 5u, 6u, 7u, 12u, 13u, 47u, 48u, 50u, 97u}) {
    SCOPED_TRACE(w);
    std::vector<uint16_t> Y(w), U(w), V(w);
    for (uint32_t x = 0; x < w; ++x) Y[x] = uint16_t(x * 37 % 1024), U[x] = uint16_t(x * 91 % 1024), V[x] = uint16_t(1023 - x);
    const std::vector<uint8_t> row = PackDeepFrame(YUV_V210, w, 1, Y.data(), U.data(), V.data());
    const uint32_t cw = (w + 1) / 2;
    std::vector<uint16_t> y(w), u(cw), v(cw);
    UnpackV210RowReference(row.data(), y.data(), u.data(), v.data(), int(w));
    EXPECT_EQ(y, Y);
    for (uint32_t i = 0; i < cw; ++i) EXPECT_TRUE(u[i] == U[2 * i] && v[i] == V[2 * i]) << i;
    if (V210RowFn avx2 = Avx2V210Row()) {
      std::vector<uint16_t> y2(w), u2(cw), v2(cw);
      avx2(row.data(), y2.data(), u2.data(), v2.data(), int(w));
      EXPECT_EQ(y2, y);
      EXPECT_EQ(u2, u);
      EXPECT_EQ(v2, v);
    }
  }
}

// The rows rounded to 8 bits on the way: the plain routine is unpacking then
// (v + 2) >> 2 (255 at most); the AVX2 and AVX-512 ones give its bytes at
// every width around their 24- and 48-pixel steps and write nothing past
// the row, from words of random bits (every code, 1020-1023 included, and
// the spare top bits set).
TEST(V210Rows, RoundedUnpackersMatchUnpackingThenRounding) {
  uint32_t seed = 12345;
  for (int w : {1, 5, 6, 7, 12, 23, 24, 27, 28, 29, 47, 48, 51, 52, 53, 76, 95, 96, 97, 143, 1920}) {
    SCOPED_TRACE(w);
    std::vector<uint8_t> row(V210RowBytes(uint32_t(w)));
    for (uint8_t& b : row) b = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    const size_t n = size_t(w), cn = (n + 1) / 2, guard = 64;
    std::vector<uint16_t> y16(n), u16(cn), v16(cn);
    UnpackV210RowReference(row.data(), y16.data(), u16.data(), v16.data(), w);
    auto rounded = [guard](const std::vector<uint16_t>& s) {
      std::vector<uint8_t> out;
      for (uint16_t v : s) out.push_back(uint8_t(std::min(255, (v + 2) >> 2)));
      out.resize(out.size() + guard, 0xA5);
      return out;
    };
    for (V210Row8Fn f : {UnpackV210RowTo8Reference, Avx2V210RowTo8(), Avx512V210RowTo8()}) {
      if (!f) continue;
      std::vector<uint8_t> y(n + guard, 0xA5), u(cn + guard, 0xA5), v(cn + guard, 0xA5);
      f(row.data(), y.data(), u.data(), v.data(), w);
      EXPECT_EQ(y, rounded(y16));
      EXPECT_EQ(u, rounded(u16));
      EXPECT_EQ(v, rounded(v16));
    }
  }
}

}  // namespace
}  // namespace corvane
