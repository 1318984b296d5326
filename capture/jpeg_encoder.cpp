#include "capture/jpeg_encoder.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {

namespace {

// SOF0 stores the coded (16-rounded) lines and samples in 16 bits.
constexpr int32_t kMaxDimension = 65520;
constexpr char kComment[] = "quorvelta";

// Marker bytes (ISO/IEC 10918-1 Table B.1), each after an 0xFF.
constexpr uint8_t kSOI = 0xD8, kEOI = 0xD9, kCOM = 0xFE, kDQT = 0xDB, kSOF0 = 0xC0, kDHT = 0xC4, kSOS = 0xDA;

// Symbols of the AC tables: end of block, sixteen zeros.
constexpr int kEOB = 0x00, kZRL = 0xF0;

enum Table { kDcLumaIdx = 0, kAcLumaIdx = 1, kDcChromaIdx = 2, kAcChromaIdx = 3 };

inline int32_t RoundUp16(int32_t v) { return (v + 15) & ~15; }

inline void Put16(uint8_t*& p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
  p += 2;
}

// Wrapping 16-bit value, as every stored value and sum of the DCT is.
inline int16_t W16(int32_t v) { return static_cast<int16_t>(v); }
// (a·x + b·y + 32768) >> 16 with 32-bit products and sum.
inline int16_t Mul2(int32_t a, int16_t x, int32_t b, int16_t y) {
  const int32_t sum = static_cast<int32_t>(int64_t(a) * x + int64_t(b) * y + 32768);
  return W16(sum >> 16);
}

// ---- Fast paths: the same bytes as the plain routines ----------------------

// Natural position of the zigzag sequence, as found in a transposed block.
constexpr std::array<uint8_t, 64> MakeZigzagToTransposed() {
  std::array<uint8_t, 64> t{};
  for (int z = 0; z < 64; ++z) {
    const int n = jpeg::kZigzagToNatural[size_t(z)];
    t[size_t(z)] = uint8_t((n % 8) * 8 + n / 8);
  }
  return t;
}
constexpr std::array<uint8_t, 64> kZigzagToTransposed = MakeZigzagToTransposed();

// Moves the bits of a mask over a transposed block to the zigzag positions,
// one byte of the mask at a time: entry [b][v] holds, for each set bit j of
// v, the bit of the zigzag position of transposed position 8·b + j.
struct ZigzagMaskTable {
  uint64_t bits[8][256];
  constexpr ZigzagMaskTable() : bits{} {
    std::array<uint8_t, 64> transposedToZigzag{};
    for (int z = 0; z < 64; ++z) transposedToZigzag[kZigzagToTransposed[size_t(z)]] = uint8_t(z);
    for (int b = 0; b < 8; ++b)
      for (int v = 0; v < 256; ++v)
        for (int j = 0; j < 8; ++j)
          if (v & (1 << j)) bits[b][v] |= uint64_t(1) << transposedToZigzag[size_t(8 * b + j)];
  }
};
constexpr ZigzagMaskTable kZigzagMask;

inline uint64_t ZigzagMask(uint64_t transposedMask) {
  uint64_t m = 0;
#pragma GCC unroll 8
  for (int b = 0; b < 8; ++b) m |= kZigzagMask.bits[b][(transposedMask >> (8 * b)) & 0xFF];
  return m;
}

// A 64-bit accumulator that emits the same byte sequence as jpeg::BitWriter:
// code and value bits go in as one put, and 32 bits leave at once when none of
// their bytes needs stuffing. kChecked stores byte by byte and only below the
// capacity; it is used when fewer than kJpegMaxMcuBytes remain.
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
    if (b == 0xFF) Byte<kChecked>(0);
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

template <bool kChecked>
[[gnu::always_inline]] inline void EncodeBlockFast(FastWriter& w, const int16_t* t, uint64_t nonzero,
                                                   int32_t& predictor, const HuffmanCode* dc, const HuffmanCode* ac) {
  // t is the quantised block in transposed order; nonzero has bit z set when
  // zigzag position z is not zero.
  int32_t diff = t[0] - predictor;
  predictor = t[0];
  uint32_t mag = uint32_t(diff < 0 ? -diff : diff);
  int s = std::bit_width(mag);
  if (diff < 0) --diff;
  w.Put<kChecked>((uint32_t(dc[s].code) << s) | (uint32_t(diff) & ((1u << s) - 1)), dc[s].length + s);
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
    int32_t v = t[kZigzagToTransposed[size_t(i)]];
    mag = uint32_t(v < 0 ? -v : v);
    s = std::bit_width(mag);
    if (v < 0) --v;
    const HuffmanCode& hc = ac[run * 16 + s];
    w.Put<kChecked>((uint32_t(hc.code) << s) | (uint32_t(v) & ((1u << s) - 1)), hc.length + s);
    last = i;
  }
  if (last != 63) w.Put<kChecked>(ac[kEOB].code, ac[kEOB].length);
}

