// The JPEG encoder's entropy stage: Huffman codes from the DHT tables, the
// bit writer with its byte stuffing, and the coding of one block. These are
// the plain routines that define the scan; jpeg_entropy_fast.h holds the
// faster writer that gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/jpeg_tables.h"

namespace corvane {

struct HuffmanCode {
  uint16_t code;    // right-aligned
  uint16_t length;  // 0: the table has no such symbol
};

namespace jpeg {

// The order of an encoder's four Huffman tables.
enum HuffmanTable { kDcLumaTable = 0, kAcLumaTable = 1, kDcChromaTable = 2, kAcChromaTable = 3 };

// Symbols of the AC tables: end of block, a run of sixteen zeros.
constexpr int kEOB = 0x00, kZRL = 0xF0;

// A scan byte of 0xFF is followed by this byte, so that a decoder does not
// take it for the start of a marker.
constexpr uint8_t kStuffedByte = 0x00;

// The last byte of the scan is filled with 1 bits: at most seven.
constexpr uint32_t kFillBits = 0x7F;
constexpr int kFillBitCount = 7;

// Code of each symbol from the counts and symbols of a DHT table (Annex C):
// codes of one length are consecutive; moving to the next length appends a 0.
void BuildHuffmanCodes(const HuffmanSpec& table, HuffmanCode out[256]);

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

}  // namespace jpeg
}  // namespace corvane
