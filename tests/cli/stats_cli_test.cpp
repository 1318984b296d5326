// corvane-tool stats against ffmpeg's signalstats on clips ffmpeg makes
// (testsrc2, a noisy and a clipped copy) in the layouts the statistics meet
// (planar, semi-planar, packed, 4:4:4, 10-bit, grey, RGB): every line of
// `-vf signalstats,metadata=print:file=-` equal; the CSV and JSON forms and
// --from/--frames carrying the same figures; the refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using testsupport::RunResult;
using testsupport::TempDir;

using testsupport::Tool;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text without the lines that start with `prefix`.
std::string Without(const std::string& text, const std::string& prefix) {
  std::string out;
  for (const std::string& line : Lines(text))
    if (line.rfind(prefix, 0) != 0) out += line + "\n";
  return out;
}

std::string MakeClip(const TempDir& dir, const std::string& pixFmt, const std::string& size, const std::string& filter) {
  const std::string path = dir.File("clip.yuv");
  const RunResult made = testsupport::Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                                           // testsrc2 makes even sizes only; others are scaled to
                                           "testsrc2=size=176x144:rate=25,scale=" + size + "," + filter, "-frames:v", "5",
                                           "-pix_fmt", pixFmt, "-f", "rawvideo", path});
  EXPECT_EQ(made.status, 0) << made.err;
  return path;
}

struct Clip {
  const char* format;  // ours
  const char* pixFmt;  // ffmpeg's name for the same bytes
  const char* filter;  // what makes the clip from testsrc2
  bool extras = true;  // stat=tout+vrep+brng
  const char* size = "176x144";
};

void PrintTo(const Clip& c, std::ostream* os) { *os << c.format << " " << c.size << " " << c.filter << (c.extras ? " +stat" : ""); }

class StatsWithFfmpeg : public ::testing::TestWithParam<Clip> {
 protected:
  void SetUp() override {
    if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  }
  TempDir m_dir;
};

TEST_P(StatsWithFfmpeg, EveryFigureOfEveryFrameEqualsFfmpegs) {
  const Clip& c = GetParam();
  const std::string clip = MakeClip(m_dir, c.pixFmt, c.size, c.filter);
  const RunResult ff = testsupport::Run(
      {"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", c.pixFmt, "-s", c.size, "-i", clip,
       "-vf", std::string("signalstats") + (c.extras ? "=stat=tout+vrep+brng" : "") + ",metadata=print:file=-", "-f",
       "null", "-"});
  ASSERT_EQ(ff.status, 0) << ff.err;
  std::vector<std::string> args{"stats", clip, "--format", c.format, "--size", c.size};
  if (c.extras) args.insert(args.end(), {"--stat", "tout,vrep,brng"});
  const RunResult ours = Tool(args);
  ASSERT_EQ(ours.status, 0) << ours.err;
  ASSERT_EQ(Lines(ff.out).size(), 5u * (c.extras ? 32 : 29));
  if (std::string(c.pixFmt).find("10le") == std::string::npos) {
    EXPECT_EQ(ours.out, ff.out);
  } else {
    // Deep TOUT differs on purpose (ffmpeg tests the samples' low bytes:
    // signal_stats_test); every other line is ffmpeg's.
    EXPECT_EQ(Without(ours.out, "lavfi.signalstats.TOUT="), Without(ff.out, "lavfi.signalstats.TOUT="));
  }
}

constexpr const char* kNoisy = "noise=alls=40:allf=t";
constexpr const char* kClipped = "lutyuv=y=val*1.4:u=val*1.3:v=val*0.6";

INSTANTIATE_TEST_SUITE_P(
    Clips, StatsWithFfmpeg,
    ::testing::Values(Clip{"I420", "yuv420p", "null"}, Clip{"I420", "yuv420p", kNoisy},
                      Clip{"I420", "yuv420p", kClipped}, Clip{"I420", "yuv420p", kNoisy, false},
                      Clip{"NV12", "nv12", kNoisy}, Clip{"NV12", "nv12", kClipped},
                      Clip{"YUYV", "yuyv422", kNoisy}, Clip{"YUYV", "yuyv422", kClipped},
                      Clip{"I444", "yuv444p", kNoisy}, Clip{"I444", "yuv444p", kClipped, true, "97x55"},
                      Clip{"I010", "yuv420p10le", kNoisy}, Clip{"I010", "yuv420p10le", kClipped, true, "97x55"},
                      Clip{"I010", "yuv420p10le", "null", false},
                      Clip{"GRAY", "gray", kNoisy}, Clip{"GRAY", "gray", kClipped},
                      Clip{"GRAY10", "gray10le", kNoisy}, Clip{"P010", "p010le", kClipped},
                      Clip{"RGB24", "bgr24", kNoisy}, Clip{"RGB32", "bgr0", kClipped},
                      Clip{"RGB565", "rgb565le", kNoisy}),
    [](const auto& info) {
      std::string name = std::string(info.param.format) + "_" + std::to_string(info.index);
      return name;
    });

