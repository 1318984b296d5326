// Baseline sequential JPEG encoder for planar 4:2:0 frames: 8-bit samples,
// three components (Y, Cb, Cr) with 2×2, 1×1, 1×1 sampling, the standard's
// example quantisation and Huffman tables, integer arithmetic only. Output is
// defined to the byte: the same frame and quality give the same file on every
// machine.
//
// The encoder allocates nothing: its working memory (tables and, when the
// frame is not a multiple of 16 in both directions, a padded copy of the
// frame) and the output buffer belong to the caller.
//
// File written: SOI, COM "quorvelta", DQT ×2, SOF0, DHT ×4, SOS, the
// entropy-coded scan, EOI. No APP0/JFIF segment and no restart markers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/jpeg_tables.h"

namespace corvane {

// Results of the encoder's entry points (not the engine's result codes).
constexpr int32_t kJpegOk = 1;
constexpr int32_t kJpegStreamError = 0;  // headers not written, or the output passed the limit while coding
constexpr int32_t kJpegNullArg = static_cast<int32_t>(0x80000000u);
constexpr int32_t kJpegFail = static_cast<int32_t>(0x80000001u);        // too little memory or output space
constexpr int32_t kJpegBadWidth = static_cast<int32_t>(0x80000002u);    // width 0 (or not 1..65520)
constexpr int32_t kJpegBadHeight = static_cast<int32_t>(0x80000003u);   // height 0 (or not 1..65520)

// The working memory's layout: a fixed part of 7048 bytes for the tables
// (JpegEncoder takes less; the rest is slack), the padded frame right after
// it. JpegInit accepts from 6024 bytes, enough for the tables but not for a
// padded frame, which JpegEncode therefore checks against memorySize.
constexpr int32_t kJpegFixedMemory = 7048;
constexpr int32_t kJpegMinMemory = 6024;
// Output kept free for the headers (618 bytes), one MCU and the end of the
// file: coding stops with a failure once the output passes capacity − 1024.
constexpr uint32_t kJpegOutputReserve = 1024;
// SOI 2 + COM 13 + DQT 2×69 + SOF0 19 + DHT 2×33 + 2×183 + SOS 14.
constexpr uint32_t kJpegHeaderBytes = 618;
// An upper bound of one MCU's coded bytes: per block at most 22 bits of DC
// (11-bit code, 11 bits) and 63 AC values of 26 bits (16-bit code, 10 bits),
// that is 1660 bits (< 210 bytes); six blocks, each byte possibly stuffed.
constexpr uint32_t kJpegMaxMcuBytes = 2 * 6 * 210;

struct JpegParams {
  int32_t width = 0;
  int32_t height = 0;
  int32_t quality = 0;
  void* memory = nullptr;  // working memory, JpegGetMemSize bytes, owned by the caller
  int32_t memorySize = 0;
};

struct HuffmanCode {
  uint16_t code;    // right-aligned
  uint16_t length;  // 0: the table has no such symbol
};

// The working memory's fixed part. Quantiser tables are in natural order.
struct JpegEncoder {
  jpeg::HuffmanSpec huffSpec[4];  // DC luma, AC luma, DC chroma, AC chroma
  HuffmanCode codes[4][256];      // by symbol, same order
  uint16_t lumaQuant[64];
  uint16_t chromaQuant[64];
  uint16_t lumaRecip[64];  // 65536 / q + 1 (65535 for q = 1)
  uint16_t chromaRecip[64];
  uint16_t lumaHalf[64];  // q / 2 (1 for q = 1)
  uint16_t chromaHalf[64];
  int32_t width;
  int32_t height;
  int32_t memorySize;  // so that a padded frame is never written past the memory
};
static_assert(sizeof(JpegEncoder) <= size_t(kJpegMinMemory), "the fixed part fits the smallest memory");

struct JpegStream {
  const uint8_t* const* planes = nullptr;  // Y, Cb, Cr; rows width and width/2 long
  uint8_t* output = nullptr;
  uint32_t capacity = 0;  // bytes at output
  uint32_t length = 0;    // written by the encoder
};

// Sets memorySize: 7048, plus (pw·ph·3)/2 for the padded frame when width or
// height is not a multiple of 16 (pw, ph rounded up to 16). 1; kJpegNullArg
// for a null record; kJpegFail when width or height is outside 0..65520.
int32_t JpegGetMemSize(JpegParams* params);

// Builds the code and quantiser tables in the working memory and records
// width and height. 1; kJpegNullArg for a null record, out or memory;
// kJpegFail when memorySize is below 6024, the memory is not aligned for the
// encoder, or width or height is outside 0..65520.
int32_t JpegInit(JpegParams* params, JpegEncoder** encoder);

// Encodes one frame. 1 with stream->length set; kJpegNullArg for a null
// encoder, stream, output, plane table or plane; kJpegBadWidth,
// kJpegBadHeight; kJpegFail when capacity is 1024 or less, when the padded
// frame does not fit the working memory, or when the output has reached the
// limit after the last MCU (length 0); kJpegStreamError when the headers
// cannot be written or the output passes the limit while coding
// ("\nERROR! bitstream over!\n" on standard output). Never writes at or past
// output + capacity.
int32_t JpegEncode(JpegEncoder* encoder, JpegStream* stream);

// Output capacity that is always enough for a frame of width × height.
uint64_t JpegWorstCaseSize(uint32_t width, uint32_t height);

namespace jpeg {

// Code of each symbol from the counts and symbols of a DHT table (Annex C):
// codes of one length are consecutive; moving to the next length appends a 0.
void BuildHuffmanCodes(const HuffmanSpec& table, HuffmanCode out[256]);

// Percentage applied to the base tables: 5000 / q below 50, 200 − 2q from 50
// (quality 50 keeps the tables, 100 makes every quantiser 1).
int32_t QualityScale(int32_t quality);

// Quantisers (scale·base + 50) / 100 clamped to 1..255, with the half values
// and reciprocals that QuantizeBlock uses instead of a division.
void BuildQuantizer(const uint8_t base[64], int32_t scale, uint16_t quant[64], uint16_t half[64],
                    uint16_t recip[64]);

// Forward 8×8 DCT in place, 16.16 fixed point, results bit-exact as defined:
// a column pass then a row pass, every intermediate a wrapping 16-bit value.
void ForwardDCT(int16_t block[64]);

// Quantises natural-order coefficients into zigzag order.
void QuantizeBlock(const int16_t coef[64], const uint16_t half[64], const uint16_t recip[64], int16_t zigzag[64]);

// The bit writer: bits wait left-aligned in a 32-bit buffer; whole bytes go
// out at once, each 0xFF followed by a stuffed 0x00. Bytes are stored only
// below `capacity`; `pos` keeps counting past it, so an overflow shows as a
// position beyond the limit and nothing is written out of bounds.
struct BitWriter {
  int32_t count = 0;    // bits waiting
  uint32_t buffer = 0;  // waiting bits from bit 31 down
  uint8_t* start = nullptr;
  size_t pos = 0;       // write position, bytes from start
  size_t capacity = 0;
};
void PutBits(BitWriter& bw, uint32_t bits, int n);  // n <= 24
void FlushBits(BitWriter& bw);                      // pads the last byte with 1 bits

// Huffman-codes one zigzag-ordered block (Annex F.1.2): the DC difference
// from the component's predictor, then the AC values as run/size symbols
// with ZRL for runs above 15 and EOB unless the last value is non-zero.
void EncodeBlock(BitWriter& bw, const int16_t zigzag[64], int32_t& predictor, const HuffmanCode dc[256],
                 const HuffmanCode ac[256]);

// Copies a srcW × srcH plane into dstW × dstH (dstW >= srcW, dstH >= srcH):
// each row is continued with its last sample, the rows below repeat the last
// row. An empty source (srcW or srcH 0, as the chroma of a 1-pixel frame) fills
// the plane with 128, the sample that codes as zero.
void PadPlane(const uint8_t* src, int32_t srcW, int32_t srcH, uint8_t* dst, int32_t dstW, int32_t dstH);

// Centres a 4:2:0 frame of w × h (h mod 16 = 8) in one of w × (h + 8): the Y
// plane gets 4 copies of its first row above and 4 of its last below, each
// chroma plane 2 and 2. Plane order is kept. False, with nothing written, for
// other heights, an odd w or null pointers.
bool PadHeightBy8(const uint8_t* frame, uint8_t* out, uint32_t w, uint32_t h);

// The marker segments, one function each; p advances past what is written.
void WriteSOI(uint8_t*& p);
bool WriteCOM(uint8_t*& p, const char* text, size_t length);  // false above 65 533 bytes
void WriteDQT(uint8_t*& p, uint8_t tableId, const uint16_t quant[64]);
void WriteSOF0(uint8_t*& p, uint16_t lines, uint16_t samplesPerLine);
void WriteDHT(uint8_t*& p, uint8_t classAndId, const HuffmanSpec& table);
void WriteSOS(uint8_t*& p);
void WriteEOI(uint8_t*& p);
// Segments SOI to SOS; SOF0 carries the coded (padded) size.
bool JpegWriteHeaders(const JpegEncoder& enc, int32_t codedWidth, int32_t codedHeight, uint8_t*& p);

// The same encoding with the plain routines above only (scalar DCT and
// quantiser, the 32-bit bit writer). JpegEncode takes faster paths that give
// the same bytes; tests compare the two.
int32_t JpegEncodeReference(JpegEncoder* encoder, JpegStream* stream);

}  // namespace jpeg
}  // namespace corvane
