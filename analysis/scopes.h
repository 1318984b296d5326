// The scopes of a picture: a histogram of each component, a waveform (per
// column of the picture, how many samples take each code value) and a
// vectorscope (U against V). They read the planes of a frame (planar_frame.h)
// as the window shows it: the component view's hidden planes are neutral,
// and a region narrows them to the visible part of a zoomed view.
//
// Code values are the frame's own: an RGB frame's histogram counts R, G and
// B; its waveform and vectorscope read the Y, U and V that the chosen matrix
// and range give it (as a studio monitor fed the RGB would show it).
//
// Threads: pure functions; the results are plain values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/planar_frame.h"
#include "formats/colour_space.h"

namespace corvane::analysis {

// A part of the picture in luma pixels (x, y of its top left corner).
struct ScopeRegion {
  uint32_t x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const ScopeRegion&, const ScopeRegion&) = default;
};

enum class WaveformMode : uint8_t { kLuma, kParade };

struct ScopeOptions {
  bool histogram = true;
  bool waveform = true;
  bool vectorscope = true;
  WaveformMode waveformMode = WaveformMode::kLuma;
  ColourSpace colour;  // an RGB frame's Y, U and V
  // 0 the whole picture; 1, 2, 3: Y, U or V alone, the others neutral
  // (half the code range), as the display's component view shows them.
  uint32_t component = 0;
  std::optional<ScopeRegion> region;  // none: the whole frame
  uint32_t waveformColumns = 512;     // at most; fewer for a narrower picture
  friend bool operator==(const ScopeOptions&, const ScopeOptions&) = default;
};

// Counts per code value. Up to 10 bits each code has its bin; deeper
// samples share 1024 bins of 2^(depth - 10) codes each.
struct Histogram {
  static constexpr int kMaxBinBits = 10;
  int channels = 0;  // 3, or 1 for grey
  bool rgb = false;  // R, G, B rather than Y, U, V
  int depth = 8;
  int shift = 0;  // code >> shift is the bin
  uint32_t bins = 0;
  std::array<std::vector<uint32_t>, 3> counts;
};

// Per column and code value (8 bits: deeper codes >> (depth - 8)) the
// samples of that column. One plane (luma) or three side by side (parade:
// Y, U, V or R, G, B), each `columns` wide.
struct Waveform {
  static constexpr uint32_t kLevels = 256;
  int planes = 0;
  bool rgb = false;
  int depth = 8;
  uint32_t columns = 0;          // per plane
  std::vector<uint32_t> counts;  // [(plane * columns + column) * kLevels + level]
  uint32_t At(int plane, uint32_t column, uint32_t level) const {
    return counts[(size_t(plane) * columns + column) * kLevels + level];
  }
};

// U (across) against V (up), 8-bit code values (deeper codes >> (depth - 8)).
struct Vectorscope {
  static constexpr uint32_t kSide = 256;
  std::vector<uint32_t> counts;  // [v * kSide + u]; empty for grey
  uint64_t total = 0;
  uint32_t At(uint32_t u, uint32_t v) const { return counts[size_t(v) * kSide + u]; }
};

struct Scopes {
  uint32_t width = 0, height = 0;  // the region measured, luma pixels
  Histogram histogram;
  Waveform waveform;
  Vectorscope vectorscope;
};

// The scopes `options` asks for (the others stay empty).
Scopes ComputeScopes(const PlanarFrame& frame, const ScopeOptions& options);

// `frame` narrowed to `region` (luma pixels, clipped to the frame); the
// chroma planes to the samples that cover it.
PlanarFrame CropPlanar(const PlanarFrame& frame, const ScopeRegion& region);

// The 75 % colour bars (yellow, cyan, green, magenta, red, blue) as U and V
// code values (8-bit) of a matrix and range: the vectorscope's targets.
struct BarTarget {
  const char* name;
  double u, v;
};
std::array<BarTarget, 6> BarTargets(ColourSpace colour);

// The skin-tone line: flesh of every complexion lies near it, at 123°
// counter-clockwise from the +U axis (the "I" axis of NTSC).
inline constexpr double kSkinToneDegrees = 123.0;

// R'G'B' (0..255) to Y, U, V code values (8-bit) of a matrix and range,
// rounded: how the scopes read an RGB frame.
struct Yuv8 {
  int y, u, v;
};
Yuv8 RgbToYuv8(int r, int g, int b, ColourSpace colour);

}  // namespace corvane::analysis
