#include "tools/file_splice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/file.h"
#include "support/para.h"
#include "tests/tools/tool_files.h"

namespace corvane::tools {
namespace {

using testsupport::Listing;
using testsupport::MakeFile;
using testsupport::Para;
using testsupport::Pattern;
using testsupport::ReadBytes;
using testsupport::TempDir;

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Three inputs of different formats, sizes and intervals: a plain I420 file,
// a plain YUYV file with a partial last frame and an untagged record, and a
// spliced file of three segments.
struct Inputs {
  explicit Inputs(const TempDir& dir)
      : a(dir.File("a.yuv")), b(dir.File("b.yuv")), c(dir.File("c.yuv")),
        aData(Pattern(3 * 192, 21)), bData(Pattern(4 * 120 + 7, 22)), cData(Pattern(192, 23)) {
    MakeFile(a, aData, {Para(fmt::YV12, 16, 8, 0, 40)});
    YUVPara untagged = Para(fmt::YUYV, 10, 6, 0, 33);
    untagged.tag = 0;
    MakeFile(b, bData, {untagged});
    MakeFile(c, cData, {Para(fmt::NV12, 8, 4, 0, 20), Para(fmt::RGB3, 4, 2, 96, 80), Para(fmt::UYVY, 6, 2, 168, 0)});
  }
  SpliceJob Job(const std::string& target) const { return {{{a, 1}, {b, 1}, {c, 3}}, target, false}; }

  std::string a, b, c;
  std::vector<uint8_t> aData, bData, cData;
};

TEST(FileSplice, ProbeReportsRecordsAndData) {
  TempDir dir;
  Inputs in(dir);
  const SpliceSource c = ProbeSpliceInput(in.c);
  ASSERT_TRUE(c.result.has_value());
  EXPECT_EQ(c.recordCount, 3u);
  EXPECT_EQ(c.dataSize, 192u);
  EXPECT_EQ(c.records.size(), 3u);
  const SpliceSource b = ProbeSpliceInput(in.b);
  EXPECT_EQ(b.recordCount, 1u);
  EXPECT_EQ(b.dataSize, 487u);
}

// Data of every input back to back (their trailers left out), then each
// input's records with offsets moved to where its data now lies, then the
// end record.
TEST(FileSplice, LayoutAndRecordsAreExact) {
  TempDir dir;
  Inputs in(dir);
  const std::string out = dir.File("out.yuv");
  ToolProgress progress;
  uint64_t totalSeen = 0;
  progress.onChunk = [&](uint64_t, uint64_t total) { totalSeen = total; };
  const ToolResult r = Splice(in.Job(out), &progress);
  ASSERT_TRUE(r.has_value()) << ToolCodeName(CodeOf(r));

  const uint64_t a = 576, b = 487;
  const std::vector<YUVPara> records = {Para(fmt::YV12, 16, 8, 0, 40), Para(fmt::YUYV, 10, 6, a, 33),
                                        Para(fmt::NV12, 8, 4, a + b, 20), Para(fmt::RGB3, 4, 2, a + b + 96, 80),
                                        Para(fmt::UYVY, 6, 2, a + b + 168, 0)};
  const auto expected = Concat({in.aData, in.bData, in.cData, EncodeTrailer(records)});
  EXPECT_EQ(ReadBytes(out), expected);
  // The end record spelled out: 5 records, 28 x 5 + 12 bytes, "IPVR".
  const std::vector<uint8_t> end = {5, 0, 0, 0, 152, 0, 0, 0, 'I', 'P', 'V', 'R'};
  EXPECT_EQ(std::vector<uint8_t>(expected.end() - 12, expected.end()), end);
  EXPECT_EQ(progress.total.load(), expected.size());
  EXPECT_EQ(progress.written.load(), expected.size());
  EXPECT_EQ(totalSeen, expected.size());
  EXPECT_EQ(SplicedSize(a + b + 192, 5), expected.size());

  platform::File f;
  ASSERT_EQ(platform::ErrnoOf(f.Open(out, platform::File::Mode::kRead)), 0);
  const TrailerInfo t = ReadTrailer(f);
  ASSERT_EQ(t.kind, TrailerKind::kSpliced);
  std::vector<uint32_t> frames;
  for (const auto& s : t.segments) frames.push_back(s.frameCount);
  EXPECT_EQ(frames, (std::vector<uint32_t>{3, 4, 2, 3, 1}));
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"a.yuv", "b.yuv", "c.yuv", "out.yuv"}));
}