// Quantiser halves and reciprocals in the order of a transposed block.
struct TransposedQuant {
  alignas(16) uint16_t half[2][64];
  alignas(16) uint16_t recip[2][64];
};

#if defined(__SSE2__)
// (ca·a + cb·b + 32768) >> 16 for signed 16-bit ca, cb; 16-bit result.
inline __m128i Mac2(__m128i a, __m128i b, int16_t ca, int16_t cb) {
  const __m128i k = _mm_set_epi16(cb, ca, cb, ca, cb, ca, cb, ca);
  const __m128i round = _mm_set1_epi32(32768);
  const __m128i lo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), k), round), 16);
  const __m128i hi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), k), round), 16);
  return _mm_packs_epi32(lo, hi);
}

// One pass of the DCT over eight lanes at once. The factors of the definition
// that do not fit a signed 16-bit value are written k·65536 + c' (c' signed
// 16-bit); the k·65536·x part adds k·x after the shift:
//   46341 = 65536 − 19195   64277 = 65536 − 1259    42813 = 65536 − 22723
//   54491 = 65536 − 11045   36410 = 65536 − 29126
// For 8-bit samples every value stays far inside 16 bits, so the packs never
// saturate and the sums never wrap.
inline void ColumnPassSse2(__m128i x[8]) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i s07 = _mm_add_epi16(x[0], x[7]), s16 = _mm_add_epi16(x[1], x[6]);
  const __m128i s25 = _mm_add_epi16(x[2], x[5]), s34 = _mm_add_epi16(x[3], x[4]);
  const __m128i d16 = _mm_sub_epi16(x[1], x[6]), d25 = _mm_sub_epi16(x[2], x[5]);
  const __m128i dd07 = _mm_slli_epi16(_mm_sub_epi16(x[0], x[7]), 1);
  const __m128i dd34 = _mm_slli_epi16(_mm_sub_epi16(x[3], x[4]), 1);
  const __m128i t07 = _mm_add_epi16(Mac2(dd07, zero, -19195, 0), dd07);
  const __m128i t34 = _mm_add_epi16(Mac2(dd34, zero, -19195, 0), dd34);
  const __m128i A = _mm_add_epi16(d16, d25), Bm = _mm_sub_epi16(d16, d25);
  const __m128i P = _mm_add_epi16(A, t07), Q = _mm_add_epi16(Bm, t34);
  const __m128i E = _mm_sub_epi16(t07, A), F = _mm_sub_epi16(t34, Bm);
  const __m128i T = _mm_slli_epi16(_mm_sub_epi16(s07, s34), 1);
  const __m128i U = _mm_slli_epi16(_mm_sub_epi16(s16, s25), 1);
  x[0] = _mm_add_epi16(_mm_add_epi16(s07, s16), _mm_add_epi16(s25, s34));
  x[4] = _mm_sub_epi16(_mm_add_epi16(s07, s34), _mm_add_epi16(s16, s25));
  x[1] = _mm_add_epi16(Mac2(P, Q, -1259, 12785), P);
  x[7] = _mm_sub_epi16(Mac2(P, Q, 12785, 1259), Q);
  x[2] = _mm_add_epi16(Mac2(T, U, -22723, 17734), T);
  x[6] = _mm_sub_epi16(Mac2(T, U, 17734, 22723), U);
  x[3] = _mm_sub_epi16(_mm_add_epi16(Mac2(E, F, -11045, 29126), E), F);
  x[5] = _mm_add_epi16(_mm_add_epi16(Mac2(E, F, -29126, -11045), E), F);
}

