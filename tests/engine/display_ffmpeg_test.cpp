// An outside check: clips that ffmpeg makes from its testsrc2 pattern in ten
// pixel formats, drawn at 100 % through a surface of the frame's own format,
// against ffmpeg's own conversion of the same frame to BGRA.
//
// Threshold: mean absolute difference per channel under 2 levels, and no
// more than 2 % of channel values off by more than 24. Both sides read
// BT.601 limited range, but their fixed-point YUV->RGB arithmetic rounds
// differently (about 0.7 levels on average here); at the pattern's sharp
// colour edges chroma siting and filtering differ too (ffmpeg's NV12 input
// path interpolates chroma where libyuv repeats each sample), which moves
// under 1 % of values by tens of levels and lifts NV12 to about 1.3.
// RGB clips agree exactly. A wrong matrix, range, plane order or chroma swap
// gives 10 and more on average, far above the threshold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/display.h"
#include "formats/result_codes.h"
#include "engine/surface_copy.h"
#include "support/run_tool.h"
#include "support/recording_video_window.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kW = 352, kH = 288;

using testsupport::HaveFfmpeg;

bool RunQuiet(const std::string& cmd) { return std::system((cmd + " > /dev/null 2>&1").c_str()) == 0; }

struct Clip {
  const char* pixFmt;
  YUVType type;
};
const Clip kClips[] = {
    {"yuv420p", YUV_YV12}, {"nv12", YUV_NV12},       {"nv16", YUV_NV16},   {"yuyv422", YUV_YUYV},
    {"yvyu422", YUV_YVYU}, {"uyvy422", YUV_UYVY},    {"yuv422p", YUV_YV16}, {"bgra", YUV_RGB32},
    {"bgr24", YUV_RGB24},  {"rgb565le", YUV_RGB565},
};

// Draws a frame at 100 % and returns the client area.
Bytes Render(const Bytes& frame, YUVType type, YUVType* surfaceUsed) {
  testsupport::RecordingVideoWindow wnd{int32_t(kW), int32_t(kH)};
  Display display;
  EXPECT_EQ(display.Attach(&wnd), kOk);
  const FrameInfo info{kW, kH, type};
  EXPECT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  Display::SurfaceState st;
  EXPECT_TRUE(display.GetSurfaceState(&st));
  if (surfaceUsed) *surfaceUsed = st.format;
  return wnd.Canvas();
}

class FfmpegClips : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  }
  // The clip in pixFmt and ffmpeg's BGRA conversion of that same clip.
  void Make(const char* pixFmt, Bytes* clip, Bytes* reference) {
    const std::string raw = m_dir.File(std::string(pixFmt) + ".yuv");
    const std::string ref = m_dir.File(std::string(pixFmt) + ".bgra");
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f lavfi -i testsrc2=size=352x288 -frames:v 1 -pix_fmt " +
                    std::string(pixFmt) + " -f rawvideo " + raw));
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f rawvideo -pix_fmt " + std::string(pixFmt) +
                    " -s 352x288 -i " + raw + " -pix_fmt bgra -f rawvideo " + ref));
    *clip = testsupport::ReadBytes(raw);
    *reference = testsupport::ReadBytes(ref);
  }
  testsupport::TempDir m_dir;
};