TEST(FileSplice, SplicedInputSecondAndTheSameFileTwice) {
  TempDir dir;
  Inputs in(dir);
  const std::string out = dir.File("out.yuv");
  ASSERT_TRUE(Splice({{{in.b, 1}, {in.c, 3}, {in.b, 1}}, out, false}).has_value());
  const uint64_t b = 487;
  const std::vector<YUVPara> records = {Para(fmt::YUYV, 10, 6, 0, 33),      Para(fmt::NV12, 8, 4, b, 20),
                                        Para(fmt::RGB3, 4, 2, b + 96, 80),  Para(fmt::UYVY, 6, 2, b + 168, 0),
                                        Para(fmt::YUYV, 10, 6, b + 192, 33)};
  EXPECT_EQ(ReadBytes(out), Concat({in.bData, in.cData, in.bData, EncodeTrailer(records)}));
}

// One plain input gives a copy of its data with a 40-byte trailer: a plain file.
TEST(FileSplice, SinglePlainInputIsAPlainFile) {
  TempDir dir;
  Inputs in(dir);
  const std::string out = dir.File("out.yuv");
  ASSERT_TRUE(Splice({{{in.a, 1}}, out, false}).has_value());
  EXPECT_EQ(ReadBytes(out), ReadBytes(in.a));
}

// A plain file's frames start at its first byte, whatever offset its one
// record carries.
TEST(FileSplice, PlainRecordOffsetIsWhereItsDataLands) {
  TempDir dir;
  Inputs in(dir);
  const std::string odd = dir.File("odd.yuv"), out = dir.File("out.yuv");
  const auto data = Pattern(240, 24);
  MakeFile(odd, data, {Para(fmt::YUYV, 10, 6, 12345, 33)});
  ASSERT_TRUE(Splice({{{in.a, 1}, {odd, 1}}, out, false}).has_value());
  EXPECT_EQ(ReadBytes(out), Concat({in.aData, data,
                                    EncodeTrailer(std::vector<YUVPara>{Para(fmt::YV12, 16, 8, 0, 40),
                                                                       Para(fmt::YUYV, 10, 6, 576, 33)})}));
}