inline void RowPassSse2(__m128i p[8]) {
  const __m128i zero = _mm_setzero_si128(), four = _mm_set1_epi16(4);
  const __m128i r = _mm_add_epi16(p[0], p[7]), m = _mm_add_epi16(p[1], p[6]);
  const __m128i l = _mm_add_epi16(p[2], p[5]), o = _mm_add_epi16(p[3], p[4]);
  const __m128i d16 = _mm_sub_epi16(p[1], p[6]), d25 = _mm_sub_epi16(p[2], p[5]);
  const __m128i d07 = _mm_sub_epi16(p[0], p[7]), d34 = _mm_sub_epi16(p[3], p[4]);
  const __m128i u = _mm_slli_epi16(_mm_add_epi16(Mac2(d07, zero, -19195, 0), d07), 1);
  const __m128i w = _mm_slli_epi16(_mm_add_epi16(Mac2(d34, zero, -19195, 0), d34), 1);
  const __m128i A = _mm_add_epi16(d16, d25), Bm = _mm_sub_epi16(d16, d25);
  const __m128i P = _mm_add_epi16(A, u), Q = _mm_add_epi16(Bm, w);
  const __m128i E = _mm_sub_epi16(u, A), F = _mm_sub_epi16(w, Bm);
  const __m128i ro = _mm_sub_epi16(r, o), ml = _mm_sub_epi16(m, l);
  p[0] = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(_mm_add_epi16(r, m), _mm_add_epi16(l, o)), four), 3);
  p[4] = _mm_srai_epi16(_mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(r, o), four), _mm_add_epi16(m, l)), 3);
  p[1] = Mac2(P, Q, 8034, 1598);
  p[7] = Mac2(P, Q, 1598, -8034);
  p[2] = Mac2(ro, ml, 10703, 4433);
  p[6] = Mac2(ro, ml, 4433, -10703);
  p[3] = Mac2(E, F, 6811, -4551);
  p[5] = Mac2(E, F, 4551, 6811);
}

inline void Transpose8x8(__m128i r[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}

// Level shift, DCT and quantisation of one 8×8 block of samples; stores the
// quantised values in transposed order (t[8·column + row]) and returns the
// zigzag-ordered mask of the non-zero ones.
inline uint64_t TransformBlock(const uint8_t* src, size_t stride, const uint16_t* halfT, const uint16_t* recipT,
                               int16_t* t) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  __m128i r[8];
#pragma GCC unroll 8
  for (int i = 0; i < 8; ++i)
    r[i] = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i * stride)), zero), c128);
  ColumnPassSse2(r);
  Transpose8x8(r);
  RowPassSse2(r);  // r[c] lane i now holds the coefficient of row i, column c
  __m128i q[8];
#pragma GCC unroll 8
  for (int c = 0; c < 8; ++c) {
    // sign(x)·(((|x| + half)·recip) >> 16), the quantiser's two cases at once.
    const __m128i x = r[c];
    const __m128i sign = _mm_srai_epi16(x, 15);
    const __m128i mag = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
    const __m128i h = _mm_load_si128(reinterpret_cast<const __m128i*>(halfT + 8 * c));
    const __m128i rc = _mm_load_si128(reinterpret_cast<const __m128i*>(recipT + 8 * c));
    const __m128i qm = _mm_mulhi_epu16(_mm_add_epi16(mag, h), rc);
    q[c] = _mm_sub_epi16(_mm_xor_si128(qm, sign), sign);
    _mm_store_si128(reinterpret_cast<__m128i*>(t + 8 * c), q[c]);
  }
  uint64_t zeroMask = 0;
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    const __m128i eq = _mm_packs_epi16(_mm_cmpeq_epi16(q[2 * k], zero), _mm_cmpeq_epi16(q[2 * k + 1], zero));
    zeroMask |= uint64_t(uint32_t(_mm_movemask_epi8(eq))) << (16 * k);
  }
  return ZigzagMask(~zeroMask);
}
#else
inline uint64_t TransformBlock(const uint8_t* src, size_t stride, const uint16_t* halfT, const uint16_t* recipT,
                               int16_t* t) {
  int16_t block[64], zz[64];
  uint16_t half[64], recip[64];
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      block[i * 8 + j] = int16_t(src[i * stride + j] - 128);
      half[i * 8 + j] = halfT[j * 8 + i];
      recip[i * 8 + j] = recipT[j * 8 + i];
    }
  jpeg::ForwardDCT(block);
  jpeg::QuantizeBlock(block, half, recip, zz);
  uint64_t nz = 0;
  for (int z = 0; z < 64; ++z) {
    t[kZigzagToTransposed[size_t(z)]] = zz[z];
    if (zz[z]) nz |= uint64_t(1) << z;
  }
  return nz;
}
#endif

// Frame geometry and planes after padding.
struct CodedFrame {
  const uint8_t* y;
  const uint8_t* cb;
  const uint8_t* cr;
  int32_t pw, ph;
};

