// corvane-tool info, gen and setpara, run as a user would run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using testsupport::Run;
using testsupport::TempDir;

using testsupport::Tool;

TEST(ToolCli, GenThenInfoForEveryFormat) {
  TempDir dir;
  const std::vector<std::string> names = {"I420", "YV12", "NV12", "NV16", "YUYV", "YVYU", "UYVY",
                                          "IUYV", "IYU2", "YV16", "RGB565", "RGB24", "RGB32"};
  for (const auto& name : names) {
    const std::string out = dir.File(name + ".yuv");
    auto gen = Tool({"gen", out, "--format", name, "--size", "33x17", "--frames", "7", "--interval", "25", "--trailer"});
    ASSERT_EQ(gen.status, 0) << name << gen.err;
    const uint32_t code = *corvane::CodeForUserFormatName(name);
    corvane::YUVPara p;
    p.format = code, p.width = 33, p.height = 17;
    corvane::YUVType t;
    uint32_t fs = 0;
    ASSERT_TRUE(corvane::GetTypeAndFrameSize(&p, &t, &fs));
    EXPECT_EQ(std::filesystem::file_size(out), 7ull * fs + 40) << name;
    auto info = Tool({"info", out, "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    const std::string expect = "{\"size\": " + std::to_string(7ull * fs + 40) +
                               ", \"trailer\": \"plain\", \"frames\": 7, \"segments\": [{\"format\": \"" + name +
                               "\", \"code\": \"" + corvane::CodeName(code) +
                               "\", \"width\": 33, \"height\": 17, \"interval\": 25, \"offset\": 0, \"frames\": 7}]}\n";
    EXPECT_EQ(info.out, expect);
  }
  // The frames move: consecutive frames differ.
  auto bytes = testsupport::ReadBytes(dir.File("I420.yuv"));
  const size_t fs = 33 * 17 * 3 / 2;
  EXPECT_NE(std::vector<uint8_t>(bytes.begin(), bytes.begin() + fs),
            std::vector<uint8_t>(bytes.begin() + fs, bytes.begin() + 2 * fs));
}

TEST(ToolCli, DemoIsASplicedFileOfDifferentSegments) {
  TempDir dir;
  const std::string out = dir.File("demo.yuv");
  ASSERT_EQ(Tool({"gen", out, "--demo"}).status, 0);
  auto info = Tool({"info", out});
  ASSERT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("trailer:  spliced (5 segments)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("segment 2: YUYV (YUYV) 320x240, interval 33 ms, offset 7603200, 40 frames"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("frames:   190"), std::string::npos);
  // Refused by setpara with the player's own message, and left unchanged.
  const auto before = testsupport::ReadBytes(out);
  auto set = Tool({"setpara", out, "--format", "I420", "--size", "352x288"});
  EXPECT_EQ(set.status, 1);
  EXPECT_NE(set.err.find("该文件为拼接文件，参数不可设置."), std::string::npos) << set.err;
  EXPECT_EQ(testsupport::ReadBytes(out), before);
}

TEST(ToolCli, SetParaReplacesItsTrailerOnFfmpegClips) {
  TempDir dir;
  const std::string clip = dir.File("x.yuv");
  auto ff = testsupport::Run({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=size=352x288",
                 "-pix_fmt", "nv12", "-frames:v", "30", "-f", "rawvideo", clip});
  ASSERT_EQ(ff.status, 0) << "ffmpeg is needed: " << ff.err;
  const auto original = testsupport::ReadBytes(clip);
  auto info = Tool({"info", clip, "--json"});
  EXPECT_EQ(info.status, 0);
  EXPECT_EQ(info.out, "{\"size\": 4561920, \"trailer\": \"none\", \"frames\": null, \"segments\": []}\n");
  info = Tool({"info", clip, "--format", "NV12", "--size", "352x288"});
  EXPECT_NE(info.out.find("30 frames"), std::string::npos) << info.out;

  ASSERT_EQ(Tool({"setpara", clip, "--format", "NV12", "--size", "352x288", "--interval", "33"}).status, 0);
  ASSERT_EQ(Tool({"setpara", clip, "--format", "YV12", "--size", "352x288", "--interval", "20"}).status, 0);
  auto bytes = testsupport::ReadBytes(clip);
  ASSERT_EQ(bytes.size(), original.size() + 40);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), bytes.begin()));
  info = Tool({"info", clip, "--json"});
  // "YV12" is the list label of the code named IYUV (planes Y, V, U).
  EXPECT_EQ(info.out,
            "{\"size\": 4561960, \"trailer\": \"plain\", \"frames\": 30, \"segments\": [{\"format\": \"YV12\", "
            "\"code\": \"IYUV\", \"width\": 352, \"height\": 288, \"interval\": 20, \"offset\": 0, \"frames\": 30}]}\n");
}

TEST(ToolCli, DamagedTrailersAreReportedNotFatal) {
  TempDir dir;
  const std::string path = dir.File("d.yuv");
  std::vector<uint8_t> bytes(100, 0);
  const uint8_t end[12] = {0, 0, 0, 0x40, 12, 0, 0, 0, 'I', 'P', 'V', 'R'};  // 2^30 records "in" 12 bytes
  bytes.insert(bytes.end(), end, end + 12);
  testsupport::WriteBytes(path, bytes);
  auto info = Tool({"info", path, "--json"});
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("\"trailer\": \"damaged\""), std::string::npos) << info.out;
  info = Tool({"info", path, "--format", "I420", "--size", "4x4"});
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("offset 0, 4 frames"), std::string::npos) << info.out;  // 112 / 24
}

