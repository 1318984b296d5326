#include "formats/name_guess.h"

#include <gtest/gtest.h>

#include "formats/yuv_format.h"

namespace corvane {
namespace {

TEST(NameGuess, ReadsRealWorldNames) {
  struct Row {
    const char* name;
    uint32_t format, width, height, fps;  // 0: nothing guessed
  };
  const Row rows[] = {
      {"foreman_cif.yuv", 0, 352, 288, 0},
      {"/data/seq/BasketballDrive_1920x1080_50.yuv", 0, 1920, 1080, 50},
      {"out_nv12_1280x720.yuv", fmt::NV12, 1280, 720, 0},
      {"akiyo_qcif_30fps.yuv", 0, 176, 144, 30},
      {"mobile.qcif", 0, 176, 144, 0},
      {"Kimono1_1920X1080_24.yuv", 0, 1920, 1080, 24},
      {"park_joy_1080p50.yuv", 0, 1920, 1080, 50},
      {"cam_YUY2_640x480_30Hz.raw", fmt::YUYV, 640, 480, 30},
      {"test_i420_352X288.yuv", fmt::YV12, 352, 288, 0},
      {"test_yv12_352x288.yuv", fmt::IYUV, 352, 288, 0},  // YV12 as users mean it: V before U
      {"ffmpeg_yuv422p_4cif.yuv", fmt::YV16, 704, 576, 0},
      {"screen_rgb565_800x600.bin", fmt::RGB2, 800, 600, 0},
      {"foreman352x288.yuv", 0, 352, 288, 0},
      {"720p_uyvy.yuv", fmt::UYVY, 1280, 720, 0},
      // The added formats, by name or by depth and sampling.
      {"Tango2_3840x2160_60fps_10bit_420.yuv", fmt::I010, 3840, 2160, 60},
      {"cross_1920x1080_yuv420p10le.yuv", fmt::I010, 1920, 1080, 0},
      {"hdr_p010_3840x2160.yuv", fmt::P010, 3840, 2160, 0},
      {"ducks_444_10bit_1080p.yuv", fmt::I410, 1920, 1080, 0},
      {"ducks_yuv444_1280x720.yuv", fmt::I444, 1280, 720, 0},
      {"phone_nv21_1280x720_30fps.yuv", fmt::NV21, 1280, 720, 30},
      {"depth_gray_640x480.raw", fmt::GRAY, 640, 480, 0},
      {"decklink_v210_1920x1080_25.yuv", fmt::V210, 1920, 1080, 25},
      {"grade_12bit_1920x1080.yuv", fmt::I012, 1920, 1080, 0},
  };
  for (const Row& r : rows) {
    const NameGuess g = GuessFromFileName(r.name);
    EXPECT_EQ(g.format.value_or(0), r.format) << r.name;
    EXPECT_EQ(g.width.value_or(0), r.width) << r.name;
    EXPECT_EQ(g.height.value_or(0), r.height) << r.name;
    EXPECT_EQ(g.fps.value_or(0), r.fps) << r.name;
  }
  EXPECT_EQ(GuessFromFileName("a_cif_30fps.yuv").frameInterval, 33u);
  EXPECT_EQ(GuessFromFileName("a_cif_25fps.yuv").frameInterval, 40u);
}

TEST(NameGuess, NamesThatSayNothingGuessNothing) {
  for (const char* name : {"video.yuv", "clip_001.yuv", "x264_out.yuv", "my_cifar.yuv", "take2.yuv", "2024_12_07.yuv",
                           "cif/clip.yuv", "", "yuv", "raw_yuv_data.yuv", "frames_9999fps.yuv",
                           "graydient.yuv", "room_4444.yuv", "v2100.yuv", "mix_420.yuv"})
    EXPECT_TRUE(GuessFromFileName(name).Empty()) << name;
}

}  // namespace
}  // namespace corvane