// Steps shared by both paths: argument checks, padding, output set-up and
// headers. Returns kJpegOk to go on coding, else the result to return.
int32_t Prepare(JpegEncoder* enc, JpegStream* s, CodedFrame* f, uint8_t** headerEnd) {
  if (!enc || !s || !s->output || !s->planes) return kJpegNullArg;
  if (!s->planes[0] || !s->planes[1] || !s->planes[2]) return kJpegNullArg;
  if (enc->width <= 0 || enc->width > kMaxDimension) return kJpegBadWidth;
  if (enc->height <= 0 || enc->height > kMaxDimension) return kJpegBadHeight;
  if (s->capacity <= kJpegOutputReserve) return kJpegFail;
  const int32_t w = enc->width, h = enc->height;
  f->pw = RoundUp16(w);
  f->ph = RoundUp16(h);
  f->y = s->planes[0];
  f->cb = s->planes[1];
  f->cr = s->planes[2];
  if (f->pw != w || f->ph != h) {
    const int64_t lumaSize = int64_t(f->pw) * f->ph;
    if (int64_t(enc->memorySize) < kJpegFixedMemory + (lumaSize * 3) / 2) return kJpegFail;
    uint8_t* area = reinterpret_cast<uint8_t*>(enc) + kJpegFixedMemory;
    uint8_t* cb = area + lumaSize;
    uint8_t* cr = cb + lumaSize / 4;
    jpeg::PadPlane(s->planes[0], w, h, area, f->pw, f->ph);
    jpeg::PadPlane(s->planes[1], w / 2, h / 2, cb, f->pw / 2, f->ph / 2);
    jpeg::PadPlane(s->planes[2], w / 2, h / 2, cr, f->pw / 2, f->ph / 2);
    f->y = area;
    f->cb = cb;
    f->cr = cr;
  }
  // The headers go into the reserve without checks: capacity > 1024 > 618.
  uint8_t* p = s->output;
  if (!jpeg::JpegWriteHeaders(*enc, f->pw, f->ph, p)) {
    std::fputs("\nERROR: in write_file_header !\n", stdout);
    s->length = 0;
    return kJpegStreamError;
  }
  *headerEnd = p;
  return kJpegOk;
}

// A row of MCUs walks 32 sample lines side by side (16 of luma, 8 of each
// chroma plane), more streams than the hardware prefetcher follows: ask for
// them 16 MCUs ahead, once per 64-byte cache line.
inline void Prefetch(const CodedFrame& f, int32_t y, int32_t x) {
#if defined(__SSE2__)
  constexpr int32_t kAhead = 256;  // luma bytes ahead (16 MCUs)
  const int32_t ax = x + kAhead;
  if (ax % 64 == 0 && ax < f.pw) {
    for (int r = 0; r < 16; ++r) _mm_prefetch(reinterpret_cast<const char*>(f.y + size_t(y + r) * f.pw + ax), _MM_HINT_T0);
    if (ax % 128 == 0) {
      const size_t c = size_t(f.pw / 2);
      for (int r = 0; r < 8; ++r) {
        _mm_prefetch(reinterpret_cast<const char*>(f.cb + (size_t(y / 2) + r) * c + ax / 2), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(f.cr + (size_t(y / 2) + r) * c + ax / 2), _MM_HINT_T0);
      }
    }
  }
#endif
}

int32_t BitstreamOver(JpegStream* s) {
  std::fputs("\nERROR! bitstream over!\n", stdout);
  s->length = 0;
  return kJpegStreamError;
}

}  // namespace

// ---- Entry points ------------------------------------------------------------

int32_t JpegGetMemSize(JpegParams* params) {
  if (!params) return kJpegNullArg;
  const int32_t w = params->width, h = params->height;
  if (w < 0 || h < 0 || w > kMaxDimension || h > kMaxDimension) return kJpegFail;
  if (w % 16 == 0 && h % 16 == 0) {
    params->memorySize = kJpegFixedMemory;
    return kJpegOk;
  }
  const int64_t size = kJpegFixedMemory + (int64_t(RoundUp16(w)) * RoundUp16(h) * 3) / 2;
  if (size > INT32_MAX) return kJpegFail;
  params->memorySize = int32_t(size);
  return kJpegOk;
}

