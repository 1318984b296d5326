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
//
// The stages live in their own files: jpeg_padding (frame preparation),
// jpeg_transform (DCT, quantisation), jpeg_entropy (Huffman coding, bit
// writer), jpeg_markers (the header segments); this file drives them.
//
// Results are the engine's codes (formats/result_codes.h): kOk; kNullArg for
// a missing pointer; kNotReady for a width or height the encoder cannot take;
// kFail for too little working memory or output space.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/jpeg_entropy.h"
#include "capture/jpeg_markers.h"
#include "capture/jpeg_padding.h"
#include "capture/jpeg_tables.h"
#include "capture/jpeg_transform.h"

namespace corvane {

// The working memory's layout: a fixed part of 7048 bytes for the tables
// (JpegEncoder takes less; the rest is slack), the padded frame right after
// it. JpegInit accepts from 6024 bytes, enough for the tables but not for a
// padded frame, which JpegEncode therefore checks against memorySize.
constexpr int32_t kJpegFixedMemory = 7048;
constexpr int32_t kJpegMinMemory = 6024;
// Output kept free for the headers, one MCU and the end of the file: coding
// stops with a failure once the output passes capacity − 1024.
constexpr uint32_t kJpegOutputReserve = 1024;
// SOI 2 + COM 13 + DQT 2×69 + SOF0 19 + DHT 2×33 + 2×183 + SOS 14.
constexpr uint32_t kJpegHeaderBytes = jpeg::kHeaderBytes;
static_assert(kJpegHeaderBytes < kJpegOutputReserve, "the headers go into the reserve unchecked");
// An upper bound of one MCU's coded bytes: per block at most 22 bits of DC
// (11-bit code, 11 bits) and 63 AC values of 26 bits (16-bit code, 10 bits),
// that is 1660 bits (< 210 bytes); six blocks, each byte possibly stuffed.
constexpr uint32_t kJpegMaxMcuBytes = 2 * 6 * 210;
// SOF0 stores the coded (16-rounded) lines and samples in 16 bits.
constexpr int32_t kJpegMaxDimension = 65520;

struct JpegParams {
  int32_t width = 0;
  int32_t height = 0;
  int32_t quality = 0;
  void* memory = nullptr;  // working memory, JpegGetMemSize bytes, owned by the caller
  int32_t memorySize = 0;
};

// The working memory's fixed part. Quantiser tables are in natural order.
struct JpegEncoder {
  jpeg::HuffmanSpec huffSpec[4];  // in jpeg::HuffmanTable order
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
// height is not a multiple of 16 (pw, ph rounded up to 16). kOk; kNullArg for
// a null record; kNotReady when width or height is outside 0..65520; kFail
// when the memory needed does not fit memorySize's 31 bits.
int32_t JpegGetMemSize(JpegParams* params);

// Builds the code and quantiser tables in the working memory and records
// width and height. kOk; kNullArg for a null record, out or memory; kFail
// when memorySize is below 6024; kNotReady when the memory is not aligned for
// the encoder, or width or height is outside 0..65520.
int32_t JpegInit(JpegParams* params, JpegEncoder** encoder);

// Encodes one frame. kOk with stream->length set; kNullArg for a null
// encoder, stream, output, plane table or plane; kNotReady for a width or
// height outside 1..65520; kFail when capacity is 1024 or less, when the
// padded frame does not fit the working memory, when the headers cannot be
// written, or when the output passes the limit while coding or has reached it
// after the last MCU (length 0 for these three). Passing the limit while
// coding also writes "\nERROR! bitstream over!\n" to standard error. Never
// writes at or past output + capacity.
int32_t JpegEncode(JpegEncoder* encoder, JpegStream* stream);

// Output capacity that is always enough for a frame of width × height.
uint64_t JpegWorstCaseSize(uint32_t width, uint32_t height);

namespace jpeg {

// The same encoding with the plain routines of the stages only (scalar DCT
// and quantiser, the 32-bit bit writer), with JpegEncode's results.
// JpegEncode takes faster paths that give the same bytes; tests compare the
// two.
int32_t JpegEncodeReference(JpegEncoder* encoder, JpegStream* stream);

}  // namespace jpeg
}  // namespace corvane
