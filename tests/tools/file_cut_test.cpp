#include "tools/file_cut.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/file.h"
#include "support/para.h"
#include "support/run_tool.h"
#include "tests/tools/tool_files.h"

namespace corvane::tools {
namespace {

using testsupport::Listing;
using testsupport::MakeFile;
using testsupport::Para;
using testsupport::Pattern;
using testsupport::ReadBytes;
using testsupport::Slice;
using testsupport::TempDir;

// 16x8 I420 frames of 192 bytes.
const YUVPara kPara = Para(fmt::YV12, 16, 8);
constexpr uint32_t kFrame = 192;

TEST(FileCut, RangesAtTheEdgesWithAndWithoutTrailer) {
  struct Case {
    uint32_t first, last;
    ToolCode code;
  };
  const Case cases[] = {{1, 1, ToolCode::kOk},       {1, 10, ToolCode::kOk},       {10, 10, ToolCode::kOk},
                        {3, 7, ToolCode::kOk},       {0, 3, ToolCode::kBadRange},  {0, 0, ToolCode::kBadRange},
                        {4, 3, ToolCode::kBadRange}, {1, 11, ToolCode::kBadRange}, {11, 11, ToolCode::kBadRange}};
  for (bool trailer : {false, true}) {
    TempDir dir;
    const auto data = Pattern(10 * kFrame, 1);
    const std::string src = dir.File("src.yuv");
    MakeFile(src, data, trailer ? std::vector<YUVPara>{kPara} : std::vector<YUVPara>{});
    const CutSource probe = ProbeCut(src, kPara);
    ASSERT_TRUE(probe.result.has_value());
    EXPECT_EQ(probe.frameCount, 10u);
    EXPECT_EQ(probe.dataSize, 10u * kFrame);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "trailer " << trailer << ", " << c.first << ".." << c.last);
      const std::string out = dir.File("out.yuv");
      ToolProgress progress;
      const ToolResult r = Cut({src, kPara, c.first, c.last, out, true}, &progress);
      ASSERT_EQ(CodeOf(r), c.code) << ToolCodeName(CodeOf(r));
      if (c.code != ToolCode::kOk) {
        EXPECT_FALSE(std::filesystem::exists(out));
        continue;
      }
      const uint64_t len = uint64_t(c.last - c.first + 1) * kFrame;
      EXPECT_EQ(ReadBytes(out), Slice(data, uint64_t(c.first - 1) * kFrame, len));
      EXPECT_EQ(progress.total.load(), len);
      EXPECT_EQ(progress.written.load(), len);
      std::filesystem::remove(out);
    }
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"src.yuv"});
  }
}

// The frames end where the trailer begins: a trailer longer than a frame, or
// one that completes a partial last frame, is never counted as a frame.
TEST(FileCut, TrailerIsNeverCountedAsAFrame) {
  struct Case {
    YUVPara para;
    uint32_t frames;
    uint32_t extra;  // bytes of a partial last frame
  };
  const Case cases[] = {
      {Para(fmt::YV12, 4, 4), 5, 0},      // 24-byte frames, 40-byte trailer
      {Para(fmt::YV12, 4, 2), 3, 11},     // 12-byte frames: the trailer alone would make three more
      {Para(fmt::YV12, 16, 8), 4, 170},   // 170 + 40 bytes would pass for one more 192-byte frame
  };
  for (const Case& c : cases) {
    TempDir dir;
    const uint32_t fs = testsupport::FrameSizeOf(c.para);
    const auto data = Pattern(uint64_t(c.frames) * fs + c.extra, 2);
    const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
    MakeFile(src, data, {c.para});
    EXPECT_EQ(ProbeCut(src, c.para).frameCount, c.frames);
    EXPECT_EQ(CodeOf(Cut({src, c.para, 1, c.frames + 1, out, false})), ToolCode::kBadRange);
    EXPECT_FALSE(std::filesystem::exists(out));
    ASSERT_TRUE(Cut({src, c.para, c.frames, c.frames, out, false}).has_value());
    EXPECT_EQ(ReadBytes(out), Slice(data, uint64_t(c.frames - 1) * fs, fs));
  }
}

