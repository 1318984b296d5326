// A clip of pattern frames for tests, optionally followed by a one-record
// trailer with its parameters.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "support/temp_dir.h"

namespace testsupport {

inline void WriteClip(const std::string& path, const corvane::YUVPara& para, uint32_t count, bool trailer) {
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < count; ++i) {
    const std::vector<uint8_t> f = corvane::MakePatternFrame(para, i);
    bytes.insert(bytes.end(), f.begin(), f.end());
  }
  if (trailer) {
    const std::vector<uint8_t> t = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&para, 1));
    bytes.insert(bytes.end(), t.begin(), t.end());
  }
  WriteBytes(path, bytes);
}

}  // namespace testsupport