TEST_F(FfmpegClips, EachFormatOnItsOwnSurfaceMatchesFfmpegsConversion) {
  for (const Clip& c : kClips) {
    SCOPED_TRACE(c.pixFmt);
    Bytes clip, ref;
    if (c.type == YUV_NV16) {
      // This ffmpeg reads and writes no nv16; its yuv422p clip holds the
      // same samples, which only need interleaving.
      Bytes planar;
      Make("yuv422p", &planar, &ref);
      const size_t luma = size_t(kW) * kH, chroma = luma / 2;
      clip.assign(planar.begin(), planar.begin() + long(luma));
      for (size_t i = 0; i < chroma; ++i) {
        clip.push_back(planar[luma + i]);
        clip.push_back(planar[luma + chroma + i]);
      }
    } else {
      Make(c.pixFmt, &clip, &ref);
    }
    ASSERT_EQ(clip.size(), FrameBytes({kW, kH, c.type}));
    ASSERT_EQ(ref.size(), size_t(kW) * kH * 4);
    YUVType used = YUV_NONE;
    const Bytes ours = Render(clip, c.type, &used);
    EXPECT_EQ(used, c.type);
    double sum = 0;
    size_t far = 0, n = 0;
    int worst = 0;
    for (size_t i = 0; i < ours.size(); i += 4)
      for (int ch = 0; ch < 3; ++ch) {
        const int d = std::abs(int(ours[i + ch]) - int(ref[i + ch]));
        sum += d;
        far += d > 24;
        worst = std::max(worst, d);
        ++n;
      }
    if (c.type >= YUV_RGB32 && c.type <= YUV_RGB555) {
      EXPECT_EQ(worst, 0) << "RGB is copied, not converted";
    }
    const double mad = sum / double(n);
    RecordProperty(std::string("mad_") + c.pixFmt, std::to_string(mad));
    std::printf("%-9s mean abs diff %.3f, over 24: %.2f %%\n", c.pixFmt, mad, 100.0 * double(far) / double(n));
    EXPECT_LT(mad, 2.0);
    EXPECT_LT(double(far) / double(n), 0.02);
  }
}

TEST_F(FfmpegClips, FallbacksShowTheSamePicture) {
  // YVYU through a YUY2 surface shows the same colours as on its own surface.
  Bytes clip, ref;
  Make("yvyu422", &clip, &ref);
  const Bytes own = Render(clip, YUV_YVYU, nullptr);
  {
    const uint32_t old = SurfaceDevice::Instance().NativeFormats();
    SurfaceDevice::Instance().SetNativeFormats(old & ~(1u << YUV_YVYU));
    YUVType used;
    const Bytes viaYUY2 = Render(clip, YUV_YVYU, &used);
    SurfaceDevice::Instance().SetNativeFormats(old);
    EXPECT_EQ(used, YUV_YUYV);
    EXPECT_EQ(viaYUY2, own);
  }
  // RGB24 through a 32-bit surface is drawn upside down, exactly.
  Make("bgr24", &clip, &ref);
  const Bytes own24 = Render(clip, YUV_RGB24, nullptr);
  const uint32_t old = SurfaceDevice::Instance().NativeFormats();
  SurfaceDevice::Instance().SetNativeFormats(old & ~(1u << YUV_RGB24));
  YUVType used;
  const Bytes via32 = Render(clip, YUV_RGB24, &used);
  SurfaceDevice::Instance().SetNativeFormats(old);
  EXPECT_EQ(used, YUV_RGB32);
  const size_t row = size_t(kW) * 4;
  for (uint32_t y = 0; y < kH; ++y)
    ASSERT_EQ(0, std::memcmp(&via32[row * y], &own24[row * (kH - 1 - y)], row)) << "row " << y;
}