TEST(FileCut, SplicedFileIsRefused) {
  TempDir dir;
  const std::string src = dir.File("spliced.yuv"), out = dir.File("out.yuv");
  MakeFile(src, Pattern(2 * kFrame, 3), {Para(fmt::YV12, 16, 8, 0), Para(fmt::YV12, 16, 8, kFrame)});
  EXPECT_EQ(CodeOf(ProbeCut(src, kPara).result), ToolCode::kSplicedSource);
  const ToolResult r = Cut({src, kPara, 1, 1, out, false});
  EXPECT_EQ(CodeOf(r), ToolCode::kSplicedSource);
  EXPECT_EQ(ErrorOf(r).path, src);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(FileCut, RefusalsLeaveNoTarget) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
  MakeFile(src, Pattern(3 * kFrame, 4), {});
  EXPECT_EQ(CodeOf(Cut({src, Para(0x12345678, 16, 8), 1, 1, out, false})), ToolCode::kNoParameters);
  EXPECT_EQ(CodeOf(Cut({src, Para(fmt::YV12, 0, 8), 1, 1, out, false})), ToolCode::kNoParameters);
  const ToolResult missing = Cut({dir.File("missing.yuv"), kPara, 1, 1, out, false});
  EXPECT_EQ(CodeOf(missing), ToolCode::kOpenSourceFailed);
  EXPECT_EQ(ErrorOf(missing).error, ENOENT);
  EXPECT_EQ(CodeOf(Cut({src, kPara, 1, 1, "", false})), ToolCode::kNoTarget);
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"src.yuv"});
}

TEST(FileCut, ExistingTargetNeedsTheOverwriteDecision) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
  const auto data = Pattern(3 * kFrame, 5);
  MakeFile(src, data, {kPara});
  const auto old = Pattern(1000, 6);
  testsupport::WriteBytes(out, old);
  const ToolResult r = Cut({src, kPara, 2, 3, out, false});
  EXPECT_EQ(CodeOf(r), ToolCode::kTargetExists);
  EXPECT_EQ(ErrorOf(r).path, out);
  EXPECT_EQ(ReadBytes(out), old);
  ASSERT_TRUE(Cut({src, kPara, 2, 3, out, true}).has_value());
  EXPECT_EQ(ReadBytes(out), Slice(data, kFrame, 2 * kFrame));
}

// However the target is spelled, writing it would truncate the file being
// cut; so would creating the temporary file beside it.
TEST(FileCut, TargetThatIsTheSourceIsRefused) {
  TempDir dir;
  const std::string src = dir.File("src.yuv");
  const auto data = Pattern(4 * kFrame, 7);
  MakeFile(src, data, {kPara});
  std::filesystem::create_directory(dir.Path() / "sub");
  std::filesystem::create_symlink(src, dir.File("link.yuv"));
  std::filesystem::create_hard_link(src, dir.File("hard.yuv"));
  const std::string spellings[] = {src, dir.File("sub/../src.yuv"), dir.File("./src.yuv"), dir.File("link.yuv"),
                                   dir.File("hard.yuv")};
  for (const auto& target : spellings) {
    for (bool overwrite : {false, true}) {
      const ToolResult r = Cut({src, kPara, 1, 2, target, overwrite});
      EXPECT_EQ(CodeOf(r), ToolCode::kTargetIsSource) << target;
    }
  }
  // The source named like the target's temporary file.
  const std::string part = dir.File("clip.yuv.part");
  std::filesystem::copy_file(src, part);
  EXPECT_EQ(CodeOf(Cut({part, kPara, 1, 2, dir.File("clip.yuv"), true})), ToolCode::kTargetIsSource);
  EXPECT_EQ(ReadBytes(part), ReadBytes(src));
  EXPECT_EQ(ReadBytes(src).size(), data.size() + 40);
  EXPECT_FALSE(std::filesystem::exists(dir.File("clip.yuv")));
}

// Cancelling before the first chunk, after one, in the middle and after the
// last leaves no target, and an existing target as it was.
TEST(FileCut, CancelAtAnyChunkLeavesNoTarget) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
  MakeFile(src, Pattern(40 * kFrame, 8), {kPara});
  const auto old = Pattern(77, 9);
  for (bool existing : {false, true}) {
    for (int cancelAfter : {0, 1, 5, 10}) {  // 10 chunks of 4 frames
      SCOPED_TRACE(testing::Message() << "existing " << existing << ", after chunk " << cancelAfter);
      if (existing) testsupport::WriteBytes(out, old);
      ToolProgress progress;
      int chunks = 0;
      progress.cancel = cancelAfter == 0;
      progress.onChunk = [&](uint64_t, uint64_t) {
        if (++chunks == cancelAfter) progress.cancel = true;
      };
      CutJob job{src, kPara, 1, 40, out, true};
      job.chunkBytes = 4 * kFrame;
      EXPECT_EQ(CodeOf(Cut(job, &progress)), ToolCode::kCancelled);
      EXPECT_EQ(chunks, cancelAfter);
      if (existing) {
        EXPECT_EQ(ReadBytes(out), old);
        std::filesystem::remove(out);
      }
      EXPECT_EQ(Listing(dir), std::vector<std::string>{"src.yuv"});
    }
  }
}

