// corvane-tool cut and splice, run as a user would run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;

using testsupport::Tool;

void Gen(const std::string& out, const std::string& format, const std::string& size, int frames, bool trailer,
         const std::string& interval = "40") {
  std::vector<std::string> args = {"gen", out, "--format", format, "--size", size, "--frames", std::to_string(frames),
                                   "--interval", interval};
  if (trailer) args.push_back("--trailer");
  auto r = Tool(args);
  ASSERT_EQ(r.status, 0) << r.err;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, size_t from, size_t len) {
  return std::vector<uint8_t>(b.begin() + from, b.begin() + from + len);
}

TEST(FileToolsCli, CutCopiesTheFramesWithoutTrailer) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), bare = dir.File("bare.yuv"), out = dir.File("out.yuv");
  Gen(src, "I420", "176x144", 10, true);
  Gen(bare, "NV16", "32x8", 6, false);
  const size_t fs = 38016;
  auto r = Tool({"cut", src, "--from", "3", "--to", "5", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no progress when stderr is not a terminal
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(out), Slice(ReadBytes(src), 2 * fs, 3 * fs));
  // A file without a trailer takes its parameters from the options.
  r = Tool({"cut", bare, "--from", "6", "--to", "6", "-o", out, "--force", "--format", "NV16", "--size", "32x8"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(out), Slice(ReadBytes(bare), 5 * 512, 512));
  auto info = Tool({"info", out, "--json"});
  EXPECT_NE(info.out.find("\"trailer\": \"none\""), std::string::npos) << info.out;
}

TEST(FileToolsCli, CutRefusals) {
  TempDir dir;
  const std::string src = dir.File("src.yuv"), demo = dir.File("demo.yuv"), out = dir.File("out.yuv");
  Gen(src, "I420", "16x8", 4, true);
  ASSERT_EQ(Tool({"gen", demo, "--demo"}).status, 0);
  const auto srcBytes = ReadBytes(src);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"cut", src, "--from", "0", "--to", "2", "-o", out}, 2, "must satisfy 1 <= from <= to <= 4"},
      {{"cut", src, "--from", "3", "--to", "2", "-o", out}, 2, "must satisfy 1 <= from <= to <= 4"},
      {{"cut", src, "--from", "1", "--to", "5", "-o", out}, 2, "must satisfy 1 <= from <= to <= 4"},
      {{"cut", src, "--from", "1", "--to", "2"}, 2, "-o OUT is required"},
      {{"cut", src, "-o", out}, 2, "--from and --to are required"},
      {{"cut", demo, "--from", "1", "--to", "2", "-o", out}, 1, "is a spliced file; a spliced file cannot be cut"},
      {{"cut", src, "--from", "1", "--to", "2", "-o", dir.File("./src.yuv"), "--force"}, 1, "would destroy"},
      {{"cut", dir.File("none.yuv"), "--from", "1", "--to", "2", "-o", out}, 1, "cannot open"},
  };
  for (const Case& c : cases) {
    auto r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.message << ": " << r.err;
    EXPECT_EQ(r.err.rfind("corvane-tool cut: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
  }
  EXPECT_EQ(ReadBytes(src), srcBytes);
  // An existing OUT needs --force.
  testsupport::WriteBytes(out, {1, 2, 3});
  auto r = Tool({"cut", src, "--from", "1", "--to", "1", "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("exists; give --force to replace it"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(out), (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_EQ(Tool({"cut", src, "--from", "1", "--to", "1", "-o", out, "--force"}).status, 0);
  EXPECT_EQ(ReadBytes(out), Slice(srcBytes, 0, 192));
}

// The spliced result lists every segment of every input, spliced inputs
// included, and plays through all of them.
TEST(FileToolsCli, SpliceThenInfoAndPlayShowEverySegment) {
  TempDir dir;
  const std::string a = dir.File("a.yuv"), b = dir.File("b.yuv"), c = dir.File("c.yuv"), ab = dir.File("ab.yuv"),
                    out = dir.File("out.yuv");
  Gen(a, "I420", "64x32", 3, true, "10");
  Gen(b, "YUYV", "48x16", 2, true, "20");
  Gen(c, "RGB24", "32x16", 2, true, "30");
  auto r = Tool({"splice", "-o", ab, a, b});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = Tool({"splice", "-o", out, c, ab});
  ASSERT_EQ(r.status, 0) << r.err;

  const size_t aData = 3 * 3072, bData = 2 * 1536, cData = 2 * 1536;
  const auto bytes = ReadBytes(out);
  ASSERT_EQ(bytes.size(), cData + aData + bData + 3 * 28 + 12);
  EXPECT_EQ(Slice(bytes, 0, cData), Slice(ReadBytes(c), 0, cData));
  EXPECT_EQ(Slice(bytes, cData, aData + bData), Slice(ReadBytes(ab), 0, aData + bData));

  auto info = Tool({"info", out});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("trailer:  spliced (3 segments)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("segment 1: RGB24 (RGB3) 32x16, interval 30 ms, offset 0, 2 frames"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("segment 2: I420 (YV12) 64x32, interval 10 ms, offset 3072, 3 frames"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("segment 3: YUYV (YUYV) 48x16, interval 20 ms, offset 12288, 2 frames"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("frames:   7"), std::string::npos) << info.out;

  auto play = Tool({"play", out, "--speed", "16", "--frames", "7"});
  ASSERT_EQ(play.status, 0) << play.err;
  std::vector<std::string> events;
  std::istringstream lines(play.out);
  for (std::string line; std::getline(lines, line);) events.push_back(line.substr(0, line.find(" at ")));
  std::vector<std::string> sizes, frames;
  for (const auto& e : events) (e.rfind("size", 0) == 0 ? sizes : frames).push_back(e);
  EXPECT_EQ(frames, (std::vector<std::string>{"frame 1", "frame 2", "frame 3", "frame 4", "frame 5", "frame 6",
                                              "frame 7"}))
      << play.out;
  EXPECT_EQ(sizes, (std::vector<std::string>{"size 64x32", "size 48x16"})) << play.out;
}

TEST(FileToolsCli, SpliceRefusals) {
  TempDir dir;
  const std::string a = dir.File("a.yuv"), bare = dir.File("bare.yuv"), out = dir.File("out.yuv");
  Gen(a, "I420", "16x8", 2, true);
  Gen(bare, "I420", "16x8", 2, false);
  auto r = Tool({"splice", "-o", out, a, bare});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvane-tool splice: '" + bare +
                       "' has no parameter trailer; give it one with 'corvane-tool setpara'\n");
  EXPECT_FALSE(std::filesystem::exists(out));
  // setpara gives it one, and the splice goes through.
  ASSERT_EQ(Tool({"setpara", bare, "--format", "I420", "--size", "16x8"}).status, 0);
  ASSERT_EQ(Tool({"splice", "-o", out, a, bare}).status, 0);
  const auto first = ReadBytes(out);
  // An existing OUT is refused without --force and left as it was.
  r = Tool({"splice", "-o", out, bare});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("exists; give --force to replace it"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(out), first);
  // OUT may never be an input, not even with --force.
  r = Tool({"splice", "-o", a, bare, a, "--force"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("would destroy '" + a + "'"), std::string::npos) << r.err;
  EXPECT_EQ(Tool({"splice", "-o", out}).status, 2);
  EXPECT_EQ(Tool({"splice", a}).status, 2);
  ASSERT_EQ(Tool({"splice", "-o", out, bare, "--force"}).status, 0);
  EXPECT_EQ(ReadBytes(out), ReadBytes(bare));
}

std::string FirstLine(const std::vector<uint8_t>& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), uint8_t('\n'));
  return std::string(bytes.begin(), end);
}

// A Y4M file cut is a Y4M file ffmpeg reads as its own trim of the same
// frames (and with --raw, the bare frames of that trim); spliced, its frames
// become one segment of its header's parameters. The output is never the
// input, Y4M or not.
TEST(FileToolsCli, CutAndSpliceOfAY4mFile) {
  if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  const std::string src = dir.File("src.y4m"), out = dir.File("out.y4m"), bare = dir.File("out.yuv");
  const std::string raw = dir.File("raw.yuv"), spliced = dir.File("spliced.yuv");
  const std::string trim = dir.File("trim.yuv"), decoded = dir.File("decoded.yuv");
  const std::string ff = "ffmpeg -nostdin -y -loglevel error ";
  ASSERT_EQ(testsupport::Run({"sh", "-c",
                              ff + "-f lavfi -i testsrc2=size=64x48:rate=30000/1001 -frames:v 8 -pix_fmt yuv422p10le "
                                   "-strict -1 " + src + " && " + ff + "-i " + src +
                                  " -vf trim=start_frame=2:end_frame=6 -pix_fmt yuv422p10le -f rawvideo " + trim})
                .status,
            0);
  auto r = Tool({"cut", src, "--from", "3", "--to", "6", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FirstLine(ReadBytes(out)), FirstLine(ReadBytes(src)));  // the stream header, copied
  ASSERT_EQ(testsupport::Run({"sh", "-c", ff + "-i " + out + " -pix_fmt yuv422p10le -f rawvideo " + decoded}).status, 0);
  const size_t fs = 64 * 48 * 2 * 2;
  EXPECT_EQ(ReadBytes(trim).size(), 4 * fs);
  EXPECT_EQ(ReadBytes(decoded), ReadBytes(trim));
  r = Tool({"cut", src, "--from", "3", "--to", "6", "-o", bare, "--raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(bare), ReadBytes(trim));

  Gen(raw, "I420", "16x8", 2, true, "40");
  r = Tool({"splice", "-o", spliced, raw, out});
  ASSERT_EQ(r.status, 0) << r.err;
  auto info = Tool({"info", spliced});
  EXPECT_NE(info.out.find("segment 2: I210 (I210) 64x48, interval 33 ms, offset 384, 4 frames"), std::string::npos)
      << info.out;
  EXPECT_EQ(Slice(ReadBytes(spliced), 384, 4 * fs), ReadBytes(trim));

  const auto before = ReadBytes(src);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"cut", src, "--from", "1", "--to", "2", "-o", dir.File("./src.y4m"), "--force"},
           {"splice", "-o", src, raw, src, "--force"}}) {
    r = Tool(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_NE(r.err.find("would destroy '"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadBytes(src), before);
  r = Tool({"cut", raw, "--from", "1", "--to", "1", "-o", dir.File("x.yuv"), "--raw"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--raw applies to a Y4M file"), std::string::npos) << r.err;
  r = Tool({"cut", src, "--from", "1", "--to", "1", "-o", dir.File("x.y4m"), "--format", "I420", "--size", "64x48"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("its header gives its format, size and rate"), std::string::npos) << r.err;
}

TEST(FileToolsCli, HelpListsBothCommands) {
  auto r = Tool({"--help"});
  EXPECT_NE(r.out.find("cut FILE --from A --to B -o OUT"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("splice -o OUT IN..."), std::string::npos) << r.out;
  for (const char* cmd : {"cut", "splice"}) {
    r = Tool({cmd, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(std::string("Usage: corvane-tool ") + cmd, 0), 0u) << r.out;
  }
}

}  // namespace