int32_t JpegInit(JpegParams* params, JpegEncoder** encoder) {
  if (!params || !encoder || !params->memory) return kJpegNullArg;
  if (params->memorySize < kJpegMinMemory) return kJpegFail;
  if (reinterpret_cast<uintptr_t>(params->memory) % alignof(JpegEncoder) != 0) return kJpegFail;
  if (params->width < 0 || params->height < 0 || params->width > kMaxDimension || params->height > kMaxDimension)
    return kJpegFail;
  JpegEncoder* enc = new (params->memory) JpegEncoder;
  enc->huffSpec[kDcLumaIdx] = jpeg::kDcLuma;
  enc->huffSpec[kAcLumaIdx] = jpeg::kAcLuma;
  enc->huffSpec[kDcChromaIdx] = jpeg::kDcChroma;
  enc->huffSpec[kAcChromaIdx] = jpeg::kAcChroma;
  for (int t = 0; t < 4; ++t) jpeg::BuildHuffmanCodes(enc->huffSpec[t], enc->codes[t]);
  const int32_t scale = jpeg::QualityScale(params->quality);
  jpeg::BuildQuantizer(jpeg::kLumaQuantBase.data(), scale, enc->lumaQuant, enc->lumaHalf, enc->lumaRecip);
  jpeg::BuildQuantizer(jpeg::kChromaQuantBase.data(), scale, enc->chromaQuant, enc->chromaHalf, enc->chromaRecip);
  enc->width = params->width;
  enc->height = params->height;
  enc->memorySize = params->memorySize;
  *encoder = enc;
  return kJpegOk;
}

// Built twice: for x86-64-v3 (AVX2, BMI2, LZCNT: single-instruction variable
// shifts and bit counts in the entropy coder) and for the baseline; the
// loader picks one. Both give the same bytes. Not under ThreadSanitizer: the
// loader runs the instrumented resolver before the sanitizer is set up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
[[gnu::target_clones("arch=x86-64-v3", "default")]]
#endif
int32_t JpegEncode(JpegEncoder* enc, JpegStream* s) {
  CodedFrame f;
  uint8_t* p = nullptr;
  if (const int32_t r = Prepare(enc, s, &f, &p); r != kJpegOk) return r;

  TransposedQuant tq;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      tq.half[0][j * 8 + i] = enc->lumaHalf[i * 8 + j];
      tq.half[1][j * 8 + i] = enc->chromaHalf[i * 8 + j];
      tq.recip[0][j * 8 + i] = enc->lumaRecip[i * 8 + j];
      tq.recip[1][j * 8 + i] = enc->chromaRecip[i * 8 + j];
    }

  FastWriter w;
  w.out = s->output;
  w.pos = size_t(p - s->output);
  w.capacity = s->capacity;
  const size_t limit = s->capacity - kJpegOutputReserve;
  const HuffmanCode* dcY = enc->codes[kDcLumaIdx];
  const HuffmanCode* acY = enc->codes[kAcLumaIdx];
  const HuffmanCode* dcC = enc->codes[kDcChromaIdx];
  const HuffmanCode* acC = enc->codes[kAcChromaIdx];
  const size_t strideY = size_t(f.pw), strideC = size_t(f.pw) / 2;
  int32_t predY = 0, predCb = 0, predCr = 0;
  alignas(16) int16_t blocks[6][64];  // transposed order
  uint64_t nz[6];

  for (int32_t y = 0; y < f.ph; y += 16) {
    for (int32_t x = 0; x < f.pw; x += 16) {
      const uint8_t* yb = f.y + size_t(y) * strideY + size_t(x);
      const size_t cOff = size_t(y / 2) * strideC + size_t(x / 2);
      Prefetch(f, y, x);
      nz[0] = TransformBlock(yb, strideY, tq.half[0], tq.recip[0], blocks[0]);
      nz[1] = TransformBlock(yb + 8, strideY, tq.half[0], tq.recip[0], blocks[1]);
      nz[2] = TransformBlock(yb + 8 * strideY, strideY, tq.half[0], tq.recip[0], blocks[2]);
      nz[3] = TransformBlock(yb + 8 * strideY + 8, strideY, tq.half[0], tq.recip[0], blocks[3]);
      nz[4] = TransformBlock(f.cb + cOff, strideC, tq.half[1], tq.recip[1], blocks[4]);
      nz[5] = TransformBlock(f.cr + cOff, strideC, tq.half[1], tq.recip[1], blocks[5]);
      if (w.capacity - std::min(w.pos, w.capacity) >= kJpegMaxMcuBytes + 8) {
        for (int b = 0; b < 4; ++b) EncodeBlockFast<false>(w, blocks[b], nz[b], predY, dcY, acY);
        EncodeBlockFast<false>(w, blocks[4], nz[4], predCb, dcC, acC);
        EncodeBlockFast<false>(w, blocks[5], nz[5], predCr, dcC, acC);
        w.Drain<false>();
      } else {
        for (int b = 0; b < 4; ++b) EncodeBlockFast<true>(w, blocks[b], nz[b], predY, dcY, acY);
        EncodeBlockFast<true>(w, blocks[4], nz[4], predCb, dcC, acC);
        EncodeBlockFast<true>(w, blocks[5], nz[5], predCr, dcC, acC);
        w.Drain<true>();
      }
      if (w.pos > limit) return BitstreamOver(s);
    }
  }
  if (w.pos >= limit) {
    s->length = 0;
    return kJpegFail;
  }
  // Flush: seven 1 bits pad the last byte; what is left over is dropped.
  w.Put<true>(0x7F, 7);
  w.Drain<true>();
  uint8_t* end = s->output + w.pos;
  jpeg::WriteEOI(end);
  s->length = uint32_t(end - s->output);
  return kJpegOk;
}

