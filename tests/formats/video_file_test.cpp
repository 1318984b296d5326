// VideoFile at its seam, as every reader uses it: a plain file, a spliced
// file whose segments have different parameters, and a file cut short while
// it is read.
#include "formats/video_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <thread>

#include "formats/result_codes.h"
#include "support/para.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using testsupport::Para;
using testsupport::TempDir;

// count frames of `size` bytes; every byte of frame k (from 1) is k.
std::vector<uint8_t> Frames(uint32_t count, uint32_t size, uint8_t firstValue = 1) {
  std::vector<uint8_t> bytes;
  for (uint32_t k = 0; k < count; ++k) bytes.insert(bytes.end(), size, uint8_t(firstValue + k));
  return bytes;
}

std::unique_ptr<RawVideoFile> OpenOrFail(const std::string& path) {
  auto file = RawVideoFile::Open(path);
  EXPECT_TRUE(file.has_value()) << path;
  return file ? std::move(*file) : nullptr;
}

// Every frame read and lent, with its parameters and its first byte.
struct Expected {
  uint32_t n;
  uint32_t format;
  uint32_t size;
  uint32_t segment;
  uint8_t value;
};

void ExpectFrames(const VideoFile& file, const std::vector<Expected>& frames) {
  ASSERT_EQ(file.FrameCount(), frames.size());
  const auto lent = file.Lend(1, file.FrameCount());
  ASSERT_TRUE(lent.has_value());
  for (const Expected& e : frames) {
    SCOPED_TRACE(e.n);
    std::vector<uint8_t> out(e.size);
    const auto read = file.Read(e.n, out);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->para.format, e.format);
    EXPECT_EQ(read->size, e.size);
    EXPECT_EQ(read->segment, e.segment);
    EXPECT_EQ(out, std::vector<uint8_t>(e.size, e.value));
    EXPECT_EQ(lent->Shape(e.n - 1).size, e.size);
    EXPECT_EQ(std::vector<uint8_t>(lent->Data(e.n - 1), lent->Data(e.n - 1) + e.size), out);
    const auto loan = file.LendFrame(e.n);
    ASSERT_TRUE(loan.has_value());
    EXPECT_EQ(loan->shape.segment, e.segment);
    EXPECT_EQ(std::vector<uint8_t>(loan->data, loan->data + e.size), out);
  }
  // Lent again once its loan has ended: its pages were kept mapped.
  const auto again = file.LendFrame(1);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(std::vector<uint8_t>(again->data, again->data + frames[0].size),
            std::vector<uint8_t>(frames[0].size, frames[0].value));
  std::vector<uint8_t> out(1 << 16);
  EXPECT_EQ(file.Read(0, out).error().status, ReadStatus::kPastEnd);
  EXPECT_EQ(file.Read(file.FrameCount() + 1, out).error().status, ReadStatus::kPastEnd);
}

TEST(VideoFile, PlainFileIsOneSegmentOfTheGivenParameters) {
  TempDir dir;
  const std::string path = dir.File("plain.yuv");
  std::vector<uint8_t> bytes = Frames(3, 384);
  bytes.resize(bytes.size() + 100, 0xEE);  // a partial frame is never a frame
  testsupport::WriteBytes(path, bytes);
  auto file = OpenOrFail(path);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->OwnParameters().empty());
  EXPECT_EQ(file->FrameCount(), 0u);  // no parameters yet
  ASSERT_TRUE(file->UseParameters(Para(fmt::YV12, 16, 16), true).has_value());
  ASSERT_EQ(file->Segments().size(), 1u);
  ExpectFrames(*file, {{1, fmt::YV12, 384, 0, 1}, {2, fmt::YV12, 384, 0, 2}, {3, fmt::YV12, 384, 0, 3}});
}