// A second thread watches the bytes written and cancels; the copy holds at
// the chunk until the cancel has been set, so the point is exact.
TEST(FileCut, CancelFromAnotherThread) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
  MakeFile(src, Pattern(64 * kFrame, 10), {});
  ToolProgress progress;
  const uint64_t stopAt = 8 * kFrame;
  progress.onChunk = [&](uint64_t written, uint64_t) {
    if (written == stopAt)
      while (!progress.cancel.load()) std::this_thread::yield();
  };
  std::thread watcher([&] {
    while (progress.written.load() < stopAt) std::this_thread::yield();
    progress.cancel = true;
  });
  CutJob job{src, kPara, 1, 64, out, false};
  job.chunkBytes = 2 * kFrame;
  const ToolResult r = Cut(job, &progress);
  watcher.join();
  EXPECT_EQ(CodeOf(r), ToolCode::kCancelled);
  EXPECT_EQ(progress.written.load(), stopAt);
  EXPECT_EQ(progress.total.load(), 64u * kFrame);
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"src.yuv"});
}

// The source shrinks while it is copied: the short read is an error, never
// a target padded with stale buffer bytes.
TEST(FileCut, SourceTruncatedDuringTheCutIsAReadError) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
  MakeFile(src, Pattern(20 * kFrame, 11), {kPara});
  ToolProgress progress;
  progress.onChunk = [&](uint64_t written, uint64_t) {
    if (written == 4 * kFrame) std::filesystem::resize_file(src, 6 * kFrame + 10);
  };
  CutJob job{src, kPara, 2, 20, out, false};
  job.chunkBytes = 4 * kFrame;
  const ToolResult r = Cut(job, &progress);
  EXPECT_EQ(CodeOf(r), ToolCode::kReadFailed);
  EXPECT_EQ(ErrorOf(r).error, 0);
  EXPECT_EQ(ErrorOf(r).path, src);
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"src.yuv"});
}

TEST(FileCut, ReadOnlyTargetFolderIsACreateFailure) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: a read-only folder is still writable";
  TempDir dir;
  const std::string src = dir.File("src.yuv");
  MakeFile(src, Pattern(2 * kFrame, 12), {kPara});
  std::filesystem::create_directory(dir.Path() / "ro");
  std::filesystem::permissions(dir.Path() / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const ToolResult r = Cut({src, kPara, 1, 2, dir.File("ro/out.yuv"), false});
  EXPECT_EQ(CodeOf(r), ToolCode::kCreateTargetFailed);
  EXPECT_EQ(ErrorOf(r).error, EACCES);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "ro"));
}

// Chunk sizes around the length: one step, an exact multiple, a remainder.
TEST(FileCut, ChunkSizesDoNotChangeTheBytes) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), out = dir.File("out.yuv");
  const auto data = Pattern(9 * kFrame, 13);
  MakeFile(src, data, {kPara});
  for (size_t chunk : {size_t(1), size_t(100), size_t(kFrame), size_t(3 * kFrame), size_t(7 * kFrame),
                       size_t(9 * kFrame), kDefaultChunkBytes}) {
    CutJob job{src, kPara, 2, 8, out, true};
    job.chunkBytes = chunk;
    uint64_t calls = 0, last = 0;
    ToolProgress progress;
    progress.onChunk = [&](uint64_t written, uint64_t total) {
      EXPECT_GT(written, last);
      EXPECT_EQ(total, 7u * kFrame);
      last = written;
      ++calls;
    };
    ASSERT_TRUE(Cut(job, &progress).has_value()) << chunk;
    EXPECT_EQ(ReadBytes(out), Slice(data, kFrame, 7 * kFrame)) << chunk;
    EXPECT_EQ(calls, (7u * kFrame + chunk - 1) / chunk) << chunk;
  }
}

