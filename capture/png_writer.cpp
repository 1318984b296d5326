#include "capture/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstring>
#include <string_view>

namespace corvane {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

// Length, type, data, and the CRC of type and data (PNG 1.2, section 5.3).
void PutChunk(std::vector<uint8_t>& out, std::string_view type, const uint8_t* data, size_t len) {
  Put32(out, uint32_t(len));
  const size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  if (len) out.insert(out.end(), data, data + len);
  const uLong crc = crc32(0L, out.data() + typeAt, uInt(out.size() - typeAt));
  Put32(out, uint32_t(crc));
}

}  // namespace

std::vector<uint8_t> EncodePNG(const uint8_t* pixels, uint32_t w, uint32_t h, uint32_t stride) {
  if (!pixels || w == 0 || h == 0 || uint64_t(w) * 3 + 1 > UINT32_MAX / h) return {};
  // Each row: filter type 0 (none), then R, G, B.
  const size_t rowBytes = size_t(w) * 3 + 1;
  std::vector<uint8_t> raw(rowBytes * h);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* in = pixels + size_t(stride) * y;
    uint8_t* out = raw.data() + rowBytes * y;
    *out++ = 0;
    for (uint32_t x = 0; x < w; ++x, in += 4) {
      *out++ = in[2];
      *out++ = in[1];
      *out++ = in[0];
    }
  }
  uLongf packedLen = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedLen);
  // Level 1: stills of 4K frames stay quick; the picture is lossless either way.
  if (compress2(packed.data(), &packedLen, raw.data(), uLong(raw.size()), 1) != Z_OK) return {};

  std::vector<uint8_t> png;
  png.reserve(packedLen + 64);
  static constexpr std::array<uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.insert(png.end(), kSignature.begin(), kSignature.end());
  // IHDR: width, height, bit depth 8, colour type 2 (RGB), compression 0,
  // filter method 0, interlace 0.
  std::array<uint8_t, 13> ihdr{};
  for (int i = 0; i < 4; ++i) {
    ihdr[size_t(i)] = uint8_t(w >> (24 - 8 * i));
    ihdr[size_t(4 + i)] = uint8_t(h >> (24 - 8 * i));
  }
  ihdr[8] = 8;
  ihdr[9] = 2;
  PutChunk(png, "IHDR", ihdr.data(), ihdr.size());
  PutChunk(png, "IDAT", packed.data(), packedLen);
  PutChunk(png, "IEND", nullptr, 0);
  return png;
}

}  // namespace corvane
