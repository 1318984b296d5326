// corvane-tool compare against ffmpeg's psnr and ssim filters on clips ffmpeg
// makes (testsrc2 and a noisy copy), 8-bit and deeper (at an odd size too),
// raw and as Y4M files, an H.264 encode against its raw source, over a
// region (ffmpeg's crop on both inputs) and with B shifted by an offset
// (ffmpeg's trim on the shifted input), its
// refusals, and a spliced file read segment by segment.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <sstream>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadBytes;
using testsupport::RunResult;
using testsupport::TempDir;

using testsupport::Tool;

std::string ReadText(const std::string& path) {
  const auto b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

// The text after "] " of the line of ffmpeg's log that starts with `tag`.
std::string FfmpegSummary(const std::string& log, const std::string& tag) {
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find("] " + tag + " ");
    if (at != std::string::npos) return line.substr(at + 2);
  }
  return "(no " + tag + " line)";
}

std::string Line(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) return line;
  return "(no " + prefix + " line)";
}

struct Clip {
  const char* format;  // ours
  const char* pixFmt;  // ffmpeg's name for the same bytes; "v210" is its codec
  const char* size = "352x288";
  // ffmpeg's options before its inputs: "-cpuflags 0" holds it to its plain
  // C code (see the SSIM rows below).
  const char* ffmpegOptions = "";
  // A and B compared as Y4M files (ffmpeg's copies of the raw ones), and A
  // against its raw twin.
  bool y4m = false;
  // --crop W:H:X:Y (ffmpeg's crop=W:H:X:Y on both inputs), none when null.
  const char* crop = nullptr;
  // --offset K: B's frame n + K against A's frame n (ffmpeg: trim=start_frame
  // on B for K > 0, on A for K < 0, pairs up to the shorter's end).
  int offset = 0;
  // B is not A with noise but A encoded (libx264 with B-frames, in MP4):
  // the coded file against its raw source.
  bool coded = false;
};

// What ffmpeg is given before its psnr or ssim filter: "[0:v][1:v]" (B, A)
// with each input cropped and the shifted one trimmed, the filter's own
// options after it (shortest=1 with an offset: without it ffmpeg pairs A's
// last frames with B's last one repeated).
std::string FfmpegInputs(const Clip& c, const std::string& tag) {
  std::string chain, labels;
  for (int input = 0; input < 2; ++input) {
    std::string filters;
    if (c.crop) filters = std::string("crop=") + c.crop;
    const int trim = input == 0 ? c.offset : -c.offset;  // input 0 is B
    if (trim > 0) filters += (filters.empty() ? "" : ",") + std::string("trim=start_frame=") + std::to_string(trim) +
                             ",setpts=PTS-STARTPTS";
    const std::string in = "[" + std::to_string(input) + ":v]";
    if (filters.empty()) {
      labels += in;
    } else {
      const std::string out = "[" + tag + std::to_string(input) + "]";
      chain += in + filters + out + ";";
      labels += out;
    }
  }
  return chain + labels;
}

class CompareWithFfmpeg : public ::testing::TestWithParam<Clip> {
 protected:
  void SetUp() override {
    if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  }
  TempDir m_dir;
};