// A Y4M source with frame headers of different lengths: cut into a Y4M
// file, its stream header and the exact bytes from frame A's header to
// frame B's end; cut bare, each frame's planes alone; its own header's
// parameters whatever the job says.
TEST(FileCut, Y4mSourceKeepsItsHeadersOrGivesBareFrames) {
  TempDir dir;
  const std::string src = dir.File("src.y4m"), out = dir.File("out.y4m");
  const std::string header = "YUV4MPEG2 W16 H8 F25:1 Im C420jpeg\n";
  const char* tags[] = {"FRAME\n", "FRAME It XNOTE=second\n", "FRAME Ib\n", "FRAME\n"};
  std::vector<uint8_t> bytes(header.begin(), header.end()), planes;
  std::vector<size_t> starts;
  for (uint32_t k = 0; k < 4; ++k) {
    starts.push_back(bytes.size());
    bytes.insert(bytes.end(), tags[k], tags[k] + std::strlen(tags[k]));
    const auto frame = Pattern(kFrame, 20 + k);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    if (k == 1 || k == 2) planes.insert(planes.end(), frame.begin(), frame.end());
  }
  testsupport::WriteBytes(src, bytes);
  const CutSource probe = ProbeCut(src, Para(fmt::RGB4, 3, 3));
  ASSERT_TRUE(probe.result.has_value());
  EXPECT_TRUE(probe.streamHeader);
  EXPECT_EQ(probe.frameCount, 4u);
  EXPECT_EQ(probe.frameSize, kFrame);

  ToolProgress progress;
  ASSERT_TRUE(Cut({src, Para(fmt::RGB4, 3, 3), 2, 3, out, true}, &progress).has_value());
  std::vector<uint8_t> expected(header.begin(), header.end());
  const auto range = Slice(bytes, starts[1], starts[3] - starts[1]);
  expected.insert(expected.end(), range.begin(), range.end());
  EXPECT_EQ(ReadBytes(out), expected);
  EXPECT_EQ(progress.total.load(), expected.size());

  CutJob bare{src, kPara, 2, 3, dir.File("bare.yuv"), true};
  bare.bareFrames = true;
  ASSERT_TRUE(Cut(bare).has_value());
  EXPECT_EQ(ReadBytes(bare.target), planes);
}

// A coded source is cut frame by frame: progress after each decoded frame
// (then the trailer) up to the total announced first; a cancel after any
// frame leaves no target.
TEST(FileCut, CodedSourceReportsEachFrameAndCancels) {
  if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  const std::string src = dir.File("src.mp4"), out = dir.File("out.yuv");
  ASSERT_EQ(testsupport::Run({"sh", "-c",
                              "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=64x48 -frames:v 12 "
                              "-c:v libx264 -bf 3 -pix_fmt yuv420p " + src})
                .status,
            0);
  const CutSource probe = ProbeCut(src, {});
  ASSERT_TRUE(probe.result.has_value()) << ToolCodeName(CodeOf(probe.result));
  EXPECT_TRUE(probe.coded);
  EXPECT_FALSE(probe.streamHeader);
  EXPECT_EQ(probe.frameCount, 12u);
  const uint64_t frame = 64 * 48 * 3 / 2;
  for (int cancelAfter : {0, 1, 4, 5}) {  // 4 frames, then the trailer
    SCOPED_TRACE(testing::Message() << "after chunk " << cancelAfter);
    ToolProgress progress;
    std::vector<uint64_t> written;
    progress.cancel = cancelAfter == 0;
    progress.onChunk = [&](uint64_t bytes, uint64_t total) {
      EXPECT_EQ(total, 4 * frame + kPlainTrailerSize);
      written.push_back(bytes);
      if (int(written.size()) == cancelAfter) progress.cancel = true;
    };
    EXPECT_EQ(CodeOf(Cut({src, {}, 5, 8, out, false}, &progress)), ToolCode::kCancelled);
    EXPECT_EQ(written.size(), size_t(cancelAfter));
    for (size_t k = 0; k < written.size(); ++k)
      EXPECT_EQ(written[k], k < 4 ? (k + 1) * frame : 4 * frame + kPlainTrailerSize);
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"src.mp4"});
  }
  ASSERT_TRUE(Cut({src, {}, 5, 8, out, false}).has_value());
  EXPECT_EQ(ReadBytes(out).size(), 4 * frame + kPlainTrailerSize);
}

// Frames past 4 GiB are read from their true place (a sparse file).
TEST(FileCut, FramesBeyondFourGigabytes) {
  TempDir dir;
  const std::string src = dir.File("big.yuv"), out = dir.File("out.yuv");
  const uint32_t n = uint32_t((uint64_t(1) << 32) / kFrame) + 3;  // frame n starts past 2^32
  const auto frames = Pattern(2 * kFrame, 14);
  {
    platform::File f;
    ASSERT_EQ(platform::ErrnoOf(f.Open(src, platform::File::Mode::kCreate)), 0);
    ASSERT_EQ(f.WriteAt(frames.data(), frames.size(), uint64_t(n - 1) * kFrame), int64_t(frames.size()));
    const auto trailer = EncodeTrailer(std::vector<YUVPara>{kPara});
    ASSERT_EQ(f.WriteAt(trailer.data(), trailer.size(), uint64_t(n + 1) * kFrame), 40);
  }
  EXPECT_EQ(ProbeCut(src, kPara).frameCount, n + 1);
  ASSERT_TRUE(Cut({src, kPara, n, n + 1, out, false}).has_value());
  EXPECT_EQ(ReadBytes(out), frames);
}

}  // namespace
}  // namespace corvane::tools
