// The entropy stage's fast path for JpegEncode (included by jpeg_encoder.cpp
// only, so that its clones inline it): a 64-bit bit writer and block coder
// that give the same bytes as BitWriter and EncodeBlock in jpeg_entropy.h.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "capture/jpeg_entropy.h"
#include "capture/jpeg_markers.h"
#include "capture/jpeg_transform_fast.h"

namespace corvane::jpeg::fast {

// Code and value bits go in as one put, and 32 bits leave at once when none
// of their bytes needs stuffing. kChecked stores byte by byte and only below
// the capacity; JpegEncode uses it when fewer than kJpegMaxMcuBytes remain.
struct FastWriter {
  uint64_t acc = 0;
  int bits = 0;  // waiting bits, the low `bits` of acc
  uint8_t* out = nullptr;
  size_t pos = 0;
  size_t capacity = 0;

  template <bool kChecked>
  inline void Byte(uint8_t b) {
    if (!kChecked || pos < capacity) out[pos] = b;
    ++pos;
  }
  template <bool kChecked>
  inline void StuffedByte(uint8_t b) {
    Byte<kChecked>(b);
    if (b == kMarkerPrefix) Byte<kChecked>(kStuffedByte);
  }
  template <bool kChecked>
  [[gnu::always_inline]] inline void Put(uint32_t v, int n) {
    acc = (acc << n) | v;
    bits += n;
    if (bits >= 32) {
      bits -= 32;
      const uint32_t w = uint32_t(acc >> bits);
      // Some byte of w is 0xFF exactly when some byte of ~w is zero.
      const uint32_t nw = ~w;
      const bool hasFF = ((nw - 0x01010101u) & w & 0x80808080u) != 0;
      if (!kChecked && !hasFF) {
        out[pos] = uint8_t(w >> 24);
        out[pos + 1] = uint8_t(w >> 16);
        out[pos + 2] = uint8_t(w >> 8);
        out[pos + 3] = uint8_t(w);
        pos += 4;
      } else {
        StuffedByte<kChecked>(uint8_t(w >> 24));
        StuffedByte<kChecked>(uint8_t(w >> 16));
        StuffedByte<kChecked>(uint8_t(w >> 8));
        StuffedByte<kChecked>(uint8_t(w));
      }
    }
  }
  // Whole bytes out, as the plain writer has them after every put.
  template <bool kChecked>
  inline void Drain() {
    while (bits >= 8) {
      bits -= 8;
      StuffedByte<kChecked>(uint8_t(acc >> bits));
    }
  }
};

// Code bits followed by the low s bits of v (v − 1 for negative values, as
// EncodeBlock writes them), as one put.
template <bool kChecked>
[[gnu::always_inline]] inline void PutCoded(FastWriter& w, const HuffmanCode& hc, int32_t v, int s) {
  if (v < 0) --v;
  w.Put<kChecked>((uint32_t(hc.code) << s) | (uint32_t(v) & ((1u << s) - 1)), hc.length + s);
}

template <bool kChecked>
[[gnu::always_inline]] inline void EncodeBlockFast(FastWriter& w, const int16_t* t, uint64_t nonzero,
                                                   int32_t& predictor, const HuffmanCode* dc, const HuffmanCode* ac) {
  // t is the quantised block in transposed order; nonzero has bit z set when
  // zigzag position z is not zero.
  const int32_t diff = t[0] - predictor;
  predictor = t[0];
  const int sd = std::bit_width(uint32_t(diff < 0 ? -diff : diff));
  PutCoded<kChecked>(w, dc[sd], diff, sd);
  int last = 0;
  nonzero &= ~uint64_t(1);
  while (nonzero) {
    const int i = std::countr_zero(nonzero);
    nonzero &= nonzero - 1;
    int run = i - last - 1;
    while (run > 15) {
      w.Put<kChecked>(ac[kZRL].code, ac[kZRL].length);
      run -= 16;
    }
    const int32_t v = t[kZigzagToTransposed[size_t(i)]];
    const int s = std::bit_width(uint32_t(v < 0 ? -v : v));
    PutCoded<kChecked>(w, ac[run * 16 + s], v, s);
    last = i;
  }
  if (last != 63) w.Put<kChecked>(ac[kEOB].code, ac[kEOB].length);
}

// The six blocks of one MCU: four of luma, then Cb and Cr.
template <bool kChecked>
[[gnu::always_inline]] inline void EncodeMcuFast(FastWriter& w, const int16_t (*blocks)[64], const uint64_t* nz,
                                                 int32_t pred[3], const HuffmanCode (*codes)[256]) {
  const HuffmanCode *dcY = codes[kDcLumaTable], *acY = codes[kAcLumaTable];
  const HuffmanCode *dcC = codes[kDcChromaTable], *acC = codes[kAcChromaTable];
  for (int b = 0; b < 4; ++b) EncodeBlockFast<kChecked>(w, blocks[b], nz[b], pred[0], dcY, acY);
  EncodeBlockFast<kChecked>(w, blocks[4], nz[4], pred[1], dcC, acC);
  EncodeBlockFast<kChecked>(w, blocks[5], nz[5], pred[2], dcC, acC);
  w.Drain<kChecked>();
}

}  // namespace corvane::jpeg::fast
