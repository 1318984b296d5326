// Files for the cut and splice tests: recognisable frame bytes and trailers
// built independently of the code under test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "support/temp_dir.h"

namespace testsupport {

// Bytes that differ from position to position and from file to file, so a
// byte copied from the wrong place shows.
inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t((i * 131u) ^ (i >> 8) ^ (seed * 0x9Du + 17u));
  return b;
}

inline uint32_t FrameSizeOf(const corvane::YUVPara& p) {
  corvane::YUVType t;
  uint32_t fs = 0;
  corvane::GetTypeAndFrameSize(&p, &t, &fs);
  return fs;
}

// Writes data, then a trailer of these records when there are any.
inline void MakeFile(const std::string& path, const std::vector<uint8_t>& data,
                     const std::vector<corvane::YUVPara>& records) {
  WriteBytes(path, data);
  if (!records.empty()) AppendBytes(path, corvane::EncodeTrailer(records));
}

inline std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, uint64_t from, uint64_t len) {
  return std::vector<uint8_t>(b.begin() + from, b.begin() + from + len);
}

// Names in the folder, so a test can see that nothing (no temporary file
// either) was left behind.
inline std::vector<std::string> Listing(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