// The CSV and JSON forms hold the text's figures; --from N --frames M gives
// frames N.. with the figures they have in the whole run (DIF against the
// frame before), counted from 0 again.
TEST(StatsCommand, FormsAndRangesCarryTheSameFigures) {
  if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  const std::string clip = MakeClip(dir, "yuv420p", "64x48", kNoisy);
  const std::vector<std::string> base{"stats", clip, "--format", "I420", "--size", "64x48", "--stat", "brng,tout"};
  const auto run = [&](std::vector<std::string> more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    const RunResult r = Tool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  // Per frame: the keys and values of the text form.
  std::vector<std::vector<std::pair<std::string, std::string>>> frames;
  for (const std::string& line : Lines(run({}))) {
    if (line.rfind("frame:", 0) == 0) frames.emplace_back();
    else frames.back().emplace_back(line.substr(18, line.find('=') - 18), line.substr(line.find('=') + 1));
  }
  ASSERT_EQ(frames.size(), 5u);
  ASSERT_EQ(frames[0].size(), 30u);  // 28 figures, TOUT and BRNG

  const std::vector<std::string> csv = Lines(run({"--csv"}));
  const std::vector<std::string> json = Lines(run({"--json"}));
  const std::vector<std::string> part = Lines(run({"--csv", "--from", "3", "--frames", "2"}));
  ASSERT_EQ(csv.size(), 6u);
  ASSERT_EQ(json.size(), 7u);  // opening line, five records, closing line
  ASSERT_EQ(part.size(), 3u);
  std::string header = "frame,pts,pts_time";
  for (const auto& [key, value] : frames[0]) header += "," + key;
  EXPECT_EQ(csv[0], header);
  EXPECT_EQ(part[0], header);
  EXPECT_EQ(json[0], "{\"file\": \"" + clip + "\", \"frames\": [");
  EXPECT_EQ(json[6], "]}");
  for (size_t n = 0; n < 5; ++n) {
    char time[16];
    std::snprintf(time, sizeof time, "%g", 0.04 * double(n));
    std::string row = std::to_string(n) + "," + time, record = "{\"frame\": " + std::to_string(n) + ", \"pts\": " +
                                                                 std::to_string(n) + ", \"pts_time\": " + time;
    for (const auto& [key, value] : frames[n]) row += "," + value, record += ", \"" + key + "\": " + value;
    EXPECT_EQ(csv[n + 1], std::to_string(n) + "," + row);
    EXPECT_EQ(json[n + 1], "  " + record + "}" + (n < 4 ? "," : ""));
    if (n >= 2 && n < 4) {
      EXPECT_EQ(part[n - 1], std::to_string(n - 2) + "," + row);
    }
  }
}

TEST(StatsCommand, RefusesWhatItCannotMeasure) {
  TempDir dir;
  const std::string rgb = dir.File("frames.raw");
  testsupport::WriteBytes(rgb, std::vector<uint8_t>(16 * 8 * 3 * 2, 7));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases{
      {{"stats", rgb, "--format", "I420", "--size", "16x8", "--from", "20"},
       1,
       "corvane-tool stats: --from is past the last frame of '" + rgb + "'\n"},
      {{"stats", rgb, "--format", "I420", "--size", "16x8", "--stat", "tout,hue"},
       2,
       "corvane-tool stats: --stat takes tout, vrep and brng, separated by commas, not 'hue'\n"
       "Try 'corvane-tool stats --help'.\n"},
      {{"stats", rgb, "--format", "I420", "--size", "16x8", "--json", "--csv"},
       2,
       "corvane-tool stats: --json and --csv cannot be given together\nTry 'corvane-tool stats --help'.\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