TEST(FileSplice, RefusalsNameTheInputAndLeaveNoTarget) {
  TempDir dir;
  Inputs in(dir);
  const std::string bare = dir.File("bare.yuv"), damaged = dir.File("damaged.yuv"), empty = dir.File("empty.yuv");
  MakeFile(bare, Pattern(400, 25), {});
  testsupport::WriteBytes(damaged, Pattern(400, 26));
  testsupport::AppendBytes(damaged, {2, 0, 0, 0, 40, 0, 0, 0, 'I', 'P', 'V', 'R'});  // 40 is not 28 x 2 + 12
  MakeFile(empty, {}, {Para(fmt::YV12, 16, 8)});
  // Short of one whole frame, an unknown format code, no width: segments no
  // player can show. A FIFO would hang the splice in its open.
  const std::string partial = dir.File("partial.yuv"), unknown = dir.File("unknown.yuv"),
                    noWidth = dir.File("nowidth.yuv"), fifo = dir.File("pipe.yuv");
  MakeFile(partial, Pattern(191, 29), {Para(fmt::YV12, 16, 8)});
  MakeFile(unknown, Pattern(192, 29), {Para(0x12345678, 16, 8)});
  MakeFile(noWidth, Pattern(192, 29), {Para(fmt::YV12, 0, 8)});
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::filesystem::create_symlink(in.b, dir.File("link.yuv"));
  testsupport::WriteBytes(dir.File("old.yuv"), Pattern(10, 27));
  // An input named like the target's temporary file: creating that would
  // truncate it.
  std::filesystem::copy_file(in.a, dir.File("clip.yuv.part"));
  const auto before = Listing(dir);

  struct Case {
    const char* what;
    SpliceJob job;
    ToolCode code;
    size_t input;
  };
  const std::string out = dir.File("out.yuv");
  const Case cases[] = {
      {"no inputs", {{}, out, false}, ToolCode::kNoInputs, SIZE_MAX},
      {"no trailer", {{{in.a, 1}, {bare, 1}}, out, false}, ToolCode::kNoTrailer, 1},
      {"damaged", {{{damaged, 2}, {in.a, 1}}, out, false}, ToolCode::kDamagedTrailer, 0},
      {"count changed", {{{in.a, 1}, {in.b, 1}, {in.c, 1}}, out, false}, ToolCode::kRecordCountChanged, 2},
      {"count was 0", {{{in.a, 0}}, out, false}, ToolCode::kRecordCountChanged, 0},
      {"empty input", {{{in.a, 1}, {empty, 1}}, out, false}, ToolCode::kEmptyInput, 1},
      {"part of a frame", {{{in.a, 1}, {partial, 1}}, out, false}, ToolCode::kEmptyInput, 1},
      {"unknown format", {{{unknown, 1}, {in.a, 1}}, out, false}, ToolCode::kNoParameters, 0},
      {"width 0", {{{in.a, 1}, {noWidth, 1}}, out, false}, ToolCode::kNoParameters, 1},
      {"fifo", {{{in.a, 1}, {fifo, 1}}, out, false}, ToolCode::kOpenSourceFailed, 1},
      {"missing", {{{in.a, 1}, {dir.File("nope.yuv"), 1}}, out, false}, ToolCode::kOpenSourceFailed, 1},
      {"target is an input", {{{in.a, 1}, {in.b, 1}}, dir.File("link.yuv"), true}, ToolCode::kTargetIsSource, 1},
      {"temporary is an input", {{{in.a, 1}, {dir.File("clip.yuv.part"), 1}}, dir.File("clip.yuv"), true},
       ToolCode::kTargetIsSource, 1},
      {"target exists", in.Job(dir.File("old.yuv")), ToolCode::kTargetExists, SIZE_MAX},
      {"no target", in.Job(""), ToolCode::kNoTarget, SIZE_MAX},
  };
  for (const Case& c : cases) {
    const ToolResult r = Splice(c.job, nullptr);
    EXPECT_EQ(CodeOf(r), c.code) << c.what << ": " << ToolCodeName(CodeOf(r));
    EXPECT_EQ(ErrorOf(r).input, c.input) << c.what;
    // A refused input is named (a target that is an input names the target).
    if (c.input != SIZE_MAX && c.code != ToolCode::kTargetIsSource) {
      EXPECT_EQ(ErrorOf(r).path, c.job.inputs[c.input].path) << c.what;
    }
    EXPECT_EQ(Listing(dir), before) << c.what;
  }
  EXPECT_EQ(ReadBytes(dir.File("old.yuv")), Pattern(10, 27));
}