TEST_P(CompareWithFfmpeg, StatsLinesAndSummariesEqualFfmpegs) {
  const Clip& c = GetParam();
  const std::string a = m_dir.File("a.yuv"), b = m_dir.File("b.yuv"), size = c.size, pixFmt = c.pixFmt;
  const bool v210 = pixFmt == "v210";
  const std::string raw = (v210 ? "-f v210" : "-f rawvideo -pix_fmt " + pixFmt) + " -s " + size;
  const std::string encode = v210 ? "-pix_fmt yuv422p10le -c:v v210" : "-pix_fmt " + pixFmt;
  // testsrc2 makes even sizes only; an odd one is scaled to.
  const std::string scale = size == "352x288" ? "" : " -vf scale=" + size.substr(0, size.find('x')) + ":" +
                                                     size.substr(size.find('x') + 1);
  ASSERT_EQ(testsupport::Run({"sh", "-c",
                              "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=352x288 -frames:v 4" +
                                  scale + " " + encode + " -f rawvideo " + a +
                                  " && ffmpeg -nostdin -y -loglevel error " + raw + " -i " + a +
                                  " -vf noise=alls=24:allf=t " + encode + " -f rawvideo " + b})
                .status,
            0);
  const std::string coded = m_dir.File("b.mp4");
  if (c.coded) {
    ASSERT_EQ(testsupport::Run({"sh", "-c",
                                "ffmpeg -nostdin -y -loglevel error " + raw + " -i " + a +
                                    " -c:v libx264 -bf 3 -crf 32 " + coded})
                  .status,
              0);
  }
  // ffmpeg's order: the file under test first, the reference second.
  const RunResult ff = testsupport::Run(
      {"sh", "-c",
       "ffmpeg -nostdin -hide_banner " + std::string(c.ffmpegOptions) + " " + (c.coded ? "-i " + coded : raw + " -i " + b) +
           " " + raw + " -i " + a + " -lavfi \"" + FfmpegInputs(c, "p") + "psnr=stats_file=" + m_dir.File("ff_psnr.txt") +
           (c.offset ? ":shortest=1" : "") + ";" + FfmpegInputs(c, "s") + "ssim=stats_file=" +
           m_dir.File("ff_ssim.txt") + (c.offset ? ":shortest=1" : "") + "\" -f null -"});
  ASSERT_EQ(ff.status, 0) << ff.err;

  // The files compared: the raw ones with their parameters, or their Y4M
  // copies, whose headers give them.
  std::vector<std::string> inputs = {a, b, "--format", c.format, "--size", size};
  if (c.y4m) {
    const std::string ay = m_dir.File("a.y4m"), by = m_dir.File("b.y4m");
    ASSERT_EQ(testsupport::Run({"sh", "-c",
                                "ffmpeg -nostdin -y -loglevel error " + raw + " -i " + a + " -strict -1 " + ay +
                                    " && ffmpeg -nostdin -y -loglevel error " + raw + " -i " + b + " -strict -1 " + by})
                  .status,
              0);
    inputs = {ay, by};
  }
  if (c.coded) inputs = {a, coded, "--format", c.format, "--size", size};  // the shared options are A's
  if (c.crop) {
    std::string crop = c.crop;  // W:H:X:Y as WxH+X+Y
    crop[crop.find(':')] = 'x', crop[crop.find(':')] = '+', crop[crop.find(':')] = '+';
    inputs.insert(inputs.end(), {"--crop", crop});
  }
  if (c.offset) inputs.insert(inputs.end(), {"--offset", std::to_string(c.offset)});
  auto compare = [&](std::vector<std::string> options) {
    std::vector<std::string> args = {"compare"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    args.insert(args.end(), options.begin(), options.end());
    return Tool(args);
  };
  const RunResult psnr = compare({"--psnr", "--stats-file", m_dir.File("psnr.txt")});
  ASSERT_EQ(psnr.status, 0) << psnr.err;
  const RunResult ssim = compare({"--ssim", "--stats-file", "-"});
  ASSERT_EQ(ssim.status, 0) << ssim.err;

  EXPECT_EQ(ReadText(m_dir.File("psnr.txt")), ReadText(m_dir.File("ff_psnr.txt")));
  const std::string ffSsim = ReadText(m_dir.File("ff_ssim.txt"));
  EXPECT_EQ(ssim.out.substr(0, ffSsim.size()), ffSsim);  // the stats lines come first on standard output
  EXPECT_EQ(Line(psnr.out, "PSNR "), FfmpegSummary(ff.err, "PSNR"));
  EXPECT_EQ(Line(ssim.out, "SSIM "), FfmpegSummary(ff.err, "SSIM"));
  const std::string planes = c.format == std::string("RGB24") || c.format == std::string("RGB565") ? "RGB" : pixFmt.rfind("gray", 0) == 0 ? "Y" : "YUV";
  // The first difference in the whole frame's coordinates and A's numbers
  // (an encode's lies where x264 put it).
  unsigned cropWidth = 0, cropHeight = 0, cropX = 0, cropY = 0;
  if (c.crop) {
    ASSERT_EQ(std::sscanf(c.crop, "%u:%u:%u:%u", &cropWidth, &cropHeight, &cropX, &cropY), 4);
  }
  if (!c.coded) {
    EXPECT_EQ(Line(psnr.out, "first difference"), "first difference: frame " + std::to_string(c.offset < 0 ? 1 - c.offset : 1) +
                                                      ", plane " + planes.substr(0, 1) + ", x " + std::to_string(cropX) +
                                                      ", y " + std::to_string(cropY));
  }

  // A file against itself (a Y4M file against its raw twin): inf and 1, in
  // ffmpeg's words (grey names Y alone).
  const RunResult same = Tool({"compare", c.y4m ? inputs[0] : a, a, "--format", c.format, "--size", size});
  ASSERT_EQ(same.status, 0) << same.err;
  std::string psnrSame = "PSNR", ssimSame = "SSIM";
  for (char p : planes) {
    psnrSame += std::string(" ") + char(std::tolower(p)) + ":inf";
    ssimSame += std::string(" ") + p + ":1.000000 (inf)";
  }
  EXPECT_EQ(same.out, psnrSame + " average:inf min:inf max:inf\n" + ssimSame +
                          " All:1.000000 (inf)\nframes: 4 compared from 1\n"
                          "no difference: the compared frames are identical\n");
}

// The Y4M rows keep to even sizes: ffmpeg 5.1's Y4M writer gives the chroma
// rows of a 16-bit format at an odd width half a sample too few bytes
// (351-wide yuv420p10le: 351 bytes, not 352), so neither its reader nor ours
// finds the second frame's header where the layout puts it.
//
// Deeper samples: 10 bits at an odd size (chroma rounded up), 12 bits, grey,
// P010 (which ffmpeg compares as 16-bit planes) and v210 (10-bit 4:2:2 with a
// partial group of 6 pixels at the end of each row). RGB565 as the gbrp
// planes ffmpeg's filters are given.
//
// SSIM where a plane's count of 8x8 windows per row (width / 4 - 1) is 1
// mod 4: the 360-wide chroma of 720-wide video (89 windows) and the 168-wide
// chroma of 336-wide video (41). There ffmpeg 5.1's SIMD SSIM sums a row
// differently from its own C code, whose figures are the definition's and
// Corvane's; so ffmpeg runs with -cpuflags 0 there.
INSTANTIATE_TEST_SUITE_P(Formats, CompareWithFfmpeg,
                         ::testing::Values(Clip{"I420", "yuv420p"}, Clip{"NV12", "nv12"}, Clip{"YUYV", "yuyv422"},
                                           Clip{"YV16", "yuv422p"}, Clip{"RGB24", "bgr24"}, Clip{"NV21", "nv21"},
                                           Clip{"I010", "yuv420p10le", "351x287"}, Clip{"I012", "yuv420p12le"},
                                           Clip{"GRAY10", "gray10le"}, Clip{"P010", "p010le"},
                                           Clip{"V210", "v210"}, Clip{"RGB565", "rgb565le"},
                                           Clip{"I420", "yuv420p", "720x96", "-cpuflags 0"},
                                           Clip{"I420", "yuv420p", "336x240", "-cpuflags 0"},
                                           Clip{"I420", "yuv420p", "352x288", "", true},
                                           Clip{"I010", "yuv420p10le", "352x288", "", true},
                                           Clip{"GRAY", "gray", "352x288", "", true},
                                           // Regions and offsets: chroma halved both ways, across only, not at
                                           // all (widths whose window counts keep clear of ffmpeg's SIMD SSIM
                                           // difference); a region whose chroma has 41 windows a row (its C code).
                                           Clip{"I420", "yuv420p", "352x288", "", false, "96:64:32:18"},
                                           Clip{"YUYV", "yuyv422", "352x288", "", false, "100:61:6:7"},
                                           Clip{"RGB24", "bgr24", "352x288", "", false, "45:33:5:9"},
                                           Clip{"I420", "yuv420p", "352x288", "-cpuflags 0", false, "336:64:0:2"},
                                           Clip{"I420", "yuv420p", "352x288", "", false, nullptr, 2},
                                           Clip{"I010", "yuv420p10le", "352x288", "", true, "64:48:8:8", -1},
                                           Clip{"NV12", "nv12", "352x288", "", false, "192:100:150:188", 1},
                                           Clip{"I420", "yuv420p", "352x288", "", false, nullptr, 0, true}),
                         [](const auto& info) {
                           std::string name = info.param.format;
                           if (std::string(info.param.size) != "352x288") name += std::string("_") + info.param.size;
                           if (info.param.crop) name += "_crop";
                           if (info.param.offset) name += "_offset" + std::string(info.param.offset < 0 ? "m" : "") +
                                                          std::to_string(std::abs(info.param.offset));
                           if (info.param.crop && std::string(info.param.crop) == "336:64:0:2") name += "336";
                           return info.param.coded ? name + "_h264" : info.param.y4m ? name + "_y4m" : name;
                         });

void Gen(const std::string& out, const std::string& format, const std::string& size, int frames, bool trailer) {
  std::vector<std::string> args = {"gen", out, "--format", format, "--size", size, "--frames", std::to_string(frames)};
  if (trailer) args.push_back("--trailer");
  const RunResult r = Tool(args);
  ASSERT_EQ(r.status, 0) << r.err;
}

void Concatenate(const std::string& out, const std::vector<std::string>& parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) {
    const auto b = ReadBytes(p);
    all.insert(all.end(), b.begin(), b.end());
  }
  testsupport::WriteBytes(out, all);
}

