// Frames for the capture tests: uniform, noisy and natural-looking ones, made
// deterministically here, and testsrc2 frames from ffmpeg when it is present.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace capture_test {

struct Lcg {
  uint32_t s;
  explicit Lcg(uint32_t seed) : s(seed) {}
  uint32_t Next() {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
  }
  uint8_t Byte() { return uint8_t(Next()); }
};

inline std::vector<uint8_t> Uniform420(uint32_t w, uint32_t h, uint8_t y, uint8_t u, uint8_t v) {
  const size_t ys = size_t(w) * h, cs = size_t(w / 2) * (h / 2);
  std::vector<uint8_t> f((3 * ys) / 2, 0);
  std::fill(f.begin(), f.begin() + ys, y);
  std::fill(f.begin() + ys, f.begin() + ys + cs, u);
  std::fill(f.begin() + (5 * ys) / 4, f.begin() + (5 * ys) / 4 + cs, v);
  return f;
}

inline std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  Lcg g(seed);
  std::vector<uint8_t> f(n);
  for (auto& b : f) b = g.Byte();
  return f;
}

// A smooth scene with edges and a little grain: gradients, a disc, bars and
// text-like stripes, I420 (planes Y, U, V).
inline std::vector<uint8_t> Natural420(uint32_t w, uint32_t h, uint32_t seed = 1) {
  Lcg g(seed);
  std::vector<uint8_t> f((size_t(w) * h * 3) / 2);
  auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const double fx = double(x) / w, fy = double(y) / h;
      double v = 40 + 150 * fx + 30 * std::sin(fy * 9.0);
      const double dx = fx - 0.6, dy = fy - 0.4;
      if (dx * dx + dy * dy < 0.04) v = 220 - 60 * fy;
      if (fy > 0.75 && (x / 8) % 3 == 0) v = 30;
      v += double(int(g.Next() % 7) - 3);
      f[size_t(y) * w + x] = clamp(v);
    }
  const size_t ys = size_t(w) * h, cw = w / 2, ch = h / 2;
  for (uint32_t y = 0; y < ch; ++y)
    for (uint32_t x = 0; x < cw; ++x) {
      const double fx = double(x) / cw, fy = double(y) / ch;
      f[ys + y * cw + x] = clamp(128 + 60 * std::cos(fx * 5.0) - 20 * fy);
      f[(5 * ys) / 4 + y * cw + x] = clamp(128 + 50 * std::sin(fy * 4.0 + fx));
    }
  return f;
}

// Frame `index` of ffmpeg's testsrc2 as raw I420, or empty without ffmpeg.
inline std::vector<uint8_t> FfmpegTestsrc2(uint32_t w, uint32_t h, int frames = 1) {
  const std::string cmd = "ffmpeg -v error -nostdin -f lavfi -i testsrc2=size=" + std::to_string(w) + "x" +
                          std::to_string(h) + " -pix_fmt yuv420p -frames:v " + std::to_string(frames) +
                          " -f rawvideo - 2>/dev/null";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {};
  std::vector<uint8_t> out;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
  if (pclose(p) != 0) return {};
  return out;
}

inline uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
inline uint16_t Be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

}  // namespace capture_test
