// corvane-tool play: frame sequences and size changes as printed.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

using testsupport::Tool;

// The frame numbers and size changes of `play` output, in order, without times.
std::vector<std::string> Events(const std::string& out) {
  std::vector<std::string> events;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const size_t at = line.find(" at ");
    EXPECT_NE(at, std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 3), " ms") << line;
    events.push_back(line.substr(0, at));
  }
  return events;
}

std::vector<std::string> FrameEvents(std::initializer_list<int> numbers) {
  std::vector<std::string> v;
  for (int n : numbers) v.push_back("frame " + std::to_string(n));
  return v;
}

TEST(PlayCli, PlaysFfmpegClipsForwardsBackwardsAndAroundTheEnd) {
  TempDir dir;
  const std::string clip = dir.File("y.yuv");
  auto ff = testsupport::Run({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                              "testsrc2=size=176x144", "-pix_fmt", "yuyv422", "-frames:v", "12", "-f", "rawvideo", clip});
  ASSERT_EQ(ff.status, 0) << ff.err;
  const std::vector<std::string> params = {"--format", "YUY2", "--size", "176x144", "--speed", "16"};
  auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"play", clip};
    args.insert(args.end(), params.begin(), params.end());
    args.insert(args.end(), extra.begin(), extra.end());
    auto r = Tool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return Events(r.out);
  };
  EXPECT_EQ(run({}), FrameEvents({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(run({"--seek", "10", "--repeat", "--frames", "6"}), FrameEvents({10, 11, 12, 1, 2, 3}));
  // Reversed from frame 4: frame 4 is shown again, then down to 1.
  EXPECT_EQ(run({"--seek", "4", "--reverse"}), FrameEvents({4, 4, 3, 2, 1}));
  EXPECT_EQ(run({"--seek", "2", "--reverse", "--repeat", "--frames", "5"}), FrameEvents({2, 2, 1, 12, 11}));
}

TEST(PlayCli, SplicedDemoReportsEachSizeChangeOnce) {
  TempDir dir;
  const std::string demo = dir.File("demo.yuv");
  ASSERT_EQ(Tool({"gen", demo, "--demo"}).status, 0);
  // Frames 48..53 cross from the 352x288 segment into the 320x240 one.
  auto r = Tool({"play", demo, "--speed", "16", "--seek", "48", "--frames", "6"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Events(r.out), (std::vector<std::string>{"frame 48", "frame 49", "frame 50", "size 320x240", "frame 51",
                                                     "frame 52", "frame 53"}));
}

TEST(PlayCli, RefusesBadOptions) {
  TempDir dir;
  const std::string clip = dir.File("c.yuv");
  ASSERT_EQ(Tool({"gen", clip, "--format", "I420", "--size", "16x16", "--frames", "3", "--trailer"}).status, 0);
  EXPECT_EQ(Tool({"play", clip, "--speed", "3"}).status, 2);
  EXPECT_EQ(Tool({"play", clip, "--seek", "4"}).status, 2);
  EXPECT_EQ(Tool({"play", clip, "--seek", "0"}).status, 2);
  EXPECT_EQ(Tool({"play", dir.File("missing.yuv")}).status, 1);
  testsupport::WriteBytes(dir.File("raw.yuv"), std::vector<uint8_t>(100));
  auto noParams = Tool({"play", dir.File("raw.yuv")});
  EXPECT_EQ(noParams.status, 1);
  EXPECT_NE(noParams.err.find("--format and --size"), std::string::npos);
  auto tooSmall = Tool({"play", dir.File("raw.yuv"), "--format", "I420", "--size", "16x16"});
  EXPECT_EQ(tooSmall.status, 1);
  EXPECT_EQ(Events(Tool({"play", clip, "--speed", "1/16", "--frames", "1"}).out), FrameEvents({1}));
}

}  // namespace

namespace {

// A picture smaller than the display's minimum window still plays: the
// headless window grows to the minimum and the frame is scaled up.
TEST(PlayCli, TinyPicturesPlay) {
  TempDir dir;
  const std::string clip = dir.File("tiny.yuv");
  testsupport::WriteBytes(clip, std::vector<uint8_t>(8 * 4 * 3 * 3, 100));
  auto r = Tool({"play", clip, "--format", "RGB24", "--size", "8x4", "--speed", "16"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Events(r.out), FrameEvents({1, 2, 3}));
}

}  // namespace
