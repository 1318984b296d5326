// Y4M files through corvane-tool's info, gen, setpara, render, capture and
// play, run as a user would run them.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadBytes;
using testsupport::RunResult;
using testsupport::TempDir;

using testsupport::Tool;

using testsupport::Shell;

const std::string kFfmpeg = "ffmpeg -nostdin -y -loglevel error ";

// gen --y4m writes every format Y4M can hold: ffmpeg decodes it into the
// very bytes of the raw pattern; the others are refused by name.
TEST(Y4mCli, GenWritesThePatternAsY4mInEveryFormatY4mHolds) {
  if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  const std::pair<const char*, const char*> formats[] = {
      {"I420", "yuv420p"},      {"YV16", "yuv422p"},     {"I444", "yuv444p"},
      {"GRAY", "gray"},         {"I010", "yuv420p10le"}, {"I210", "yuv422p10le"},
      {"I410", "yuv444p10le"},  {"I012", "yuv420p12le"}, {"GRAY10", "gray10le"}};
  for (const auto& [name, pixFmt] : formats) {
    SCOPED_TRACE(name);
    const std::string y4m = dir.File(std::string(name) + ".y4m"), raw = dir.File(std::string(name) + ".yuv");
    const std::vector<std::string> common = {"--format", name, "--size", "34x18", "--frames", "3", "--interval", "20"};
    std::vector<std::string> args = {"gen", y4m, "--y4m"};
    args.insert(args.end(), common.begin(), common.end());
    ASSERT_EQ(Tool(args).status, 0);
    args = {"gen", raw};
    args.insert(args.end(), common.begin(), common.end());
    ASSERT_EQ(Tool(args).status, 0);
    const std::string decoded = dir.File("decoded.yuv");
    const RunResult ff = Shell(kFfmpeg + "-i " + y4m + " -f rawvideo -pix_fmt " + pixFmt + " " + decoded);
    ASSERT_EQ(ff.status, 0) << ff.err;
    EXPECT_EQ(ReadBytes(decoded), ReadBytes(raw));
  }
  const std::string i010 = dir.File("I010.y4m");
  EXPECT_EQ(Tool({"info", i010, "--json"}).out,
            "{\"size\": " + std::to_string(ReadBytes(i010).size()) +
                ", \"container\": \"y4m\", \"trailer\": \"none\", \"frames\": 3, \"segments\": [{\"format\": \"I010\", "
                "\"code\": \"I010\", \"width\": 34, \"height\": 18, \"interval\": 20, \"offset\": 40, \"frames\": 3}], "
                "\"y4m\": {\"header\": \"YUV4MPEG2 W34 H18 F50:1 Ip A1:1 C420p10\", \"sampling\": \"420p10\", "
                "\"rate\": [50, 1], \"interlacing\": \"progressive\", \"pixel_aspect\": [1, 1], \"range\": null, "
                "\"other_tags\": [], \"frame_headers\": \"bare\", \"frame_size\": 1836, \"left_over\": 0}}\n");
  for (const auto& [format, size] : {std::pair{"NV12", "34x18"}, std::pair{"I420", "33x18"}}) {
    const RunResult r = Tool({"gen", dir.File("no.y4m"), "--y4m", "--format", format, "--size", size});
    EXPECT_EQ(r.status, 2) << format;
    EXPECT_NE(r.err.find("Y4M has no sampling for"), std::string::npos) << r.err;
  }
}