// Shrunk pictures against ffmpeg's bilinear scale of the same frame, at the
// ratios the device shrinks row by row (3:2, 2:1, 3:1) and at one it leaves
// to libyuv's general scaler (500x400). ffmpeg's "bilinear" widens its tent
// with the ratio (at 3:1 a tent six inputs wide) where ours blends two inputs
// at 3:2 and averages a box at 2:1 and 3:1, so the pattern's sharp edges and
// its fine text come out differently. Measured: mean absolute difference
// 1.3 to 2.4 levels, 0.9 to 2.6 % of values over 24, libyuv's general path
// 2.1 and 2.3 % on the same pattern. Thresholds: mean under 3 levels and
// under 5 % over 24: a little above what the general scaler gives, and far
// under the 10 and more of a crossed plane order or chroma swap (above).
TEST_F(FfmpegClips, ShrunkPicturesMatchFfmpegsBilinearScale) {
  struct Case {
    const char* pixFmt;
    YUVType type;
    uint32_t w, h;
  };
  const Case cases[] = {{"yuv420p", YUV_YV12, 528, 432}, {"yuv420p", YUV_YV12, 1056, 864},
                        {"yuv420p", YUV_YV12, 704, 576}, {"nv12", YUV_NV12, 528, 432},
                        {"yuyv422", YUV_YUYV, 528, 432}, {"uyvy422", YUV_UYVY, 1056, 864},
                        {"yuv422p", YUV_YV16, 704, 576}, {"yuv420p", YUV_YV12, 500, 400},
                        // 16-bit samples scaled by libyuv's 16-bit scalers.
                        {"yuv420p10le", YUV_I010, 704, 576}, {"p010le", YUV_P010, 528, 432},
                        {"yuv422p10le", YUV_I210, 500, 400}};
  for (const Case& c : cases) {
    const std::string tag = std::string(c.pixFmt) + "_" + std::to_string(c.w) + "x" + std::to_string(c.h);
    SCOPED_TRACE(tag);
    const std::string size = std::to_string(c.w) + "x" + std::to_string(c.h);
    const std::string raw = m_dir.File(tag + ".yuv"), ref = m_dir.File(tag + ".bgra");
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f lavfi -i testsrc2=size=" + size + " -frames:v 1 -pix_fmt " +
                         c.pixFmt + " -f rawvideo " + raw));
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f rawvideo -pix_fmt " + std::string(c.pixFmt) + " -s " + size +
                         " -i " + raw + " -vf scale=352:288:flags=bilinear -pix_fmt bgra -f rawvideo " + ref));
    const Bytes clip = testsupport::ReadBytes(raw), want = testsupport::ReadBytes(ref);
    ASSERT_EQ(clip.size(), FrameBytes({c.w, c.h, c.type}));
    ASSERT_EQ(want.size(), size_t(kW) * kH * 4);
    testsupport::RecordingVideoWindow wnd{int32_t(kW), int32_t(kH)};
    Display display;
    ASSERT_EQ(display.Attach(&wnd), kOk);
    const FrameInfo info{c.w, c.h, c.type};
    ASSERT_EQ(display.Draw(clip.data(), uint32_t(clip.size()), &info), kOk);
    const Bytes ours = wnd.Canvas();
    ASSERT_EQ(ours.size(), want.size());
    double sum = 0;
    size_t far = 0, n = 0;
    for (size_t i = 0; i < ours.size(); i += 4)
      for (int ch = 0; ch < 3; ++ch) {
        const int d = std::abs(int(ours[i + ch]) - int(want[i + ch]));
        sum += d;
        far += d > 24;
        ++n;
      }
    const double mad = sum / double(n);
    std::printf("%-20s scaled to 352x288: mean abs diff %.3f, over 24: %.2f %%\n", tag.c_str(), mad,
                100.0 * double(far) / double(n));
    EXPECT_LT(mad, 3.0);
    EXPECT_LT(double(far) / double(n), 0.05);
  }
}

