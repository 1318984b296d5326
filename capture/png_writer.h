// PNG writer: a BGRA picture as an 8-bit RGB PNG (colour type 2, no
// interlace), in memory. Lossless, so a still keeps every value the
// conversion gave. The chunks are written here; zlib deflates the rows and
// gives the CRC.
//
// Threads: pure function.
#pragma once

#include <cstdint>
#include <vector>

namespace corvane {

// `pixels`: w × h pixels of B, G, R, (unused) in memory, rows `stride`
// bytes apart, top row first. Empty on a zero size or when zlib fails.
std::vector<uint8_t> EncodePNG(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride);

}  // namespace corvane