// What info says of a file cut short and of a refused header; setpara and
// --format leave a Y4M file alone.
TEST(Y4mCli, InfoSaysWhatIsLeftOverAndWhyAHeaderIsRefused) {
  TempDir dir;
  const std::string clip = dir.File("clip.y4m"), bad = dir.File("bad.y4m");
  ASSERT_EQ(Tool({"gen", clip, "--y4m", "--format", "GRAY", "--size", "16x8", "--frames", "4"}).status, 0);
  std::vector<uint8_t> bytes = ReadBytes(clip);
  bytes.resize(bytes.size() - 100);  // frame 4 loses 100 of its 128 bytes
  testsupport::WriteBytes(clip, bytes);
  RunResult r = Tool({"info", clip});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("kind:     Y4M\nheader:   YUV4MPEG2 W16 H8 F25:1 Ip A1:1 Cmono\nsampling: mono\n"
                       "rate:     25:1 (25.000 fps)\ninterlacing: progressive\npixel aspect: 1:1\n"
                       "range:    not given\nframe headers: FRAME alone\n"
                       "segment 1: GRAY (GRAY) 16x8, interval 40 ms, offset 37, 3 frames\nframes:   3\n"
                       "left over: 34 bytes after the last whole frame (a frame cut short)\n"),
            std::string::npos)
      << r.out;

  r = Tool({"setpara", clip, "--format", "I420", "--size", "16x8"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is a Y4M file: its stream header already gives its format, size and rate"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadBytes(clip), bytes);
  r = Tool({"info", clip, "--format", "I420", "--size", "16x8"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--format, --size and --interval do not apply"), std::string::npos) << r.err;

  testsupport::WriteBytes(bad, std::vector<uint8_t>{'Y', 'U', 'V', '4', 'M', 'P', 'E', 'G', '2', ' ', 'H', '8', '\n'});
  r = Tool({"info", bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvane-tool info: cannot open '" + bad + "': no width W in the stream header\n");
}

std::vector<std::string> FrameLines(const std::string& out) {
  std::vector<std::string> frames;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("frame ", 0) == 0) frames.push_back(line.substr(0, line.find(" at ")));
  return frames;
}

// render, capture and play read a Y4M file as its raw twin (ffmpeg's decode
// of it): the same pictures, the header's full range taken as --range full.
TEST(Y4mCli, RenderCaptureAndPlayReadAY4mAsItsRawTwin) {
  if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  const std::string y4m = dir.File("a.y4m"), raw = dir.File("a.yuv");
  const RunResult ff = Shell(kFfmpeg + "-f lavfi -i testsrc2=size=64x48:rate=24 -frames:v 6 -pix_fmt yuv420p "
                                       "-color_range pc " + y4m + " && " + kFfmpeg + "-i " + y4m +
                             " -f rawvideo -pix_fmt yuv420p " + raw);
  ASSERT_EQ(ff.status, 0) << ff.err;
  ASSERT_NE(Tool({"info", y4m}).out.find("range:    full"), std::string::npos);
  const std::vector<std::string> twin = {"--format", "I420", "--size", "64x48", "--range", "full"};
  auto withTwin = [&](std::vector<std::string> args) {
    args.insert(args.end(), twin.begin(), twin.end());
    return args;
  };
  const std::string pngs[] = {dir.File("y4m.png"), dir.File("raw.png"), dir.File("limited.png")};
  ASSERT_EQ(Tool({"render", y4m, "--frame", "4", "-o", pngs[0]}).status, 0);
  ASSERT_EQ(Tool(withTwin({"render", raw, "--frame", "4", "-o", pngs[1]})).status, 0);
  ASSERT_EQ(Tool({"render", y4m, "--frame", "4", "-o", pngs[2], "--range", "limited"}).status, 0);
  EXPECT_EQ(ReadBytes(pngs[0]), ReadBytes(pngs[1]));
  EXPECT_NE(ReadBytes(pngs[0]), ReadBytes(pngs[2]));

  const std::string stills[] = {dir.File("y4m-still.png"), dir.File("raw-still.png")};
  ASSERT_EQ(Tool({"capture", y4m, "--frame", "6", "--png", "-o", stills[0]}).status, 0);
  ASSERT_EQ(Tool(withTwin({"capture", raw, "--frame", "6", "--png", "-o", stills[1]})).status, 0);
  EXPECT_EQ(ReadBytes(stills[0]), ReadBytes(stills[1]));

  const RunResult play = Tool({"play", y4m, "--speed", "16", "--seek", "5", "--reverse"});
  ASSERT_EQ(play.status, 0) << play.err;
  EXPECT_EQ(FrameLines(play.out), (std::vector<std::string>{"frame 5", "frame 5", "frame 4", "frame 3", "frame 2",
                                                            "frame 1"}));
}

}  // namespace