// Every YUV format, drawn at 100 % in every colour space, against ffmpeg's
// conversion of the same samples with the same matrix and range. The clip is
// packed here from a planar testsrc2 frame (v210 by ffmpeg's encoder, which
// is lossless from 10-bit 4:2:2); the reference is that frame with each
// chroma sample repeated over the pixels it covers (the display's reading)
// as 4:4:4, so ffmpeg does no chroma resampling and only its matrix is
// compared. Held to the largest error, not a mean: one level (ffmpeg reads
// 10-bit full range as 8-bit codes times four where the standard divides by
// 1023; that is a fraction of a level). A U->B factor held at BT.601's gave
// 12 levels on the blue bar at BT.709 and 15 at BT.2020.
TEST_F(FfmpegClips, EveryYuvFormatIsWithinOneLevelOfFfmpegInEveryColourSpace) {
  enum class Pack { kAsIs, kNV12, kNV21, kNV16, kYUYV, kYVYU, kUYVY, kP01x, kV210 };
  struct Case {
    const char* src;  // ffmpeg's planar format of the samples
    YUVType type;
    Pack pack;
    int depth, dx, dy;  // chroma subsampling; dx 0: grey
  };
  const Case cases[] = {
      {"yuv420p", YUV_YV12, Pack::kAsIs, 8, 2, 2},       {"yuv420p", YUV_NV12, Pack::kNV12, 8, 2, 2},
      {"yuv420p", YUV_NV21, Pack::kNV21, 8, 2, 2},       {"yuv422p", YUV_YV16, Pack::kAsIs, 8, 2, 1},
      {"yuv422p", YUV_NV16, Pack::kNV16, 8, 2, 1},       {"yuv422p", YUV_YUYV, Pack::kYUYV, 8, 2, 1},
      {"yuv422p", YUV_YVYU, Pack::kYVYU, 8, 2, 1},       {"yuv422p", YUV_UYVY, Pack::kUYVY, 8, 2, 1},
      {"yuv444p", YUV_I444, Pack::kAsIs, 8, 1, 1},       {"gray", YUV_GRAY, Pack::kAsIs, 8, 0, 0},
      {"yuv420p10le", YUV_I010, Pack::kAsIs, 10, 2, 2},  {"yuv420p10le", YUV_P010, Pack::kP01x, 10, 2, 2},
      {"yuv420p10le", YUV_P016, Pack::kP01x, 10, 2, 2},  {"yuv422p10le", YUV_I210, Pack::kAsIs, 10, 2, 1},
      {"yuv422p10le", YUV_V210, Pack::kV210, 10, 2, 1},  {"yuv444p10le", YUV_I410, Pack::kAsIs, 10, 1, 1},
      {"gray10le", YUV_GRAY10, Pack::kAsIs, 10, 0, 0},   {"yuv420p12le", YUV_I012, Pack::kAsIs, 12, 2, 2},
  };
  const char* matrices[] = {"bt601", "bt709", "bt2020"};
  const char* ranges[] = {"tv", "pc"};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.src) + " as format " + std::to_string(c.type));
    const std::string srcRaw = m_dir.File(std::string("src_") + c.src + ".raw");
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f lavfi -i testsrc2=size=352x288 -frames:v 1 -pix_fmt " +
                         std::string(c.src) + " -f rawvideo " + srcRaw));
    const Bytes planar = testsupport::ReadBytes(srcRaw);
    const int bps = c.depth > 8 ? 2 : 1;
    const size_t cw = c.dx ? kW / c.dx : 0, ch = c.dy ? kH / c.dy : 0, luma = size_t(kW) * kH;
    ASSERT_EQ(planar.size(), (luma + 2 * cw * ch) * bps);
    // v210 cannot hold the codes 0-3 and 1020-1023; ffmpeg's encoder clamps them.
    auto sample = [&](size_t i) {
      const int v = bps == 1 ? planar[i] : planar[2 * i] | planar[2 * i + 1] << 8;
      return c.pack == Pack::kV210 ? std::clamp(v, 4, 1019) : v;
    };
    auto Y = [&](size_t x, size_t y) { return sample(y * kW + x); };
    auto U = [&](size_t x, size_t y) { return c.dx ? sample(luma + y / c.dy * cw + x / c.dx) : 128 << (c.depth - 8); };
    auto V = [&](size_t x, size_t y) {
      return c.dx ? sample(luma + cw * ch + y / c.dy * cw + x / c.dx) : 128 << (c.depth - 8);
    };
    // The clip in the case's layout.
    Bytes clip;
    auto put8 = [&](int v) { clip.push_back(uint8_t(v)); };
    auto put16 = [&](int v) { clip.push_back(uint8_t(v)), clip.push_back(uint8_t(v >> 8)); };
    switch (c.pack) {
      case Pack::kAsIs: clip = planar; break;
      case Pack::kV210: {
        const std::string raw = m_dir.File("v210.raw");
        ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f rawvideo -pix_fmt yuv422p10le -s 352x288 -i " + srcRaw +
                             " -c:v v210 -f rawvideo " + raw));
        clip = testsupport::ReadBytes(raw);
        break;
      }
      case Pack::kP01x:  // samples at the top of each word, U and V interleaved
        for (size_t i = 0; i < luma; ++i) put16(sample(i) << 6);
        for (size_t y = 0; y < ch; ++y)
          for (size_t x = 0; x < kW; x += 2) put16(U(x, 2 * y) << 6), put16(V(x, 2 * y) << 6);
        break;
      case Pack::kNV12:
      case Pack::kNV21:
      case Pack::kNV16:
        clip.assign(planar.begin(), planar.begin() + long(luma));
        for (size_t y = 0; y < ch; ++y)
          for (size_t x = 0; x < kW; x += 2) {
            const int u = U(x, y * c.dy), v = V(x, y * c.dy);
            c.pack == Pack::kNV21 ? (put8(v), put8(u)) : (put8(u), put8(v));
          }
        break;
      default:  // 4:2:2 pairs
        for (size_t y = 0; y < kH; ++y)
          for (size_t x = 0; x < kW; x += 2) {
            const int y0 = Y(x, y), y1 = Y(x + 1, y), u = U(x, y), v = V(x, y);
            if (c.pack == Pack::kYUYV) put8(y0), put8(u), put8(y1), put8(v);
            if (c.pack == Pack::kYVYU) put8(y0), put8(v), put8(y1), put8(u);
            if (c.pack == Pack::kUYVY) put8(u), put8(y0), put8(v), put8(y1);
          }
        break;
    }
    ASSERT_EQ(clip.size(), FrameBytes({kW, kH, c.type}));
    // The same samples as 4:4:4 at their own depth.
    Bytes full;
    for (int plane = 0; plane < 3; ++plane)
      for (size_t y = 0; y < kH; ++y)
        for (size_t x = 0; x < kW; ++x) {
          const int v = plane == 0 ? Y(x, y) : plane == 1 ? U(x, y) : V(x, y);
          full.push_back(uint8_t(v));
          if (bps == 2) full.push_back(uint8_t(v >> 8));
        }
    const std::string fullRaw = m_dir.File("full.raw"), ref = m_dir.File("ref.bgra");
    testsupport::WriteBytes(fullRaw, full);
    const std::string fullFmt = c.depth == 8 ? "yuv444p" : "yuv444p" + std::to_string(c.depth) + "le";
    for (int m = 0; m < 3; ++m)
      for (int r = 0; r < 2; ++r) {
        SCOPED_TRACE(std::string(matrices[m]) + " " + ranges[r]);
        ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f rawvideo -pix_fmt " + fullFmt + " -s 352x288 -i " + fullRaw +
                             " -vf scale=in_color_matrix=" + matrices[m] + ":in_range=" + ranges[r] +
                             ",format=bgra -f rawvideo " + ref));
        const Bytes want = testsupport::ReadBytes(ref);
        testsupport::RecordingVideoWindow wnd{int32_t(kW), int32_t(kH)};
        Display display;
        ASSERT_EQ(display.Attach(&wnd), kOk);
        display.SetColourSpace({YuvMatrix(m), r ? YuvRange::kFull : YuvRange::kLimited});
        const FrameInfo info{kW, kH, c.type};
        ASSERT_EQ(display.Draw(clip.data(), uint32_t(clip.size()), &info), kOk);
        const Bytes ours = wnd.Canvas();
        ASSERT_EQ(ours.size(), want.size());
        int worst = 0;
        for (size_t i = 0; i < ours.size(); i += 4)
          for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int(ours[i + k]) - int(want[i + k])));
        EXPECT_LE(worst, 1);
      }
  }
}

}  // namespace
}  // namespace corvane
