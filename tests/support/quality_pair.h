// Two clips to measure one against the other: A, six frames of the moving
// pattern (I420, 176x144, no trailer); B, the same with a little noise on
// every sample of frames 1 to 5, an 8x8 block of Y turned over in frame 3 (the
// worst frame by far), and frame 6 untouched (infinite PSNR).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/compare.h"
#include "formats/test_pattern.h"
#include "support/temp_dir.h"

namespace testsupport {

struct QualityPair {
  static constexpr uint32_t kFrames = 6, kWidth = 176, kHeight = 144, kWorstFrame = 3;
  corvane::analysis::CompareInput a, b;
};

// A file without a trailer read with `para`.
inline corvane::analysis::CompareInput PlainInput(const std::string& path, const corvane::YUVPara& para) {
  corvane::analysis::CompareInput in;
  in.path = path;
  in.para = para;
  in.trailer.fileSize = in.trailer.dataSize = std::filesystem::file_size(path);
  in.useSegments = false;
  return in;
}

inline QualityPair WriteQualityPair(const TempDir& dir) {
  using P = QualityPair;
  const corvane::YUVPara para = corvane::MakePara(corvane::fmt::YV12, P::kWidth, P::kHeight);
  std::vector<uint8_t> a, b;
  uint32_t seed = 7;
  for (uint32_t n = 0; n < P::kFrames; ++n) {
    std::vector<uint8_t> frame = corvane::MakePatternFrame(para, n);
    a.insert(a.end(), frame.begin(), frame.end());
    if (n + 1 < P::kFrames) {
      for (auto& v : frame) {
        seed = seed * 1664525u + 1013904223u;
        v = uint8_t(std::clamp(int(v) + int((seed >> 24) % 5) - 2, 0, 255));
      }
    }
    if (n + 1 == P::kWorstFrame)
      for (uint32_t y = 40; y < 48; ++y)
        for (uint32_t x = 64; x < 72; ++x) frame[y * P::kWidth + x] = uint8_t(255 - frame[y * P::kWidth + x]);
    b.insert(b.end(), frame.begin(), frame.end());
  }
  WriteBytes(dir.File("a.yuv"), a);
  WriteBytes(dir.File("b.yuv"), b);
  return {PlainInput(dir.File("a.yuv"), para), PlainInput(dir.File("b.yuv"), para)};
}

}  // namespace testsupport
