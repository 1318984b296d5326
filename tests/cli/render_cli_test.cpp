// corvane-tool render, run as a user would run it: the PNG it writes (size,
// bars, colours read back by ffmpeg), the surface dump, spliced files and
// the exit statuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::TempDir;

using testsupport::Tool;

using testsupport::HaveFfmpeg;

// Width and height from a PNG's IHDR chunk (big-endian at bytes 16 and 20).
std::pair<uint32_t, uint32_t> PngSize(const Bytes& png) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 24 || !std::equal(sig, sig + 8, png.begin())) return {0, 0};
  auto be = [&](size_t o) { return uint32_t(png[o]) << 24 | uint32_t(png[o + 1]) << 16 | uint32_t(png[o + 2]) << 8 | png[o + 3]; };
  return {be(16), be(20)};
}

// The PNG's pixels as B, G, R, A, decoded by ffmpeg.
Bytes DecodePng(const TempDir& dir, const std::string& png) {
  const std::string raw = dir.File("decoded.bgra");
  if (testsupport::Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-i", png, "-f", "rawvideo", "-pix_fmt",
                        "bgra", raw})
          .status != 0)
    return {};
  return testsupport::ReadBytes(raw);
}

// A frame of YUYV w × h at one luma level and neutral chroma.
Bytes FlatYUYV(uint32_t w, uint32_t h, uint8_t y) {
  Bytes f(size_t(w) * h * 2);
  for (size_t i = 0; i < f.size(); i += 2) f[i] = y, f[i + 1] = 128;
  return f;
}

TEST(RenderCli, WritesTheWholeClientAreaWithBars) {
  TempDir dir;
  const std::string clip = dir.File("flat.yuv"), png = dir.File("out.png");
  testsupport::WriteBytes(clip, FlatYUYV(32, 24, 235));  // white
  auto r = Tool({"render", clip, "--format", "YUYV", "--size", "32x24", "--frame", "1", "-o", png, "--window",
                 "101x24", "--aspect", "4:3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("picture 32x24 at 34,0"), std::string::npos) << r.out;
  EXPECT_EQ(PngSize(testsupport::ReadBytes(png)), (std::pair<uint32_t, uint32_t>{101, 24}));
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed to read the PNG back";
  const Bytes px = DecodePng(dir, png);
  ASSERT_EQ(px.size(), size_t(101) * 24 * 4);
  for (uint32_t y = 0; y < 24; ++y)
    for (uint32_t x = 0; x < 101; ++x) {
      const uint8_t* p = &px[(size_t(y) * 101 + x) * 4];
      const bool picture = x >= 34 && x < 66;  // left bar 34, right bar 35
      ASSERT_EQ(p[3], 255) << x << "," << y;
      ASSERT_EQ(p[1], picture ? 255 : 0) << x << "," << y;
    }
}

TEST(RenderCli, DumpsTheSurfaceAfterFallbackAndComponentView) {
  TempDir dir;
  const std::string clip = dir.File("c.yuv"), png = dir.File("o.png"), dump = dir.File("s.bin");
  // 4×2 YVYU, two frames; frame 2 is drawn through a YUY2 surface.
  Bytes frames{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
               10, 20, 11, 30, 12, 21, 13, 31, 14, 22, 15, 32, 16, 23, 17, 33};
  testsupport::WriteBytes(clip, frames);
  auto r = Tool({"render", clip, "--format", "YVYU", "--size", "4x2", "--frame", "2", "-o", png, "--window", "16x16",
                 "--no-native", "YVYU", "--dump-surface", dump});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("on a YUY2 surface (fallback)"), std::string::npos) << r.out;
  EXPECT_EQ(testsupport::ReadBytes(dump), (Bytes{10, 30, 11, 20, 12, 31, 13, 21, 14, 32, 15, 22, 16, 33, 17, 23}));

  // I420 4×2 with the V view: Y and U become 128, the V plane stays.
  const std::string i420 = dir.File("i.yuv");
  testsupport::WriteBytes(i420, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 40, 41, 50, 51});
  r = Tool({"render", i420, "--format", "I420", "--size", "4x2", "-o", png, "--window", "10x10", "--component", "v",
            "--dump-surface", dump});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("on a IYUV surface (pitch 64)"), std::string::npos) << r.out;
  EXPECT_EQ(testsupport::ReadBytes(dump), (Bytes{128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 50, 51}));
}

TEST(RenderCli, FramesOfASplicedFileTakeTheirSegmentsParameters) {
  TempDir dir;
  const std::string clip = dir.File("spliced.yuv"), png = dir.File("o.png");
  // Segment 1: two 32×24 YUYV frames; segment 2: one 16×12 I420 frame.
  Bytes data = FlatYUYV(32, 24, 16);
  const Bytes second = FlatYUYV(32, 24, 16);
  data.insert(data.end(), second.begin(), second.end());
  const uint64_t seg2 = data.size();
  data.insert(data.end(), 16 * 12, 235);
  data.insert(data.end(), 16 * 12 / 2, 128);
  corvane::YUVPara a = corvane::DefaultPara(), b = corvane::DefaultPara();
  a.format = corvane::fmt::YUYV, a.width = 32, a.height = 24;
  b.format = corvane::fmt::YV12, b.width = 16, b.height = 12;
  b.SetOffset(seg2);
  const std::vector<corvane::YUVPara> records{a, b};
  const Bytes trailer = corvane::EncodeTrailer(records);
  data.insert(data.end(), trailer.begin(), trailer.end());
  testsupport::WriteBytes(clip, data);

  auto r = Tool({"render", clip, "--frame", "3", "-o", png});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("frame 3: 16x12 I420"), std::string::npos) << r.out;
  EXPECT_EQ(PngSize(testsupport::ReadBytes(png)), (std::pair<uint32_t, uint32_t>{16, 12}));
  r = Tool({"render", clip, "--frame", "2", "-o", png});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(PngSize(testsupport::ReadBytes(png)), (std::pair<uint32_t, uint32_t>{32, 24}));
  r = Tool({"render", clip, "--frame", "4", "-o", png});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has 3 frames"), std::string::npos) << r.err;
}

