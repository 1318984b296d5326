// Frame parameters guessed from a file's name, for a file without a trailer:
// "BasketballDrive_1920x1080_50.yuv" says 1920x1080 at 50 frames a second,
// "akiyo_qcif_30fps.yuv" 176x144 at 30, "out_nv12_1280x720.yuv" NV12. A
// guess is only a preselection: the user confirms it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

struct NameGuess {
  std::optional<uint32_t> format;  // format code, fmt::*
  std::optional<uint32_t> width;   // width and height come together
  std::optional<uint32_t> height;
  std::optional<uint32_t> fps;           // frames a second as the name says it
  std::optional<uint32_t> frameInterval;  // ms per frame, rounded: 30 fps gives 33

  bool Empty() const { return !format && !width && !fps; }
};

// Reads the last path component only. Words are the runs of letters and
// digits; case does not matter.
//  - size: "1920x1080" (also inside a word: "foreman352x288"), or a keyword:
//    sqcif, qcif, cif, 4cif, 16cif, vga, 480p, 576p, 720p, 1080p, 2160p, 4k
//    (a "p" keyword may carry a rate: "1080p50");
//  - format: a name the dialogs use (i420, iyuv, yv12, nv12, nv16, yuyv, yuy2,
//    uyvy, yvyu, yv16, iuyv, iyu2, rgb24, rgb32, rgb565, i444, nv21, gray,
//    i010, i210, i410, i012, gray10, p010, p016, v210) or ffmpeg's (yuv420p,
//    yuv422p, yuv420p10le, p010le, gray10le, ...); failing that, a depth and
//    a sampling ("10bit", "12bit", "444", "yuv444": "_444_10bit" is I410,
//    "10bit" alone I010, "444" alone I444);
//  - rate: "25fps", "30hz", or a last word of 1..240 after the size ("_50").
NameGuess GuessFromFileName(std::string_view path);

}  // namespace corvane
