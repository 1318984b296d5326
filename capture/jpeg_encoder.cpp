#include "capture/jpeg_encoder.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "capture/jpeg_entropy_fast.h"
#include "capture/jpeg_transform_fast.h"
#include "formats/result_codes.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace corvane {

namespace {

inline int32_t RoundUp16(int32_t v) { return (v + 15) & ~15; }

// Sizes JpegGetMemSize and JpegInit take; JpegEncode also refuses 0.
bool DimensionInRange(int32_t v) { return v >= 0 && v <= kJpegMaxDimension; }

// Frame geometry and planes after padding.
struct CodedFrame {
  const uint8_t* y;
  const uint8_t* cb;
  const uint8_t* cr;
  int32_t pw, ph;
};

// The six blocks of the MCU at (x, y): four of luma, then Cb and Cr.
struct McuBlocks {
  const uint8_t* src[6];
  size_t stride[6];
};

inline McuBlocks McuAt(const CodedFrame& f, int32_t x, int32_t y) {
  const size_t sY = size_t(f.pw), sC = size_t(f.pw) / 2;
  const uint8_t* yb = f.y + size_t(y) * sY + size_t(x);
  const size_t cOff = size_t(y / 2) * sC + size_t(x / 2);
  return {{yb, yb + 8, yb + 8 * sY, yb + 8 * sY + 8, f.cb + cOff, f.cr + cOff}, {sY, sY, sY, sY, sC, sC}};
}

// The predictor and table side (0 luma, 1 chroma) of each MCU block.
constexpr int kBlockComponent[6] = {0, 0, 0, 0, 1, 2};
constexpr int kBlockSide[6] = {0, 0, 0, 0, 1, 1};

// Extends a frame that is not a multiple of 16 both ways into the working
// memory behind the tables. kOk, or kFail when the memory is too small.
int32_t PadFrame(JpegEncoder* enc, const JpegStream* s, CodedFrame* f) {
  const int32_t w = enc->width, h = enc->height;
  f->pw = RoundUp16(w);
  f->ph = RoundUp16(h);
  f->y = s->planes[0];
  f->cb = s->planes[1];
  f->cr = s->planes[2];
  if (f->pw == w && f->ph == h) return kOk;
  const int64_t lumaSize = int64_t(f->pw) * f->ph;
  if (int64_t(enc->memorySize) < kJpegFixedMemory + (lumaSize * 3) / 2) return kFail;
  uint8_t* area = reinterpret_cast<uint8_t*>(enc) + kJpegFixedMemory;
  uint8_t* cb = area + lumaSize;
  uint8_t* cr = cb + lumaSize / 4;
  jpeg::PadPlane(s->planes[0], w, h, area, f->pw, f->ph);
  jpeg::PadPlane(s->planes[1], w / 2, h / 2, cb, f->pw / 2, f->ph / 2);
  jpeg::PadPlane(s->planes[2], w / 2, h / 2, cr, f->pw / 2, f->ph / 2);
  f->y = area;
  f->cb = cb;
  f->cr = cr;
  return kOk;
}

// A failure for want of output room: no file (length 0), and on standard
// error the encoder's line, if it has one for the case.
int32_t NoRoom(JpegStream* s, const char* message = nullptr) {
  if (message) std::fputs(message, stderr);
  s->length = 0;
  return kFail;
}

// Steps shared by both paths: argument checks, padding, output set-up and
// headers. Returns kOk to go on coding, else the result to return.
int32_t Prepare(JpegEncoder* enc, JpegStream* s, CodedFrame* f, uint8_t** headerEnd) {
  if (!enc || !s || !s->output || !s->planes) return kNullArg;
  if (!s->planes[0] || !s->planes[1] || !s->planes[2]) return kNullArg;
  if (enc->width <= 0 || enc->height <= 0 || enc->width > kJpegMaxDimension || enc->height > kJpegMaxDimension)
    return kNotReady;
  if (s->capacity <= kJpegOutputReserve) return kFail;
  if (const int32_t r = PadFrame(enc, s, f); r != kOk) return r;
  // The headers go into the reserve without checks (static_assert above).
  uint8_t* p = s->output;
  if (!jpeg::JpegWriteHeaders(*enc, f->pw, f->ph, p)) return NoRoom(s, "\nERROR: in write_file_header !\n");
  *headerEnd = p;
  return kOk;
}

constexpr char kOverrunMessage[] = "\nERROR! bitstream over!\n";

// The end of the scan: the position before the flush must lie below the
// limit, so that the flush and EOI fit the reserve.
bool ScanFits(size_t pos, size_t limit) { return pos < limit; }

// EOI after the flushed scan, which ends at pos.
int32_t FinishFile(JpegStream* s, size_t pos) {
  uint8_t* end = s->output + pos;
  jpeg::WriteEOI(end);
  s->length = uint32_t(end - s->output);
  return kOk;
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

// The fast path's transform of one MCU into transposed blocks and their
// non-zero masks.
[[gnu::always_inline]] inline void TransformMcu(const McuBlocks& m, const jpeg::fast::TransposedQuant& tq,
                                                int16_t (*blocks)[64], uint64_t* nz) {
#pragma GCC unroll 6
  for (int b = 0; b < 6; ++b)
    nz[b] = jpeg::fast::TransformBlock(m.src[b], m.stride[b], tq.half[kBlockSide[b]], tq.recip[kBlockSide[b]],
                                       blocks[b]);
}

}  // namespace

// ---- Entry points ------------------------------------------------------------

int32_t JpegGetMemSize(JpegParams* params) {
  if (!params) return kNullArg;
  const int32_t w = params->width, h = params->height;
  if (!DimensionInRange(w) || !DimensionInRange(h)) return kNotReady;
  if (w % 16 == 0 && h % 16 == 0) {
    params->memorySize = kJpegFixedMemory;
    return kOk;
  }
  const int64_t size = kJpegFixedMemory + (int64_t(RoundUp16(w)) * RoundUp16(h) * 3) / 2;
  if (size > INT32_MAX) return kFail;
  params->memorySize = int32_t(size);
  return kOk;
}

int32_t JpegInit(JpegParams* params, JpegEncoder** encoder) {
  if (!params || !encoder || !params->memory) return kNullArg;
  if (params->memorySize < kJpegMinMemory) return kFail;
  if (reinterpret_cast<uintptr_t>(params->memory) % alignof(JpegEncoder) != 0) return kNotReady;
  if (!DimensionInRange(params->width) || !DimensionInRange(params->height)) return kNotReady;
  JpegEncoder* enc = new (params->memory) JpegEncoder;
  enc->huffSpec[jpeg::kDcLumaTable] = jpeg::kDcLuma;
  enc->huffSpec[jpeg::kAcLumaTable] = jpeg::kAcLuma;
  enc->huffSpec[jpeg::kDcChromaTable] = jpeg::kDcChroma;
  enc->huffSpec[jpeg::kAcChromaTable] = jpeg::kAcChroma;
  for (int t = 0; t < 4; ++t) jpeg::BuildHuffmanCodes(enc->huffSpec[t], enc->codes[t]);
  const int32_t scale = jpeg::QualityScale(params->quality);
  jpeg::BuildQuantizer(jpeg::kLumaQuantBase.data(), scale, enc->lumaQuant, enc->lumaHalf, enc->lumaRecip);
  jpeg::BuildQuantizer(jpeg::kChromaQuantBase.data(), scale, enc->chromaQuant, enc->chromaHalf, enc->chromaRecip);
  enc->width = params->width;
  enc->height = params->height;
  enc->memorySize = params->memorySize;
  *encoder = enc;
  return kOk;
}

// Built twice: for x86-64-v3 (AVX2, BMI2, LZCNT: single-instruction variable
// shifts and bit counts in the entropy coder) and for the baseline; the
// loader picks one. Both give the same bytes. Not under ThreadSanitizer: the
// loader runs the instrumented resolver before the sanitizer is set up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
[[gnu::target_clones("arch=x86-64-v3", "default")]]
#endif
int32_t JpegEncode(JpegEncoder* enc, JpegStream* s) {
  using namespace jpeg::fast;
  CodedFrame f;
  uint8_t* p = nullptr;
  if (const int32_t r = Prepare(enc, s, &f, &p); r != kOk) return r;
  const TransposedQuant tq = MakeTransposedQuant(enc->lumaHalf, enc->lumaRecip, enc->chromaHalf, enc->chromaRecip);
  FastWriter w;
  w.out = s->output;
  w.pos = size_t(p - s->output);
  w.capacity = s->capacity;
  const size_t limit = s->capacity - kJpegOutputReserve;
  int32_t pred[3] = {0, 0, 0};
  alignas(16) int16_t blocks[6][64];  // transposed order
  uint64_t nz[6];
  for (int32_t y = 0; y < f.ph; y += 16) {
    for (int32_t x = 0; x < f.pw; x += 16) {
      Prefetch(f, y, x);
      TransformMcu(McuAt(f, x, y), tq, blocks, nz);
      // Byte-by-byte checks only where one more MCU could reach the capacity.
      if (w.capacity - std::min(w.pos, w.capacity) >= kJpegMaxMcuBytes + 8)
        EncodeMcuFast<false>(w, blocks, nz, pred, enc->codes);
      else
        EncodeMcuFast<true>(w, blocks, nz, pred, enc->codes);
      if (w.pos > limit) return NoRoom(s, kOverrunMessage);
    }
  }
  if (!ScanFits(w.pos, limit)) return NoRoom(s);
  w.Put<true>(jpeg::kFillBits, jpeg::kFillBitCount);
  w.Drain<true>();  // what is left over after the filled byte is dropped
  return FinishFile(s, w.pos);
}

uint64_t JpegWorstCaseSize(uint32_t width, uint32_t height) {
  const uint64_t mcus = ((uint64_t(width) + 15) / 16) * ((uint64_t(height) + 15) / 16);
  return kJpegHeaderBytes + mcus * kJpegMaxMcuBytes + kJpegOutputReserve + 16;
}

namespace jpeg {

int32_t JpegEncodeReference(JpegEncoder* enc, JpegStream* s) {
  CodedFrame f;
  uint8_t* p = nullptr;
  if (const int32_t r = Prepare(enc, s, &f, &p); r != kOk) return r;
  BitWriter bw;
  bw.start = s->output;
  bw.pos = size_t(p - s->output);
  bw.capacity = s->capacity;
  const size_t limit = s->capacity - kJpegOutputReserve;
  const uint16_t* half[2] = {enc->lumaHalf, enc->chromaHalf};
  const uint16_t* recip[2] = {enc->lumaRecip, enc->chromaRecip};
  const HuffmanCode* dc[2] = {enc->codes[kDcLumaTable], enc->codes[kDcChromaTable]};
  const HuffmanCode* ac[2] = {enc->codes[kAcLumaTable], enc->codes[kAcChromaTable]};
  int32_t pred[3] = {0, 0, 0};
  for (int32_t y = 0; y < f.ph; y += 16) {
    for (int32_t x = 0; x < f.pw; x += 16) {
      const McuBlocks m = McuAt(f, x, y);
      for (int b = 0; b < 6; ++b) {
        const int side = kBlockSide[b];
        int16_t zz[64];
        TransformBlockPlain(m.src[b], m.stride[b], half[side], recip[side], zz);
        EncodeBlock(bw, zz, pred[kBlockComponent[b]], dc[side], ac[side]);
      }
      if (bw.pos > limit) return NoRoom(s, kOverrunMessage);
    }
  }
  if (!ScanFits(bw.pos, limit)) return NoRoom(s);
  FlushBits(bw);
  return FinishFile(s, bw.pos);
}

}  // namespace jpeg
}  // namespace corvane
