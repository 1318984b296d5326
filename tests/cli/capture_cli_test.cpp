// corvane-tool capture, run as a user would run it: its files must be the
// bytes StillEncoder makes of the same frame, and refusals leave no file.
#include <gtest/gtest.h>

#include <filesystem>

#include "capture/still_encoder.h"
#include "capture/jpeg_encoder.h"
#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "platform/file.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"
#include "../capture/frames.h"

namespace {

using namespace corvane;
using testsupport::ReadBytes;
using testsupport::Run;
using testsupport::TempDir;

using testsupport::Tool;

// `frames` frames back to back, with a plain trailer when `code` is non-zero.
std::string WriteClip(const TempDir& dir, const std::string& name, const std::vector<std::vector<uint8_t>>& frames,
                      uint32_t code, uint32_t w, uint32_t h) {
  std::vector<uint8_t> bytes;
  for (const auto& f : frames) bytes.insert(bytes.end(), f.begin(), f.end());
  if (code) {
    YUVPara p;
    p.tag = kParaTag;
    p.format = code;
    p.width = w;
    p.height = h;
    const auto t = EncodeTrailer(std::vector<YUVPara>{p});
    bytes.insert(bytes.end(), t.begin(), t.end());
  }
  const std::string path = dir.File(name);
  testsupport::WriteBytes(path, bytes);
  return path;
}

std::vector<uint8_t> Expected(bool jpeg, YUVType type, const std::vector<uint8_t>& frame, uint32_t w, uint32_t h,
                              uint32_t quality = 100) {
  StillEncoder img;
  std::vector<uint8_t> out(size_t(JpegWorstCaseSize(w, 2 * h)) + StillEncoder::BmpFileSize(type, w, h));
  uint32_t len = 0;
  int32_t r;
  if (jpeg) {
    img.SetQuality(quality);
    r = img.EncodeJPEG(type, frame.data(), uint32_t(frame.size()), w, h, out.data(), uint32_t(out.size()), &len);
  } else {
    r = img.EncodeBMP(type, frame.data(), uint32_t(frame.size()), w, h, out.data(), uint32_t(out.size()), &len);
  }
  EXPECT_EQ(r, 0);
  out.resize(len);
  return out;
}

// Nothing at OUT and no temporary file beside it.
void ExpectNoOutput(const TempDir& dir) {
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name.ends_with(".yuv")) << "left behind: " << name;
  }
}

}  // namespace

