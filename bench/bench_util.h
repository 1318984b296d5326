// Small helpers shared by the benchmarks.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "platform/file.h"

namespace benchutil {

// The file tools' input: `frames` I420 frames of w x h (a few bytes of each
// 4 KiB page differ from frame to frame) with a plain trailer, read once
// afterwards so that every side of a comparison starts from the page cache.
// Aborts when the file cannot be written: a benchmark without its input
// measures nothing.
inline void MakeToolsInput(const std::string& path, uint32_t w, uint32_t h, uint32_t frames) {
  const uint64_t frameSize = uint64_t(w) * h * 3 / 2, dataSize = frameSize * frames;
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kCreate)) std::abort();
  std::vector<uint8_t> frame(frameSize);
  for (uint32_t n = 0; n < frames; ++n) {
    for (size_t i = 0; i < frame.size(); i += 4096) frame[i] = uint8_t(n + i);
    if (file.WriteAt(frame.data(), frame.size(), n * frameSize) != int64_t(frame.size())) std::abort();
  }
  const corvane::YUVPara para = corvane::MakePara(corvane::fmt::YV12, w, h);
  const auto trailer = corvane::EncodeTrailer(std::span(&para, 1));
  if (file.WriteAt(trailer.data(), trailer.size(), dataSize) != int64_t(trailer.size())) std::abort();
  for (uint64_t at = 0; at < dataSize; at += frame.size()) file.ReadAt(frame.data(), frame.size(), at);
}

// The value of `--seconds=S` among the arguments (at least 2), or `fallback`.
inline double SecondsOption(int argc, char** argv, double fallback) {
  double seconds = fallback;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--seconds=", 0) == 0) seconds = std::max(2.0, std::atof(argv[i] + 10));
  return seconds;
}

// CPU time of the whole process (user + system) in seconds.
inline double ProcessCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + 1e-6 * double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

}  // namespace benchutil