uint64_t JpegWorstCaseSize(uint32_t width, uint32_t height) {
  const uint64_t mcus = ((uint64_t(width) + 15) / 16) * ((uint64_t(height) + 15) / 16);
  return kJpegHeaderBytes + mcus * kJpegMaxMcuBytes + kJpegOutputReserve + 16;
}

namespace jpeg {

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

int32_t QualityScale(int32_t quality) {
  if (quality <= 0) return 5000;
  if (quality > 100) quality = 100;
  if (quality < 50) return 5000 / quality;
  return 200 - 2 * quality;
}

void BuildQuantizer(const uint8_t base[64], int32_t scale, uint16_t quant[64], uint16_t half[64],
                    uint16_t recip[64]) {
  for (int k = 0; k < 64; ++k) {
    int32_t q = (scale * base[k] + 50) / 100;
    if (q <= 0) q = 1;
    if (q > 255) q = 255;
    quant[k] = uint16_t(q);
    if (q == 1) {
      // 65536 does not fit 16 bits; with half 1, ((c + 1)·65535) >> 16 == c.
      half[k] = 1;
      recip[k] = 65535;
    } else {
      half[k] = uint16_t(q >> 1);
      recip[k] = uint16_t(65536 / q + 1);
    }
  }
}

// Fixed-point constants, value·65536 rounded: 46341 = cos(π/4) = √2/2;
// 64277, 12785 = cos and sin of π/16; 54491, 36410 = cos and sin of 3π/16;
// 42813, 17734 = cos and sin of π/8 times √2/2 (the column pass doubles T
// and U). The row pass folds the standard's final division by 8 into its
// factors: 8034, 1598 and 6811, 4551 are the π/16 and 3π/16 pairs divided by
// 8; 10703, 4433 are cos and sin of π/8 times √2/8.
void ForwardDCT(int16_t b[64]) {
  for (int c = 0; c < 8; ++c) {
    int16_t* x = b + c;
    auto X = [&](int i) -> int16_t { return x[8 * i]; };
    const int16_t s07 = W16(X(0) + X(7)), s16 = W16(X(1) + X(6)), s25 = W16(X(2) + X(5)),
                  s34 = W16(X(3) + X(4));
    const int16_t d16 = W16(X(1) - X(6)), d25 = W16(X(2) - X(5));
    const int16_t dd07 = W16(2 * W16(X(0) - X(7))), dd34 = W16(2 * W16(X(3) - X(4)));
    const int16_t t07 = Mul2(46341, dd07, 0, 0), t34 = Mul2(46341, dd34, 0, 0);
    const int16_t A = W16(d16 + d25), Bm = W16(d16 - d25);
    const int16_t P = W16(A + t07), Q = W16(Bm + t34), E = W16(t07 - A), F = W16(t34 - Bm);
    const int16_t T = W16(2 * W16(s07 - s34)), U = W16(2 * W16(s16 - s25));
    x[0] = W16(W16(W16(s07 + s16) + s25) + s34);
    x[32] = W16(W16(s07 + s34) - W16(s16 + s25));
    x[8] = Mul2(64277, P, 12785, Q);
    x[56] = Mul2(12785, P, -64277, Q);
    x[16] = Mul2(42813, T, 17734, U);
    x[48] = Mul2(17734, T, -42813, U);
    x[24] = Mul2(54491, E, -36410, F);
    x[40] = Mul2(36410, E, 54491, F);
  }
  for (int r = 0; r < 8; ++r) {
    int16_t* p = b + 8 * r;
    const int16_t R = W16(p[0] + p[7]), M = W16(p[1] + p[6]), L = W16(p[2] + p[5]), O = W16(p[3] + p[4]);
    const int16_t d16 = W16(p[1] - p[6]), d25 = W16(p[2] - p[5]);
    const int16_t u = W16(2 * Mul2(46341, W16(p[0] - p[7]), 0, 0));
    const int16_t w = W16(2 * Mul2(46341, W16(p[3] - p[4]), 0, 0));
    const int16_t A = W16(d16 + d25), Bm = W16(d16 - d25);
    const int16_t P = W16(A + u), Q = W16(Bm + w), E = W16(u - A), F = W16(w - Bm);
    const int16_t RO = W16(R - O), ML = W16(M - L);
    p[0] = W16(W16(W16(W16(W16(R + M) + L) + O) + 4) >> 3);
    p[4] = W16(W16(W16(W16(R + O) + 4) - W16(M + L)) >> 3);
    p[1] = Mul2(8034, P, 1598, Q);
    p[7] = Mul2(1598, P, -8034, Q);
    p[2] = Mul2(10703, RO, 4433, ML);
    p[6] = Mul2(4433, RO, -10703, ML);
    p[3] = Mul2(6811, E, -4551, F);
    p[5] = Mul2(4551, E, 6811, F);
  }
}

void QuantizeBlock(const int16_t coef[64], const uint16_t half[64], const uint16_t recip[64], int16_t zigzag[64]) {
  for (int k = 0; k < 64; ++k) {
    const int32_t c = coef[k];
    int32_t q;
    if (c >= 0)
      q = int32_t((uint32_t(c + half[k]) * recip[k]) >> 16);
    else
      q = -int32_t((uint32_t(half[k] - c) * recip[k]) >> 16);
    zigzag[kNaturalToZigzag[size_t(k)]] = int16_t(q);
  }
}

void PutBits(BitWriter& bw, uint32_t bits, int n) {
  if (n <= 0) return;
  bw.count += n;
  bw.buffer |= (bits & ((1u << n) - 1)) << (32 - bw.count);
  while (bw.count >= 8) {
    const uint8_t byte = uint8_t(bw.buffer >> 24);
    if (bw.pos < bw.capacity) bw.start[bw.pos] = byte;
    ++bw.pos;
    if (byte == 0xFF) {
      if (bw.pos < bw.capacity) bw.start[bw.pos] = 0;
      ++bw.pos;
    }
    bw.count -= 8;
    bw.buffer <<= 8;
  }
}

void FlushBits(BitWriter& bw) {
  PutBits(bw, 0x7F, 7);
  bw.count = 0;
  bw.buffer = 0;
}

void EncodeBlock(BitWriter& bw, const int16_t zz[64], int32_t& predictor, const HuffmanCode dc[256],
                 const HuffmanCode ac[256]) {
  int32_t diff = int32_t(zz[0]) - predictor;
  predictor = zz[0];
  const int s = std::bit_width(uint32_t(diff < 0 ? -diff : diff));
  PutBits(bw, dc[s].code, dc[s].length);
  if (s > 0) PutBits(bw, uint32_t(diff > 0 ? diff : diff - 1), s);
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
    const int sv = std::bit_width(uint32_t(v < 0 ? -v : v));
    const HuffmanCode& hc = ac[run * 16 + sv];
    PutBits(bw, hc.code, hc.length);
    PutBits(bw, uint32_t(v > 0 ? v : v - 1), sv);
    run = 0;
  }
  if (run > 0) PutBits(bw, ac[kEOB].code, ac[kEOB].length);
}

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

