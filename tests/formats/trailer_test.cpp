#include "formats/trailer.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "support/para.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using testsupport::Para;
using testsupport::TempDir;

std::vector<uint8_t> EndBytes(uint32_t count, uint32_t size, uint32_t magic = kTrailerMagic) {
  std::vector<uint8_t> b(12);
  for (int i = 0; i < 4; ++i) {
    b[i] = uint8_t(count >> (8 * i));
    b[4 + i] = uint8_t(size >> (8 * i));
    b[8 + i] = uint8_t(magic >> (8 * i));
  }
  return b;
}

TrailerInfo ParseFile(const std::vector<uint8_t>& bytes) {
  TempDir dir;
  std::string path = dir.File("f.yuv");
  testsupport::WriteBytes(path, bytes);
  platform::File f;
  EXPECT_EQ(platform::ErrnoOf(f.Open(path, platform::File::Mode::kRead)), 0);
  return ReadTrailer(f);
}

TEST(TrailerBytes, RecordIsStoredLittleEndianHighOffsetWordFirst) {
  YUVPara p = Para(fmt::YV12, 352, 288, 0x0000000123456789ull, 40);
  uint8_t b[28];
  EncodePara(p, b);
  const uint8_t expect[28] = {'P', 'C', 'V', 'R', '2', '1', 'V', 'Y', 0x60, 1, 0, 0, 0x20, 1, 0, 0,
                              40,  0,   0,   0,   1,   0,   0,   0,   0x89, 0x67, 0x45, 0x23};
  EXPECT_EQ(0, memcmp(b, expect, 28));
  EXPECT_EQ(DecodePara(b), p);
  auto t = EncodeTrailer(std::span(&p, 1));
  ASSERT_EQ(t.size(), 40u);
  EXPECT_EQ(std::vector<uint8_t>(t.end() - 12, t.end()), EndBytes(1, 40));
  EXPECT_EQ(t[36], 'I');
  EXPECT_EQ(t[39], 'R');
}

TEST(TrailerRead, NoTrailerShortFilesAndPlainTrailer) {
  // Shorter than the end record: no trailer, not an error.
  for (size_t n : {0u, 1u, 11u}) {
    TrailerInfo info = ParseFile(std::vector<uint8_t>(n, 0x49));
    EXPECT_EQ(info.kind, TrailerKind::kNone) << n;
    EXPECT_FALSE(info.ioError);
    EXPECT_EQ(info.dataSize, n);
  }
  TrailerInfo info = ParseFile(std::vector<uint8_t>(1000, 7));
  EXPECT_EQ(info.kind, TrailerKind::kNone);
  EXPECT_EQ(info.dataSize, 1000u);

  std::vector<uint8_t> file(38016 * 3, 0x10);
  YUVPara p = Para(fmt::YV12, 176, 144);
  auto t = EncodeTrailer(std::span(&p, 1));
  file.insert(file.end(), t.begin(), t.end());
  info = ParseFile(file);
  EXPECT_EQ(info.kind, TrailerKind::kPlain);
  ASSERT_EQ(info.records.size(), 1u);
  EXPECT_EQ(info.records[0], p);
  EXPECT_EQ(info.dataSize, 38016u * 3);
}

TEST(TrailerRead, SplicedSegmentsOfDifferentFormatsAndSizes) {
  // 3 CIF I420 frames, 2 QCIF YUYV frames plus 10 stray bytes, 4 RGB24 8x8 frames.
  const uint64_t s1 = 152064ull * 3, s2 = 50688ull * 2 + 10, s3 = 192ull * 4;
  std::vector<YUVPara> recs = {Para(fmt::YV12, 352, 288, 0), Para(fmt::YUYV, 176, 144, s1, 20),
                               Para(fmt::RGB3, 8, 8, s1 + s2, 100)};
  std::vector<uint8_t> file(s1 + s2 + s3, 1);
  auto t = EncodeTrailer(recs);
  file.insert(file.end(), t.begin(), t.end());
  TrailerInfo info = ParseFile(file);
  ASSERT_EQ(info.kind, TrailerKind::kSpliced) << info.damage;
  ASSERT_EQ(info.segments.size(), 3u);
  EXPECT_EQ(info.segments[0].frameCount, 3u);
  EXPECT_EQ(info.segments[1].start, s1);
  EXPECT_EQ(info.segments[1].length, s2);
  EXPECT_EQ(info.segments[1].frameCount, 2u);
  EXPECT_EQ(info.segments[2].frameSize, 192u);
  EXPECT_EQ(info.segments[2].frameCount, 4u);
  EXPECT_EQ(TotalFrameCount(info.segments), 9u);
  EXPECT_EQ(info.dataSize, s1 + s2 + s3);
}

// Every added format's code goes into a record and comes back as a segment
// of its own frame size: one spliced file of all of them, 2 frames each.
TEST(TrailerRead, EveryAddedFormatRoundTripsAsASegment) {
  std::vector<YUVPara> recs;
  uint64_t offset = 0;
  for (int t = kFirstAddedType; t < kYUVTypeCount; ++t) {
    const uint32_t w = 18 + uint32_t(t), h = 10;
    recs.push_back(Para(CodeOfType(YUVType(t)), w, h, offset, 20));
    offset += 2 * FrameSize64(YUVType(t), w, h);
  }
  std::vector<uint8_t> file(offset, 3);
  const auto t = EncodeTrailer(recs);
  file.insert(file.end(), t.begin(), t.end());
  const TrailerInfo info = ParseFile(file);
  ASSERT_EQ(info.kind, TrailerKind::kSpliced) << info.damage;
  ASSERT_EQ(info.segments.size(), recs.size());
  ASSERT_EQ(info.records, recs);
  for (size_t i = 0; i < recs.size(); ++i) {
    EXPECT_EQ(info.segments[i].frameSize, FrameSize64(*TypeOfCode(recs[i].format), recs[i].width, 10))
        << CodeName(recs[i].format);
    EXPECT_EQ(info.segments[i].frameCount, 2u) << CodeName(recs[i].format);
  }
}

