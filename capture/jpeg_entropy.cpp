#include "capture/jpeg_entropy.h"

#include <bit>
#include <cstring>

#include "capture/jpeg_markers.h"

namespace corvane::jpeg {

namespace {

void PutByte(BitWriter& bw, uint8_t byte) {
  if (bw.pos < bw.capacity) bw.start[bw.pos] = byte;
  ++bw.pos;
}

// Size category of a value (Table F.1): the bits its magnitude needs.
int Category(int32_t v) { return std::bit_width(uint32_t(v < 0 ? -v : v)); }

// The value's bits after its code: v itself when positive, v − 1 (the ones'
// complement of |v|) when negative; PutBits keeps the low `category` bits.
uint32_t ValueBits(int32_t v) { return uint32_t(v > 0 ? v : v - 1); }

}  // namespace

void BuildHuffmanCodes(const HuffmanSpec& table, HuffmanCode out[256]) {
  std::memset(out, 0, sizeof(HuffmanCode) * 256);
  uint32_t code = 0;
  int k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < table.counts[size_t(len - 1)] && k < table.valueCount; ++i, ++k) {
      out[table.values[size_t(k)]] = {uint16_t(code & ((1u << len) - 1)), uint16_t(len)};
      ++code;
    }
    code <<= 1;
  }
}

void PutBits(BitWriter& bw, uint32_t bits, int n) {
  if (n <= 0) return;
  bw.count += n;
  bw.buffer |= (bits & ((1u << n) - 1)) << (32 - bw.count);
  while (bw.count >= 8) {
    const uint8_t byte = uint8_t(bw.buffer >> 24);
    PutByte(bw, byte);
    if (byte == kMarkerPrefix) PutByte(bw, kStuffedByte);
    bw.count -= 8;
    bw.buffer <<= 8;
  }
}

void FlushBits(BitWriter& bw) {
  PutBits(bw, kFillBits, kFillBitCount);
  bw.count = 0;
  bw.buffer = 0;
}

void EncodeBlock(BitWriter& bw, const int16_t zz[64], int32_t& predictor, const HuffmanCode dc[256],
                 const HuffmanCode ac[256]) {
  const int32_t diff = int32_t(zz[0]) - predictor;
  predictor = zz[0];
  const int s = Category(diff);
  PutBits(bw, dc[s].code, dc[s].length);
  if (s > 0) PutBits(bw, ValueBits(diff), s);
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    const int32_t v = zz[k];
    if (v == 0) {
      ++run;
      continue;
    }
    while (run > 15) {
      PutBits(bw, ac[kZRL].code, ac[kZRL].length);
      run -= 16;
    }
    const int sv = Category(v);
    const HuffmanCode& hc = ac[run * 16 + sv];
    PutBits(bw, hc.code, hc.length);
    PutBits(bw, ValueBits(v), sv);
    run = 0;
  }
  if (run > 0) PutBits(bw, ac[kEOB].code, ac[kEOB].length);
}

}  // namespace corvane::jpeg
