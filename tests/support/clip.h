// A clip of pattern frames for tests, optionally followed by a one-record
// trailer with its parameters; or the same frames as a Y4M file.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "formats/y4m_stream.h"
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

// The frames WriteClip writes, as a Y4M file: the stream header for `para`
// at `rate` with `tags` added after it (" It XCOLORRANGE=FULL": a later tag
// overrides the header's own), each frame after "FRAME\n".
inline void WriteY4mClip(const std::string& path, const corvane::YUVPara& para, uint32_t count,
                         corvane::Ratio rate, std::string_view tags = {}) {
  std::string header = corvane::y4m::StreamHeaderFor(para, rate);
  header.insert(header.size() - 1, tags);
  std::vector<uint8_t> bytes(header.begin(), header.end());
  for (uint32_t i = 0; i < count; ++i) {
    const std::vector<uint8_t> f = corvane::MakePatternFrame(para, i);
    bytes.insert(bytes.end(), corvane::y4m::kBareFrameHeader.begin(), corvane::y4m::kBareFrameHeader.end());
    bytes.insert(bytes.end(), f.begin(), f.end());
  }
  WriteBytes(path, bytes);
}

}  // namespace testsupport
