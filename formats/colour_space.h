// How the display reads YUV samples as colours: the matrix of the standard
// the material was made for and the range its samples use. BT.601 limited
// range is the reading of untagged standard-definition material and the
// player's default; HD material is BT.709, HDR material BT.2020.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

enum class YuvMatrix : uint8_t { kBt601, kBt709, kBt2020 };
enum class YuvRange : uint8_t { kLimited, kFull };

struct ColourSpace {
  YuvMatrix matrix = YuvMatrix::kBt601;
  YuvRange range = YuvRange::kLimited;
  friend bool operator==(const ColourSpace&, const ColourSpace&) = default;
};

// "601", "709", "2020" and "limited", "full", as the command line and the
// settings spell them.
std::optional<YuvMatrix> MatrixForName(std::string_view name);
std::optional<YuvRange> RangeForName(std::string_view name);
std::string_view MatrixName(YuvMatrix matrix);
std::string_view RangeName(YuvRange range);

}  // namespace corvane
