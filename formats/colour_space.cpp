#include "formats/colour_space.h"

namespace corvane {

std::optional<YuvMatrix> MatrixForName(std::string_view name) {
  if (name == "601") return YuvMatrix::kBt601;
  if (name == "709") return YuvMatrix::kBt709;
  if (name == "2020") return YuvMatrix::kBt2020;
  return std::nullopt;
}

std::optional<YuvRange> RangeForName(std::string_view name) {
  if (name == "limited") return YuvRange::kLimited;
  if (name == "full") return YuvRange::kFull;
  return std::nullopt;
}

std::string_view MatrixName(YuvMatrix matrix) {
  switch (matrix) {
    case YuvMatrix::kBt709: return "709";
    case YuvMatrix::kBt2020: return "2020";
    default: return "601";
  }
}

std::string_view RangeName(YuvRange range) { return range == YuvRange::kFull ? "full" : "limited"; }

}  // namespace corvane