TEST(ToolCli, UsageErrorsAndFailuresHaveTheirOwnStatus) {
  TempDir dir;
  EXPECT_EQ(Tool({}).status, 2);
  auto help = Tool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("info FILE"), std::string::npos);
  // Every format of the table, each name a word of its own, and no more.
  EXPECT_NE(help.out.find("Format names (" + std::to_string(corvane::kUserFormatNames.size()) + "):"),
            std::string::npos)
      << help.out;
  for (const auto& e : corvane::kUserFormatNames) {
    const std::string name(corvane::UserFormatName(e.code));
    EXPECT_TRUE(std::regex_search(help.out, std::regex("[ \\n]" + name + "[,. ]"))) << name << "\n" << help.out;
  }
  EXPECT_NE(help.out.find("YUYV (alias YUY2)"), std::string::npos);
  EXPECT_EQ(Tool({"info", "--help"}).status, 0);
  EXPECT_EQ(Tool({"frobnicate"}).status, 2);
  EXPECT_EQ(Tool({"info"}).status, 2);
  EXPECT_EQ(Tool({"info", "a", "--bogus"}).status, 2);
  EXPECT_EQ(Tool({"gen", dir.File("g.yuv"), "--format", "NOPE", "--size", "8x8"}).status, 2);
  EXPECT_EQ(Tool({"gen", dir.File("g.yuv"), "--format", "I420", "--size", "8by8"}).status, 2);
  EXPECT_EQ(Tool({"gen", dir.File("g.yuv"), "--format", "I420", "--size", "0x8"}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("g.yuv")));
  auto missing = Tool({"info", dir.File("missing.yuv")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(missing.err.empty());
  EXPECT_TRUE(missing.out.empty());
  EXPECT_EQ(Tool({"gen", dir.File("no/such/dir/g.yuv"), "--format", "I420", "--size", "8x8"}).status, 1);
  testsupport::WriteBytes(dir.File("empty.yuv"), {});
  EXPECT_EQ(Tool({"setpara", dir.File("empty.yuv"), "--format", "I420", "--size", "8x8"}).status, 1);
}

}  // namespace

namespace {

TEST(ToolCli, InfoGuessesParametersFromTheName) {
  TempDir dir;
  const std::string named = dir.File("akiyo_nv12_qcif_30fps.yuv");
  testsupport::WriteBytes(named, std::vector<uint8_t>(176 * 144 * 3 / 2 * 2, 16));
  auto r = Tool({"info", named, "--guess"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("guess:    NV12 (NV12), 176x144, 30 fps (interval 33 ms)"), std::string::npos) << r.out;
  r = Tool({"info", named, "--guess", "--json"});
  EXPECT_NE(r.out.find("\"guess\": {\"format\": \"NV12\", \"width\": 176, \"height\": 144, \"fps\": 30, \"interval\": 33}"),
            std::string::npos)
      << r.out;
  const std::string plain = dir.File("clip.yuv");
  testsupport::WriteBytes(plain, std::vector<uint8_t>(100, 16));
  r = Tool({"info", plain, "--guess", "--json"});
  EXPECT_NE(r.out.find("\"guess\": {\"format\": null, \"width\": null"), std::string::npos) << r.out;
}

#ifdef CORVANE_PLAYER
// The player's command line. --help and --version are answered without a
// display (a window would need one: xcb with no DISPLAY makes Qt give up);
// a missing value is a usage error before any window. `timeout` ends a
// player that opened a window after all.
TEST(PlayerCli, HelpVersionAndUsageErrorsOpenNoWindow) {
  TempDir dir;
  const std::string clip = dir.File("a.yuv");
  ASSERT_EQ(Tool({"gen", clip, "--format", "I420", "--size", "16x16", "--frames", "2", "--trailer"}).status, 0);
  auto player = [](std::vector<std::string> args, const char* platform) {
    std::vector<std::string> argv = {"timeout", "20", "env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                     std::string("QT_QPA_PLATFORM=") + platform, CORVANE_PLAYER};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::Run(argv);
  };
  struct Case {
    std::vector<std::string> args;
    const char* platform;
    int status;
    const char* out;  // in standard output
    const char* err;  // in standard error
  };
  const Case cases[] = {
      {{"--help"}, "xcb", 0, "Usage: corvane [FILE [--compare B]", ""},
      {{clip, "--help"}, "xcb", 0, "--version", ""},
      {{"--version"}, "xcb", 0, "corvane " CORVANE_PACKAGE_VERSION "\n", ""},
      {{clip, "--compare"}, "offscreen", 2, "", "corvane: --compare needs the file to compare with"},
      {{clip, "--view"}, "offscreen", 2, "", "corvane: --view needs a view"},
      {{"--compare", clip}, "offscreen", 2, "", "corvane: --compare B needs the file to compare it with"},
      {{clip, "--frobnicate"}, "offscreen", 2, "", "corvane: unknown option '--frobnicate'"},
  };
  for (const Case& c : cases) {
    const auto r = player(c.args, c.platform);
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

#endif  // CORVANE_PLAYER

}  // namespace