// A spliced file of an I420 and an NV12 segment reads as the plain I420
// file of the same pictures: every frame identical, the per-frame lines
// those of the plain pair; a segment of another size is refused there.
TEST(CompareCli, SplicedFileAgainstItsPlainSegments) {
  TempDir dir;
  const std::string i420 = dir.File("i420.yuv"), nv12 = dir.File("nv12.yuv"), small = dir.File("small.yuv");
  const std::string spliced = dir.File("spliced.yuv"), plain = dir.File("plain.yuv");
  Gen(i420, "I420", "64x48", 3, true);
  Gen(nv12, "NV12", "64x48", 2, true);
  ASSERT_EQ(Tool({"splice", "-o", spliced, i420, nv12}).status, 0);
  Gen(dir.File("p1.yuv"), "I420", "64x48", 3, false);
  Gen(dir.File("p2.yuv"), "I420", "64x48", 2, false);
  Concatenate(plain, {dir.File("p1.yuv"), dir.File("p2.yuv")});

  RunResult r = Tool({"compare", plain, spliced, "--ref-format", "I420", "--ref-size", "64x48", "--stats-file", "-",
                      "--psnr"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (int n = 1; n <= 5; ++n)
    expected += "n:" + std::to_string(n) +
                " mse_avg:0.00 mse_y:0.00 mse_u:0.00 mse_v:0.00 psnr_avg:inf psnr_y:inf psnr_u:inf psnr_v:inf \n";
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
  EXPECT_NE(r.out.find("no difference"), std::string::npos) << r.out;

  // Frames 4 and 5 of the spliced file against frames 4 and 5 of the plain one.
  r = Tool({"compare", plain, spliced, "--ref-format", "I420", "--ref-size", "64x48", "--from", "4", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("{\"n\": 2, \"frame\": 5, \"mse\": [0.000000, 0.000000, 0.000000]"), std::string::npos)
      << r.out;

  Gen(small, "I420", "32x32", 2, true);
  const std::string mixed = dir.File("mixed.yuv");
  ASSERT_EQ(Tool({"splice", "-o", mixed, i420, small}).status, 0);
  r = Tool({"compare", plain, mixed, "--ref-format", "I420", "--ref-size", "64x48"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "corvane-tool compare: frames of different sizes cannot be compared at frame 4: '" + plain +
                       "' is I420 64x48 (4:2:0), '" + mixed + "' segment 2 is I420 32x32 (4:2:0)\n");
  // The frames before that segment compare.
  r = Tool({"compare", plain, mixed, "--ref-format", "I420", "--ref-size", "64x48", "--frames", "3"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("frames: 3 compared from 1, 2 more in A not compared, 2 more in B not compared"),
            std::string::npos)
      << r.out;

  // A 10-bit segment after an 8-bit one of an odd frame size (841 bytes)
  // starts at an odd offset; its frames read as those of a plain file.
  const std::string odd = dir.File("odd.yuv"), deep = dir.File("deep.yuv"), oddDeep = dir.File("odd_deep.yuv");
  Gen(odd, "I420", "33x17", 1, true);
  Gen(deep, "I010", "33x17", 2, true);
  ASSERT_EQ(Tool({"splice", "-o", oddDeep, odd, deep}).status, 0);
  Gen(dir.File("d1.yuv"), "I010", "33x17", 1, false);
  Gen(dir.File("d2.yuv"), "I010", "33x17", 2, false);
  Concatenate(dir.File("deep_plain.yuv"), {dir.File("d1.yuv"), dir.File("d2.yuv")});
  r = Tool({"compare", oddDeep, dir.File("deep_plain.yuv"), "--format", "I010", "--size", "33x17", "--from", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("PSNR y:inf u:inf v:inf"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("frames: 2 compared from 2\nno difference"), std::string::npos) << r.out;
}

TEST(CompareCli, Refusals) {
  TempDir dir;
  const std::string a = dir.File("a.yuv"), big = dir.File("big.yuv"), yuyv = dir.File("yuyv.yuv");
  const std::string tiny = dir.File("tiny.yuv"), damaged = dir.File("damaged.yuv"), stats = dir.File("stats.txt");
  Gen(a, "I420", "32x16", 3, true);
  Gen(big, "I420", "64x16", 2, true);
  Gen(yuyv, "YUYV", "32x16", 2, true);
  const std::string deep = dir.File("i010.yuv"), mixed = dir.File("mixed.yuv");
  Gen(deep, "I010", "32x16", 2, true);
  ASSERT_EQ(Tool({"splice", "-o", mixed, a, deep}).status, 0);
  testsupport::WriteBytes(tiny, std::vector<uint8_t>(100, 16));
  auto bytes = ReadBytes(a);
  bytes[bytes.size() - 8] ^= 0xFF;  // the end record's trailer size no longer fits
  testsupport::WriteBytes(damaged, bytes);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{a, big}, 1,
       "frames of different sizes cannot be compared at frame 1: '" + a + "' is I420 32x16 (4:2:0), '" + big +
           "' is I420 64x16 (4:2:0)"},
      {{a, yuyv}, 1,
       "frames of different chroma sampling cannot be compared at frame 1: '" + a + "' is I420 32x16 (4:2:0), '" +
           yuyv + "' is YUYV 32x16 (4:2:2)"},
      {{a, deep}, 1,
       "frames of different bit depths cannot be compared at frame 1: '" + a + "' is I420 32x16 (4:2:0), '" + deep +
           "' is I010 32x16 (4:2:0, 10-bit)"},
      {{mixed, mixed}, 1,
       "the compared frames change from 8-bit samples in 3 planes to 10-bit samples in 3 planes at frame 4: '" +
           mixed + "' segment 2 is I010 32x16 (4:2:0, 10-bit)"},
      {{a, tiny, "--format", "I420", "--size", "32x16"}, 1, "'" + tiny + "' holds no whole frame of I420 32x16 (4:2:0)"},
      {{a, damaged}, 1, "'" + damaged + "' has a damaged trailer"},
      {{a, dir.File("none.yuv")}, 1, "cannot open"},
      {{a, big, "--ref-size", "64x16"}, 2, "--format and --size go together"},
      {{a, a, "--from", "4"}, 1, "--from is past the last frame of '" + a + "'"},
      {{a, a, "--from", "0"}, 2, "--from counts frames from 1"},
      {{a}, 2, "expected two files"},
      {{a, a, "--json", "--stats-file", "-"}, 2, "both write to standard output"},
      // Regions that do not fit the frames and offsets that leave no pair (a
      // has 3 frames): usage errors, named as given.
      {{a, a, "--crop", "40x16+0+0"}, 2,
       "--crop 40x16+0+0 does not lie inside the frames at frame 1: '" + a + "' is I420 32x16 (4:2:0)"},
      {{a, a, "--crop", "16x8+20+0"}, 2, "--crop 16x8+20+0 does not lie inside the frames"},
      {{a, a, "--crop", "8x8+1+0"}, 2, "--crop 8x8+1+0 cuts chroma samples in two at frame 1"},
      {{a, a, "--crop", "8x7+0+0"}, 2, "--crop 8x7+0+0 cuts chroma samples in two"},
      {{a, a, "--crop", "0x8+0+0"}, 2, "width and height must be positive"},
      {{a, a, "--crop", "8x8"}, 2, "invalid crop '8x8' (expected WxH+X+Y)"},
      {{a, a, "--offset", "3"}, 2,
       "--offset 3 leaves no pair of frames (B's frame n + 3 is compared with A's frame n): '" + a + "' has 3 frames"},
      {{a, a, "--offset", "-3"}, 2, "--offset -3 leaves no pair of frames (B's frame n - 3"},
      {{a, a, "--offset", "1", "--from", "3"}, 2, "--offset 1 leaves no pair of frames"},
      {{a, a, "--offset", "1.5"}, 2, "invalid offset '1.5'"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"compare", "--stats-file", stats};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = Tool(args);
    EXPECT_EQ(r.status, c.status) << c.message << ": " << r.err;
    EXPECT_EQ(r.err.rfind("corvane-tool compare: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.message;
  }
}

}  // namespace
