#include "capture/jpeg_markers.h"

#include <cstring>

#include "capture/jpeg_encoder.h"

namespace corvane::jpeg {

namespace {

void PutMarker(uint8_t*& p, uint8_t code) {
  *p++ = kMarkerPrefix;
  *p++ = code;
}

// Big-endian, as every multi-byte field of the file.
void Put16(uint8_t*& p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
  p += 2;
}

// Marker and length field of a segment of `bytes` bytes in all.
void PutSegmentStart(uint8_t*& p, uint8_t code, uint32_t bytes) {
  PutMarker(p, code);
  Put16(p, bytes - kMarkerBytes);
}

}  // namespace

void WriteSOI(uint8_t*& p) { PutMarker(p, kSOI); }

bool WriteCOM(uint8_t*& p, const char* text, size_t length) {
  // The length field must fit 16 bits.
  if (length > 0xFFFF - kLengthBytes) return false;
  PutSegmentStart(p, kCOM, ComBytes(length));
  std::memcpy(p, text, length);
  p += length;
  return true;
}

void WriteDQT(uint8_t*& p, uint8_t tableId, const uint16_t quant[64]) {
  PutSegmentStart(p, kDQT, kDqtBytes);
  *p++ = uint8_t(tableId);  // high nibble 0: 8-bit entries
  for (int z = 0; z < 64; ++z) *p++ = uint8_t(quant[kZigzagToNatural[size_t(z)]]);
}

void WriteSOF0(uint8_t*& p, uint16_t lines, uint16_t samplesPerLine) {
  PutSegmentStart(p, kSOF0, kSof0Bytes);
  *p++ = 8;  // sample precision
  Put16(p, lines);
  Put16(p, samplesPerLine);
  *p++ = 3;
  // id, sampling (horizontal << 4 | vertical), quantisation table: luma 2×2,
  // each chroma component 1×1 (4:2:0).
  const uint8_t components[3][3] = {{0, 0x22, 0}, {1, 0x11, 1}, {2, 0x11, 1}};
  for (const auto& c : components) {
    *p++ = c[0];
    *p++ = c[1];
    *p++ = c[2];
  }
}

void WriteDHT(uint8_t*& p, uint8_t classAndId, const HuffmanSpec& table) {
  PutSegmentStart(p, kDHT, DhtBytes(table.valueCount));
  *p++ = classAndId;  // high nibble 0 DC, 1 AC; low nibble table id
  std::memcpy(p, table.counts.data(), 16);
  p += 16;
  std::memcpy(p, table.values.data(), table.valueCount);
  p += table.valueCount;
}

void WriteSOS(uint8_t*& p) {
  PutSegmentStart(p, kSOS, kSosBytes);
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

void WriteEOI(uint8_t*& p) { PutMarker(p, kEOI); }

bool JpegWriteHeaders(const JpegEncoder& enc, int32_t codedWidth, int32_t codedHeight, uint8_t*& p) {
  WriteSOI(p);
  if (!WriteCOM(p, kComment, kCommentLength)) return false;
  WriteDQT(p, 0, enc.lumaQuant);
  WriteDQT(p, 1, enc.chromaQuant);
  WriteSOF0(p, uint16_t(codedHeight), uint16_t(codedWidth));
  WriteDHT(p, 0x00, enc.huffSpec[kDcLumaTable]);
  WriteDHT(p, 0x01, enc.huffSpec[kDcChromaTable]);
  WriteDHT(p, 0x10, enc.huffSpec[kAcLumaTable]);
  WriteDHT(p, 0x11, enc.huffSpec[kAcChromaTable]);
  WriteSOS(p);
  return true;
}

}  // namespace corvane::jpeg