void WriteSOI(uint8_t*& p) {
  *p++ = 0xFF;
  *p++ = kSOI;
}

bool WriteCOM(uint8_t*& p, const char* text, size_t length) {
  // The length field counts itself (2 bytes) and must fit 16 bits.
  if (length > 65533) return false;
  *p++ = 0xFF;
  *p++ = kCOM;
  Put16(p, uint32_t(length + 2));
  std::memcpy(p, text, length);
  p += length;
  return true;
}

void WriteDQT(uint8_t*& p, uint8_t tableId, const uint16_t quant[64]) {
  *p++ = 0xFF;
  *p++ = kDQT;
  Put16(p, 2 + 1 + 64);      // 67: length, precision/id byte, 64 entries
  *p++ = uint8_t(tableId);   // high nibble 0: 8-bit entries
  for (int z = 0; z < 64; ++z) *p++ = uint8_t(quant[kZigzagToNatural[size_t(z)]]);
}

void WriteSOF0(uint8_t*& p, uint16_t lines, uint16_t samplesPerLine) {
  *p++ = 0xFF;
  *p++ = kSOF0;
  Put16(p, 8 + 3 * 3);  // 17: length, precision, size, count, three components
  *p++ = 8;             // sample precision
  Put16(p, lines);
  Put16(p, samplesPerLine);
  *p++ = 3;
  // id, sampling (horizontal << 4 | vertical), quantisation table
  const uint8_t components[3][3] = {{0, 0x22, 0}, {1, 0x11, 1}, {2, 0x11, 1}};
  for (const auto& c : components) {
    *p++ = c[0];
    *p++ = c[1];
    *p++ = c[2];
  }
}

