#include "capture/jpeg_padding.h"

#include <cstddef>
#include <cstring>

namespace corvane::jpeg {

void PadPlane(const uint8_t* src, int32_t srcW, int32_t srcH, uint8_t* dst, int32_t dstW, int32_t dstH) {
  if (dstW <= 0 || dstH <= 0) return;
  if (srcW <= 0 || srcH <= 0) {
    std::memset(dst, 128, size_t(dstW) * size_t(dstH));
    return;
  }
  for (int32_t r = 0; r < srcH; ++r) {
    const uint8_t* s = src + size_t(r) * size_t(srcW);
    uint8_t* d = dst + size_t(r) * size_t(dstW);
    std::memcpy(d, s, size_t(srcW));
    std::memset(d + srcW, s[srcW - 1], size_t(dstW - srcW));
  }
  const uint8_t* lastRow = dst + size_t(srcH - 1) * size_t(dstW);
  for (int32_t r = srcH; r < dstH; ++r) std::memcpy(dst + size_t(r) * size_t(dstW), lastRow, size_t(dstW));
}

bool PadHeightBy8(const uint8_t* frame, uint8_t* out, uint32_t w, uint32_t h) {
  if (!frame || !out || w == 0 || (w & 1) || h % 16 != 8) return false;
  struct Plane {
    size_t rowLen;
    uint32_t rows, extra;
  };
  const Plane planes[3] = {{w, h, 4}, {w / 2, h / 2, 2}, {w / 2, h / 2, 2}};
  const uint8_t* src = frame;
  uint8_t* dst = out;
  for (const Plane& p : planes) {
    const size_t bytes = p.rowLen * p.rows;
    for (uint32_t i = 0; i < p.extra; ++i, dst += p.rowLen) std::memcpy(dst, src, p.rowLen);
    std::memcpy(dst, src, bytes);
    dst += bytes;
    const uint8_t* last = src + bytes - p.rowLen;
    for (uint32_t i = 0; i < p.extra; ++i, dst += p.rowLen) std::memcpy(dst, last, p.rowLen);
    src += bytes;
  }
  return true;
}

}  // namespace corvane::jpeg