TEST(FileSplice, CancelAtAnyChunkLeavesNoTarget) {
  TempDir dir;
  Inputs in(dir);
  const std::string out = dir.File("out.yuv");
  const auto old = Pattern(33, 28);
  // With 100-byte chunks: a 6, b 5, c 2 chunks, then the trailer: 14 writes.
  for (bool existing : {false, true}) {
    for (int cancelAfter : {0, 1, 6, 7, 13, 14}) {
      SCOPED_TRACE(testing::Message() << "existing " << existing << ", after write " << cancelAfter);
      if (existing) testsupport::WriteBytes(out, old);
      ToolProgress progress;
      int writes = 0;
      progress.cancel = cancelAfter == 0;
      progress.onChunk = [&](uint64_t, uint64_t) {
        if (++writes == cancelAfter) progress.cancel = true;
      };
      SpliceJob job = in.Job(out);
      job.overwrite = true;
      job.chunkBytes = 100;
      EXPECT_EQ(CodeOf(Splice(job, &progress)), ToolCode::kCancelled);
      EXPECT_EQ(writes, cancelAfter);
      if (existing) {
        EXPECT_EQ(ReadBytes(out), old);
        std::filesystem::remove(out);
      }
      EXPECT_EQ(Listing(dir), (std::vector<std::string>{"a.yuv", "b.yuv", "c.yuv"}));
    }
  }
}

TEST(FileSplice, CancelFromAnotherThread) {
  TempDir dir;
  Inputs in(dir);
  const std::string out = dir.File("out.yuv");
  ToolProgress progress;
  const uint64_t stopAt = 700;  // inside the second input
  progress.onChunk = [&](uint64_t written, uint64_t) {
    if (written == stopAt)
      while (!progress.cancel.load()) std::this_thread::yield();
  };
  std::thread watcher([&] {
    while (progress.written.load() < stopAt) std::this_thread::yield();
    progress.cancel = true;
  });
  SpliceJob job = in.Job(out);
  job.chunkBytes = 4;  // 576 and 700 are chunk ends
  const ToolResult r = Splice(job, &progress);
  watcher.join();
  EXPECT_EQ(CodeOf(r), ToolCode::kCancelled);
  EXPECT_EQ(progress.written.load(), stopAt);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".part"));
}

// The second input shrinks while the first is copied: its trailer was read
// at the start, so the copy meets the short read and stops.
TEST(FileSplice, InputTruncatedDuringTheSpliceIsAReadError) {
  TempDir dir;
  Inputs in(dir);
  const std::string out = dir.File("out.yuv");
  ToolProgress progress;
  progress.onChunk = [&](uint64_t written, uint64_t) {
    if (written == 100) std::filesystem::resize_file(in.b, 300);
  };
  SpliceJob job = in.Job(out);
  job.chunkBytes = 100;
  const ToolResult r = Splice(job, &progress);
  EXPECT_EQ(CodeOf(r), ToolCode::kReadFailed);
  EXPECT_EQ(ErrorOf(r).input, 1u);
  EXPECT_EQ(ErrorOf(r).path, in.b);
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"a.yuv", "b.yuv", "c.yuv"}));
}

TEST(FileSplice, ReadOnlyTargetFolderIsACreateFailure) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: a read-only folder is still writable";
  TempDir dir;
  Inputs in(dir);
  std::filesystem::create_directory(dir.Path() / "ro");
  std::filesystem::permissions(dir.Path() / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const ToolResult r = Splice(in.Job(dir.File("ro/out.yuv")));
  EXPECT_EQ(CodeOf(r), ToolCode::kCreateTargetFailed);
  EXPECT_EQ(ErrorOf(r).error, EACCES);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "ro"));
}

// Chunks of one byte, of a size that ends inside every input, and larger than
// everything give the same file.
TEST(FileSplice, ChunkSizesDoNotChangeTheBytes) {
  TempDir dir;
  Inputs in(dir);
  const std::string ref = dir.File("ref.yuv");
  ASSERT_TRUE(Splice(in.Job(ref)).has_value());
  const auto expected = ReadBytes(ref);
  for (size_t chunk : {size_t(1), size_t(96), size_t(192), size_t(576), size_t(1000)}) {
    SpliceJob job = in.Job(dir.File("out.yuv"));
    job.overwrite = true;
    job.chunkBytes = chunk;
    ASSERT_TRUE(Splice(job).has_value()) << chunk;
    EXPECT_EQ(ReadBytes(dir.File("out.yuv")), expected) << chunk;
  }
}

}  // namespace
}  // namespace corvane::tools
