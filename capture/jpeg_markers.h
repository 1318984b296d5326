// The JPEG encoder's marker stage: one function per segment of the file
// header, and the byte counts the encoder reserves for them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/jpeg_tables.h"

namespace corvane {

struct JpegEncoder;

namespace jpeg {

// Every marker is this byte followed by the marker's code (ISO/IEC 10918-1
// Table B.1).
constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kSOI = 0xD8, kEOI = 0xD9, kCOM = 0xFE, kDQT = 0xDB, kSOF0 = 0xC0, kDHT = 0xC4, kSOS = 0xDA;

// The comment every file carries.
inline constexpr char kComment[] = "quorvelta";
constexpr size_t kCommentLength = sizeof(kComment) - 1;

// Bytes of each segment as written. A segment's length field counts itself
// (2 bytes) and what follows, not the 2 marker bytes.
constexpr uint32_t kMarkerBytes = 2;
constexpr uint32_t kLengthBytes = 2;
constexpr uint32_t kSoiBytes = kMarkerBytes;
constexpr uint32_t kEoiBytes = kMarkerBytes;
constexpr uint32_t ComBytes(size_t textLength) { return kMarkerBytes + kLengthBytes + uint32_t(textLength); }
// Precision/id byte and 64 eight-bit quantisers: 69.
constexpr uint32_t kDqtBytes = kMarkerBytes + kLengthBytes + 1 + 64;
// Precision, lines, samples per line, component count, then id, sampling and
// table of each of the three components: 19.
constexpr uint32_t kSof0Bytes = kMarkerBytes + kLengthBytes + 1 + 2 + 2 + 1 + 3 * 3;
// Class/id byte, sixteen code counts, the symbols: 33 for a DC table, 183 for
// an AC table.
constexpr uint32_t DhtBytes(uint32_t valueCount) { return kMarkerBytes + kLengthBytes + 1 + 16 + valueCount; }
// Component count, three (id, tables) pairs, spectral selection start and
// end, successive approximation: 14.
constexpr uint32_t kSosBytes = kMarkerBytes + kLengthBytes + 1 + 3 * 2 + 3;
// SOI to SOS as JpegWriteHeaders writes them: 618.
constexpr uint32_t kHeaderBytes = kSoiBytes + ComBytes(kCommentLength) + 2 * kDqtBytes + kSof0Bytes +
                                  DhtBytes(kDcLuma.valueCount) + DhtBytes(kDcChroma.valueCount) +
                                  DhtBytes(kAcLuma.valueCount) + DhtBytes(kAcChroma.valueCount) + kSosBytes;
static_assert(kHeaderBytes == 618);

// The segments; p advances past what is written.
void WriteSOI(uint8_t*& p);
bool WriteCOM(uint8_t*& p, const char* text, size_t length);  // false above 65 533 bytes
void WriteDQT(uint8_t*& p, uint8_t tableId, const uint16_t quant[64]);  // quant in natural order
void WriteSOF0(uint8_t*& p, uint16_t lines, uint16_t samplesPerLine);
void WriteDHT(uint8_t*& p, uint8_t classAndId, const HuffmanSpec& table);
void WriteSOS(uint8_t*& p);
void WriteEOI(uint8_t*& p);
// Segments SOI to SOS (kHeaderBytes); SOF0 carries the coded (padded) size.
// False when the comment does not fit its segment.
bool JpegWriteHeaders(const JpegEncoder& enc, int32_t codedWidth, int32_t codedHeight, uint8_t*& p);

}  // namespace jpeg
}  // namespace corvane