TEST(CaptureCli, FramesFromTheTrailerAsJpegAndBmp) {
  TempDir dir;
  const uint32_t w = 352, h = 288;
  std::vector<std::vector<uint8_t>> frames;
  for (uint32_t i = 0; i < 3; ++i) frames.push_back(capture_test::Natural420(w, h, 10 + i));
  const std::string clip = WriteClip(dir, "clip.yuv", frames, fmt::YV12, w, h);  // "I420": Y, U, V

  auto r = Tool({"capture", clip, "--frame", "2", "--jpeg", "-o", dir.File("f2.jpg")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("f2.jpg")), Expected(true, YUV_YV12, frames[1], w, h));  // quality 100
  EXPECT_NE(r.out.find("f2.jpg"), std::string::npos);

  r = Tool({"capture", clip, "--frame", "3", "--jpeg", "--quality", "50", "--output", dir.File("f3.jpg")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("f3.jpg")), Expected(true, YUV_YV12, frames[2], w, h, 50));

  r = Tool({"capture", clip, "--frame", "1", "--bmp", "-o", dir.File("f1.bmp")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto bmp = ReadBytes(dir.File("f1.bmp"));
  EXPECT_EQ(bmp.size(), 405558u);
  EXPECT_EQ(bmp, Expected(false, YUV_YV12, frames[0], w, h));
}

TEST(CaptureCli, OptionsGiveTheParametersOfAPlainFile) {
  TempDir dir;
  // 704×288 in the player's "YV12" (planes Y, V, U): saved line-doubled.
  const uint32_t w = 704, h = 288;
  const auto frame = capture_test::Natural420(w, h, 5);
  const std::string clip = WriteClip(dir, "field.yuv", {frame, frame}, 0, w, h);
  auto r = Tool({"capture", clip, "--frame", "2", "--jpeg", "-o", dir.File("a.jpg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--format and --size"), std::string::npos) << r.err;
  ExpectNoOutput(dir);

  r = Tool({"capture", clip, "--frame", "2", "--jpeg", "-o", dir.File("a.jpg"), "--format", "YV12", "--size",
            "704x288"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("a.jpg")), Expected(true, YUV_IYUV, frame, w, h));
  r = Tool({"capture", clip, "--frame", "1", "--bmp", "-o", dir.File("a.bmp"), "--format", "YV12", "--size",
            "704x288"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto bmp = ReadBytes(dir.File("a.bmp"));
  EXPECT_EQ(bmp.size(), 1622070u);
  EXPECT_EQ(capture_test::Le32(&bmp[22]), 576u);
}

TEST(CaptureCli, RefusalsLeaveNoFile) {
  TempDir dir;
  const auto nv12 = capture_test::Noise(352 * 288 * 3 / 2, 1);
  const std::string nv = WriteClip(dir, "nv12.yuv", {nv12}, fmt::NV12, 352, 288);
  const auto uyvy = capture_test::Noise(352 * 288 * 2, 2);
  const std::string uy = WriteClip(dir, "uyvy.yuv", {uyvy}, fmt::UYVY, 352, 288);
  const auto i420 = capture_test::Natural420(360, 288);
  const std::string wide = WriteClip(dir, "w360.yuv", {i420}, fmt::YV12, 360, 288);

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"capture", nv, "--frame", "1", "--bmp", "-o", dir.File("x.bmp")}, 1, "as BMP"},
      {{"capture", nv, "--frame", "1", "--jpeg", "-o", dir.File("x.jpg")}, 1, "as JPEG"},
      {{"capture", uy, "--frame", "1", "--jpeg", "-o", dir.File("x.jpg")}, 1, "as JPEG"},
      {{"capture", wide, "--frame", "1", "--jpeg", "-o", dir.File("x.jpg")}, 1, "multiple of 16"},
      {{"capture", uy, "--frame", "2", "--bmp", "-o", dir.File("x.bmp")}, 1, "out of range"},
      {{"capture", uy, "--frame", "0", "--bmp", "-o", dir.File("x.bmp")}, 2, "from 1"},
      {{"capture", uy, "--frame", "1", "--bmp", "--jpeg", "-o", dir.File("x.bmp")}, 2, "one of"},
      {{"capture", uy, "--frame", "1", "--bmp", "--quality", "50", "-o", dir.File("x.bmp")}, 2, "--jpeg only"},
      {{"capture", wide, "--frame", "1", "--jpeg", "--quality", "0", "-o", dir.File("x.jpg")}, 2, "1..100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[2] + " " + c.args[4]);
    const auto r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    ExpectNoOutput(dir);
  }
  // UYVY and the odd width of a 4:2:0 BMP are fine.
  auto r = Tool({"capture", uy, "--frame", "1", "--bmp", "-o", dir.File("u.bmp")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("u.bmp")), Expected(false, YUV_UYVY, uyvy, 352, 288));
  // A failed capture keeps an existing file as it was.
  testsupport::WriteBytes(dir.File("keep.jpg"), {1, 2, 3});
  r = Tool({"capture", uy, "--frame", "1", "--jpeg", "-o", dir.File("keep.jpg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadBytes(dir.File("keep.jpg")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(CaptureCli, SegmentsOfASplicedFile) {
  TempDir dir;
  const std::string demo = dir.File("demo.yuv");
  auto g = Tool({"gen", demo, "--demo"});
  ASSERT_EQ(g.status, 0) << g.err;
  platform::File f;
  ASSERT_EQ(platform::ErrnoOf(f.Open(demo, platform::File::Mode::kRead)), 0);
  const TrailerInfo t = ReadTrailer(f);
  ASSERT_EQ(t.kind, TrailerKind::kSpliced);
  uint32_t first = 1;
  for (size_t i = 0; i < t.segments.size(); ++i) {
    const YUVPara& p = t.records[i];
    YUVType type;
    uint32_t fs;
    ASSERT_TRUE(GetTypeAndFrameSize(&p, &type, &fs));
    const uint32_t n = first + t.segments[i].frameCount - 1;  // the segment's last frame
    std::vector<uint8_t> frame(fs);
    ASSERT_EQ(f.ReadAt(frame.data(), fs, t.segments[i].start + uint64_t(n - first) * fs), int64_t(fs));
    const std::string out = dir.File("s" + std::to_string(i) + ".bmp");
    const auto r = Tool({"capture", demo, "--frame", std::to_string(n), "--bmp", "-o", out});
    const bool capturable = type == YUV_YV12 || type == YUV_IYUV || type == YUV_UYVY || type == YUV_RGB32;
    SCOPED_TRACE(CodeName(p.format));
    if (capturable) {
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(ReadBytes(out), Expected(false, type, frame, p.width, p.height));
    } else {
      EXPECT_EQ(r.status, 1);
      EXPECT_FALSE(std::filesystem::exists(out));
    }
    first += t.segments[i].frameCount;
  }
}

TEST(CaptureCli, FfmpegClip) {
  // A clip that no one here wrote; the synthetic tests above cover the rest
  // when ffmpeg is missing.
  const auto clip = capture_test::FfmpegTestsrc2(320, 240, 3);
  if (clip.size() != 3 * 320 * 240 * 3 / 2) GTEST_SKIP() << "ffmpeg not available";
  TempDir dir;
  const std::string path = dir.File("testsrc2.yuv");
  testsupport::WriteBytes(path, clip);
  const size_t fs = 320 * 240 * 3 / 2;
  const std::vector<uint8_t> frame3(clip.begin() + 2 * fs, clip.end());
  auto r = Tool({"capture", path, "--frame", "3", "--jpeg", "-o", dir.File("t.jpg"), "--format", "I420", "--size",
                 "320x240"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("t.jpg")), Expected(true, YUV_YV12, frame3, 320, 240));
  r = Tool({"capture", path, "--frame", "3", "--bmp", "-o", dir.File("t.bmp"), "--format", "I420", "--size",
            "320x240"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("t.bmp")), Expected(false, YUV_YV12, frame3, 320, 240));
}