TEST(VideoFile, SplicedFileReadsEachSegmentWithItsOwnParameters) {
  TempDir dir;
  const std::string path = dir.File("spliced.yuv");
  // Two I420 16x16 frames (384 bytes), a record with no usable format, two YUYV 16x16 frames (512).
  const std::vector<YUVPara> records = {Para(fmt::YV12, 16, 16, 0), Para(0x12345678, 16, 16, 768),
                                        Para(fmt::YUYV, 16, 16, 768)};
  std::vector<uint8_t> bytes = Frames(2, 384, 1);
  const std::vector<uint8_t> yuyv = Frames(2, 512, 3);
  bytes.insert(bytes.end(), yuyv.begin(), yuyv.end());
  const std::vector<uint8_t> trailer = EncodeTrailer(records);
  bytes.insert(bytes.end(), trailer.begin(), trailer.end());
  testsupport::WriteBytes(path, bytes);

  auto file = OpenOrFail(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->OwnParameters().size(), 3u);
  ASSERT_EQ(file->Segments().size(), 3u);
  ExpectFrames(*file, {{1, fmt::YV12, 384, 0, 1}, {2, fmt::YV12, 384, 0, 2}, {3, fmt::YUYV, 512, 2, 3},
                       {4, fmt::YUYV, 512, 2, 4}});
  // Its own parameters over the whole data instead: one run of YUYV frames.
  ASSERT_TRUE(file->UseParameters(Para(fmt::YUYV, 16, 16), false).has_value());
  EXPECT_EQ(file->Segments().size(), 1u);
  EXPECT_EQ(file->FrameCount(), (768u + 1024u) / 512u);
}

TEST(VideoFile, FrameCutOffWhileReadingIsAShortReadNotACrash) {
  TempDir dir;
  const std::string path = dir.File("cut.yuv");
  testsupport::WriteBytes(path, Frames(4, 384));
  auto file = OpenOrFail(path);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->UseParameters(Para(fmt::YV12, 16, 16), true).has_value());
  ASSERT_EQ(file->FrameCount(), 4u);
  const auto lent = file->Lend(1, 2);  // frames 1 and 2 stay whole
  ASSERT_TRUE(lent.has_value());

  std::filesystem::resize_file(path, 2 * 384 + 100);  // another program cuts it in frame 3
  std::vector<uint8_t> out(384);
  EXPECT_TRUE(file->Read(2, out).has_value());
  EXPECT_EQ(file->Read(3, out).error().status, ReadStatus::kShort);
  EXPECT_EQ(file->Read(4, out).error().status, ReadStatus::kShort);
  EXPECT_FALSE(file->Holds(3));
  EXPECT_TRUE(file->Holds(2));
  EXPECT_EQ(file->Lend(2, 2).error().status, ReadStatus::kShort);
  EXPECT_EQ(lent->Data(1)[383], 2);
  // Measured again, the file holds two frames.
  ASSERT_TRUE(file->Refresh().has_value());
  EXPECT_EQ(file->FrameCount(), 2u);
  EXPECT_EQ(file->Read(3, out).error().status, ReadStatus::kPastEnd);
}

TEST(VideoFile, LentFrameOfAFileCutShortReadsAsZerosOnAnyThread) {
  TempDir dir;
  const std::string path = dir.File("cut.yuv");
  constexpr uint32_t kSize = 256 * 256 * 3 / 2;  // 24 pages
  testsupport::WriteBytes(path, Frames(3, kSize));
  auto file = OpenOrFail(path);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->UseParameters(Para(fmt::YV12, 256, 256), true).has_value());
  const auto first = file->LendFrame(1), last = file->LendFrame(3);
  ASSERT_TRUE(first.has_value() && last.has_value());
  EXPECT_EQ(last->data[kSize - 1], 3);

  std::filesystem::resize_file(path, kSize + 100);  // another program cuts it in frame 2
  // A player's thread reads the lost pages under its locks, not inside
  // ReadMapped: zeros, no SIGBUS.
  uint64_t sum = 1;
  std::thread([&] { sum = std::accumulate(last->data, last->data + kSize, uint64_t(0)); }).join();
  EXPECT_EQ(sum, 0u);
  EXPECT_EQ(first->data[kSize - 1], 1);
  EXPECT_EQ(file->LendFrame(3).error().status, ReadStatus::kShort);
  EXPECT_EQ(file->LendFrame(2).error().status, ReadStatus::kShort);
}

TEST(VideoFile, OpenFailuresCarryCodeErrnoAndPath) {
  TempDir dir;
  const std::string missing = dir.File("missing.yuv");
  const struct {
    std::string path;
    int32_t code;
    int error;
  } cases[] = {{"", kNotReady, ENOENT}, {missing, kFail, ENOENT}, {dir.Path().string(), kFail, EISDIR}};
  for (const auto& c : cases) {
    const auto file = RawVideoFile::Open(c.path);
    ASSERT_FALSE(file.has_value()) << c.path;
    EXPECT_EQ(file.error().code, c.code) << c.path;
    EXPECT_EQ(file.error().error, c.error) << c.path;
    EXPECT_EQ(file.error().path, c.path);
  }
}

}  // namespace
}  // namespace corvane