// Every kind of damage is reported, never trusted, and never read out of range.
TEST(TrailerRead, DamagedTrailersAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  auto withEnd = [](std::vector<uint8_t> body, uint32_t count, uint32_t size) {
    auto e = EndBytes(count, size);
    body.insert(body.end(), e.begin(), e.end());
    return body;
  };
  cases.push_back({"count 0", withEnd(std::vector<uint8_t>(100), 0, 12)});
  cases.push_back({"size not 28n+12", withEnd(std::vector<uint8_t>(100), 1, 41)});
  // 28·N + 12 is 7·2^32 + 12 for N = 2^30: in 32 bits it wraps onto 12.
  cases.push_back({"size wraps in 32 bits", withEnd(std::vector<uint8_t>(100), 0x40000000u, 12)});
  cases.push_back({"table larger than file", withEnd(std::vector<uint8_t>(20), 2, 68)});
  cases.push_back({"huge count", withEnd(std::vector<uint8_t>(100), 0x7FFFFFF0u, 0x7FFFFFF0u * 28u + 12u)});
  {
    std::vector<YUVPara> r = {Para(fmt::YV12, 2, 2, 0), Para(fmt::YV12, 2, 2, 12), Para(fmt::YV12, 2, 2, 6)};
    std::vector<uint8_t> f(30, 0);
    auto t = EncodeTrailer(r);
    f.insert(f.end(), t.begin(), t.end());
    cases.push_back({"offsets go backwards", f});
  }
  {
    std::vector<YUVPara> r = {Para(fmt::YV12, 2, 2, 0), Para(fmt::YV12, 2, 2, 31)};
    std::vector<uint8_t> f(30, 0);
    auto t = EncodeTrailer(r);
    f.insert(f.end(), t.begin(), t.end());
    cases.push_back({"offset beyond the data", f});
  }
  {
    std::vector<YUVPara> r = {Para(fmt::YV12, 2, 2, 0), Para(fmt::YV12, 2, 2, 0x100000000ull)};
    std::vector<uint8_t> f(30, 0);
    auto t = EncodeTrailer(r);
    f.insert(f.end(), t.begin(), t.end());
    cases.push_back({"64-bit offset beyond the data", f});
  }
  {
    std::vector<YUVPara> r = {Para(fmt::YV12, 2, 2, 6), Para(fmt::YV12, 2, 2, 12)};
    std::vector<uint8_t> f(30, 0);
    auto t = EncodeTrailer(r);
    f.insert(f.end(), t.begin(), t.end());
    cases.push_back({"first segment not at 0", f});
  }
  {
    YUVPara r = Para(fmt::RGB4, 65536, 65536);
    std::vector<uint8_t> f(30, 0);
    auto t = EncodeTrailer(std::span(&r, 1));
    f.insert(f.end(), t.begin(), t.end());
    cases.push_back({"frame size beyond 32 bits", f});
  }
  for (const auto& c : cases) {
    TrailerInfo info = ParseFile(c.bytes);
    EXPECT_EQ(info.kind, TrailerKind::kDamaged) << c.what;
    EXPECT_FALSE(info.damage.empty()) << c.what;
    EXPECT_TRUE(info.records.empty()) << c.what;
    // The file can still be played as plain data with parameters from elsewhere.
    EXPECT_EQ(info.dataSize, c.bytes.size()) << c.what;
  }
}

TEST(TrailerRead, UnknownFormatInASegmentGivesAnEmptySegment) {
  std::vector<YUVPara> r = {Para(fmt::YV12, 2, 2, 0), Para(0x11111111u, 2, 2, 12), Para(fmt::YV12, 2, 2, 18)};
  std::vector<uint8_t> f(30, 0);
  auto t = EncodeTrailer(r);
  f.insert(f.end(), t.begin(), t.end());
  TrailerInfo info = ParseFile(f);
  ASSERT_EQ(info.kind, TrailerKind::kSpliced);
  EXPECT_EQ(info.segments[1].frameCount, 0u);
  EXPECT_EQ(info.segments[1].frameSize, 0u);
  EXPECT_EQ(TotalFrameCount(info.segments), 2u + 2u);
}

TEST(TrailerRead, PlainFrameCountUsesTheDataBeforeTheTrailer) {
  // 4x4 I420 frames are 24 bytes: the 40-byte trailer must not count as frames.
  EXPECT_EQ(PlainFrameCount(24 * 5, 24), 5u);
  EXPECT_EQ(PlainFrameCount(24 * 5 + 23, 24), 5u);
  EXPECT_EQ(PlainFrameCount(100, 0), 0u);
  EXPECT_EQ(PlainFrameCount(1ull << 40, 1), UINT32_MAX);
}

}  // namespace
}  // namespace corvane