void WriteDHT(uint8_t*& p, uint8_t classAndId, const HuffmanSpec& table) {
  *p++ = 0xFF;
  *p++ = kDHT;
  Put16(p, 19u + table.valueCount);  // length 2, class/id 1, counts 16, symbols
  *p++ = classAndId;                // high nibble 0 DC, 1 AC; low nibble table id
  std::memcpy(p, table.counts.data(), 16);
  p += 16;
  std::memcpy(p, table.values.data(), table.valueCount);
  p += table.valueCount;
}

void WriteSOS(uint8_t*& p) {
  *p++ = 0xFF;
  *p++ = kSOS;
  Put16(p, 6 + 2 * 3);  // 12: length, count, three (id, tables) pairs, three bytes
  *p++ = 3;
  // component id, DC table << 4 | AC table
  const uint8_t components[3][2] = {{0, 0x00}, {1, 0x11}, {2, 0x11}};
  for (const auto& c : components) {
    *p++ = c[0];
    *p++ = c[1];
  }
  *p++ = 0;     // start of spectral selection
  *p++ = 0x3F;  // end of spectral selection: all 64 coefficients
  *p++ = 0;     // successive approximation: none
}

void WriteEOI(uint8_t*& p) {
  *p++ = 0xFF;
  *p++ = kEOI;
}

bool JpegWriteHeaders(const JpegEncoder& enc, int32_t codedWidth, int32_t codedHeight, uint8_t*& p) {
  WriteSOI(p);
  if (!WriteCOM(p, kComment, sizeof(kComment) - 1)) return false;
  WriteDQT(p, 0, enc.lumaQuant);
  WriteDQT(p, 1, enc.chromaQuant);
  WriteSOF0(p, uint16_t(codedHeight), uint16_t(codedWidth));
  WriteDHT(p, 0x00, enc.huffSpec[kDcLumaIdx]);
  WriteDHT(p, 0x01, enc.huffSpec[kDcChromaIdx]);
  WriteDHT(p, 0x10, enc.huffSpec[kAcLumaIdx]);
  WriteDHT(p, 0x11, enc.huffSpec[kAcChromaIdx]);
  WriteSOS(p);
  return true;
}

int32_t JpegEncodeReference(JpegEncoder* enc, JpegStream* s) {
  CodedFrame f;
  uint8_t* p = nullptr;
  if (const int32_t r = Prepare(enc, s, &f, &p); r != kJpegOk) return r;
  BitWriter bw;
  bw.start = s->output;
  bw.pos = size_t(p - s->output);
  bw.capacity = s->capacity;
  const size_t limit = s->capacity - kJpegOutputReserve;
  int32_t pred[3] = {0, 0, 0};
  const size_t strideY = size_t(f.pw), strideC = size_t(f.pw) / 2;
  auto codeBlock = [&](const uint8_t* src, size_t stride, bool luma, int32_t& predictor) {
    int16_t block[64], zz[64];
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) block[i * 8 + j] = int16_t(src[i * stride + j] - 128);
    ForwardDCT(block);
    QuantizeBlock(block, luma ? enc->lumaHalf : enc->chromaHalf, luma ? enc->lumaRecip : enc->chromaRecip, zz);
    EncodeBlock(bw, zz, predictor, enc->codes[luma ? kDcLumaIdx : kDcChromaIdx],
                enc->codes[luma ? kAcLumaIdx : kAcChromaIdx]);
  };
  for (int32_t y = 0; y < f.ph; y += 16) {
    for (int32_t x = 0; x < f.pw; x += 16) {
      const uint8_t* yb = f.y + size_t(y) * strideY + size_t(x);
      const size_t cOff = size_t(y / 2) * strideC + size_t(x / 2);
      codeBlock(yb, strideY, true, pred[0]);
      codeBlock(yb + 8, strideY, true, pred[0]);
      codeBlock(yb + 8 * strideY, strideY, true, pred[0]);
      codeBlock(yb + 8 * strideY + 8, strideY, true, pred[0]);
      codeBlock(f.cb + cOff, strideC, false, pred[1]);
      codeBlock(f.cr + cOff, strideC, false, pred[2]);
      if (bw.pos > limit) return BitstreamOver(s);
    }
  }
  if (bw.pos >= limit) {
    s->length = 0;
    return kJpegFail;
  }
  FlushBits(bw);
  uint8_t* end = s->output + bw.pos;
  WriteEOI(end);
  s->length = uint32_t(end - s->output);
  return kJpegOk;
}

}  // namespace jpeg
}  // namespace corvane