TEST(RenderCli, ExitStatuses) {
  TempDir dir;
  const std::string clip = dir.File("c.yuv"), png = dir.File("o.png");
  testsupport::WriteBytes(clip, FlatYUYV(32, 24, 100));
  const std::vector<std::string> base{"render", clip, "--format", "YUYV", "--size", "32x24"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> a = base;
    a.insert(a.end(), extra.begin(), extra.end());
    return Tool(a);
  };
  EXPECT_EQ(with({}).status, 2);                                            // no -o
  EXPECT_EQ(with({"-o", png, "--aspect", "3:2"}).status, 2);                // unknown aspect
  EXPECT_EQ(with({"-o", png, "--component", "w"}).status, 2);               // unknown component
  EXPECT_EQ(with({"-o", png, "--no-native", "I420"}).status, 2);           // not a surface name
  EXPECT_EQ(with({"-o", png, "--frame", "0"}).status, 2);
  EXPECT_EQ(with({"-o", png, "--window", "12"}).status, 2);
  EXPECT_EQ(Tool({"render", clip, "--format", "YUYV", "-o", png}).status, 2);  // --format without --size
  EXPECT_EQ(with({"-o", png, "--frame", "2"}).status, 1);                   // out of range
  EXPECT_EQ(with({"-o", png, "--no-native", "yuy2"}).status, 1);           // no surface at all
  auto small = with({"-o", png, "--window", "9x200"});
  EXPECT_EQ(small.status, 1);
  EXPECT_NE(small.err.find("too small"), std::string::npos) << small.err;
  EXPECT_EQ(Tool({"render", clip, "-o", png}).status, 1);                   // no trailer, no --format
  EXPECT_EQ(with({"-o", dir.File("missing/dir/o.png")}).status, 1);         // cannot write
  EXPECT_EQ(with({"-o", png}).status, 0);
}

// Without --window the window is the frame's size shrunk to 16384 wide or
// high, keeping its shape (but never under 10 pixels): a frame wider than
// that is drawn, not refused for a window no one asked for. A --window
// beyond the limit is still refused, before the frame is read.
TEST(RenderCli, AFrameWiderThanTheLargestWindowIsDrawnShrunk) {
  TempDir dir;
  const std::string clip = dir.File("wide.yuv"), png = dir.File("o.png");
  testsupport::WriteBytes(clip, FlatYUYV(32768, 64, 100));
  const auto drawn = Tool({"render", clip, "--format", "YUYV", "--size", "32768x64", "-o", png});
  EXPECT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_NE(drawn.out.find("window 16384x32,"), std::string::npos) << drawn.out;
  EXPECT_EQ(PngSize(testsupport::ReadBytes(png)), std::make_pair(16384u, 32u));
  const auto asked = Tool({"render", clip, "--format", "YUYV", "--size", "32768x64", "-o", png, "--window", "16385x64"});
  EXPECT_EQ(asked.status, 2);
  EXPECT_NE(asked.err.find("window larger than 16384x16384"), std::string::npos) << asked.err;
}

}  // namespace

// capture --png: NV12 and YUYV frames that ffmpeg made, against ffmpeg's own
// conversion of the same frame, with the display's threshold
// (display_ffmpeg_test.cpp: the two round BT.601 differently, and siting
// at sharp chroma edges differs): mean under 2 levels, at most 2 % of
// values off by more than 24.
TEST(CaptureCli, PngOfNv12AndYuyvMatchesFfmpegsConversion) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  for (const auto& [pixFmt, name] : {std::pair{"nv12", "NV12"}, std::pair{"yuyv422", "YUYV"}}) {
    SCOPED_TRACE(pixFmt);
    const std::string clip = dir.File(std::string(pixFmt) + ".yuv"), ref = dir.File("ref.bgra");
    ASSERT_EQ(testsupport::Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                                "testsrc2=size=352x288:rate=25", "-frames:v", "3", "-pix_fmt", pixFmt, "-f",
                                "rawvideo", clip})
                  .status,
              0);
    ASSERT_EQ(testsupport::Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt",
                                pixFmt, "-s", "352x288", "-i", clip, "-vf", "select=eq(n\\,1)", "-frames:v", "1",
                                "-f", "rawvideo", "-pix_fmt", "bgra", ref})
                  .status,
              0);
    const std::string png = dir.File("frame2.png");
    const auto r = Tool({"capture", clip, "--frame", "2", "--png", "-o", png, "--format", name, "--size", "352x288"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PngSize(testsupport::ReadBytes(png)), (std::pair<uint32_t, uint32_t>{352, 288}));
    const Bytes ours = DecodePng(dir, png), theirs = testsupport::ReadBytes(ref);
    ASSERT_EQ(ours.size(), size_t(352) * 288 * 4);
    ASSERT_EQ(theirs.size(), ours.size());
    double sum = 0;
    size_t far = 0, values = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
      if (i % 4 == 3) continue;  // alpha
      const int d = std::abs(int(ours[i]) - int(theirs[i]));
      sum += d;
      far += d > 24;
      ++values;
    }
    EXPECT_LT(sum / double(values), 2.0);
    EXPECT_LE(far, values / 50);
  }
}
