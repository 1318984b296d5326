// The parameter trailer a raw video file may end in: N YUVPara records, one
// per segment, then a 12-byte YUVTrailerEnd {N, 28·N + 12, magic}. A trailer
// is untrusted input: every size is computed in 64 bits, and a table that
// does not fit the file, offsets that go backwards or past the data, or a
// record whose frame size does not fit in 32 bits make the trailer damaged.
//
// The frame source, the command line and the splice tool all read and write
// trailers through these functions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/yuv_format.h"

namespace platform {
class File;
}

namespace corvane {

constexpr uint32_t kTrailerMagic = 0x52565049u;  // file bytes "IPVR"
constexpr uint32_t kParaRecordSize = 28;
constexpr uint32_t kTrailerEndSize = 12;
constexpr uint32_t kPlainTrailerSize = kParaRecordSize + kTrailerEndSize;  // 40
// More segments than this is not a file anyone spliced; refusing it keeps a
// forged count from making us allocate a huge record table.
constexpr uint32_t kMaxTrailerRecords = 1u << 20;

struct YUVTrailerEnd {
  uint32_t paraCount = 0;
  uint32_t trailerSize = 0;
  uint32_t magic = 0;
};
static_assert(sizeof(YUVTrailerEnd) == 12);

// One segment of a spliced file, in memory only.
struct SegmentInfo {
  uint64_t length = 0;      // bytes from start to the next segment (or the data end)
  uint64_t start = 0;       // byte offset of its first frame
  uint32_t frameSize = 0;   // 0 when its record has no usable format
  uint32_t frameCount = 0;  // whole frames; bytes after the last one are never shown
};
static_assert(sizeof(SegmentInfo) == 24);

enum class TrailerKind { kNone, kPlain, kSpliced, kDamaged };
const char* TrailerKindName(TrailerKind kind);  // "none", "plain", "spliced", "damaged"

// Little-endian encoding of the on-disk records.
void EncodePara(const YUVPara& para, uint8_t out[kParaRecordSize]);
YUVPara DecodePara(const uint8_t in[kParaRecordSize]);
YUVTrailerEnd DecodeTrailerEnd(const uint8_t in[kTrailerEndSize]);

// Whether the end record describes a usable trailer in a file of fileSize
// bytes. Call only when the magic matches. On refusal, why says what is wrong.
bool CheckTrailerEnd(const YUVTrailerEnd& end, uint64_t fileSize, std::string* why);

// The segment table of a trailer's records over dataSize bytes of frames.
// Refuses (false, why) offsets that do not start at 0, go backwards or lie
// beyond the data. A record without a usable format gives a segment of
// frame size 0 and no frames.
bool BuildSegmentTable(std::span<const YUVPara> records, uint64_t dataSize,
                       std::vector<SegmentInfo>* out, std::string* why);

// Each record's frame size must fit in 32 bits.
bool CheckRecordGeometry(std::span<const YUVPara> records, std::string* why);

// The bytes of a trailer for these records: the records, then the end record.
std::vector<uint8_t> EncodeTrailer(std::span<const YUVPara> records);

// Everything known about a file's trailer.
struct TrailerInfo {
  TrailerKind kind = TrailerKind::kNone;
  YUVTrailerEnd end;                  // as read (zeros when the file is shorter than 12 bytes)
  std::vector<YUVPara> records;       // plain and spliced only
  std::vector<SegmentInfo> segments;  // spliced only
  uint64_t fileSize = 0;
  uint64_t dataSize = 0;  // bytes of frame data before the trailer (the whole file without one)
  std::string damage;     // why a damaged trailer was refused
  bool ioError = false;   // the end or the table could not be read
};

// Parses a trailer from the last bytes of a file. `tail` holds the file's last
// tail.size() bytes (at most the whole file); it must hold at least the end
// record and, for a trailer to be accepted, the whole record table.
TrailerInfo ParseTrailer(std::span<const uint8_t> tail, uint64_t fileSize);

// Reads and parses the trailer of an open file with positional reads.
TrailerInfo ReadTrailer(const platform::File& file);

// Frames of a plain (one-segment) layout of dataSize bytes; clamped to 32 bits.
uint32_t PlainFrameCount(uint64_t dataSize, uint32_t frameSize);
// Sum of the segments' frame counts, clamped to 32 bits.
uint32_t TotalFrameCount(std::span<const SegmentInfo> segments);

}  // namespace corvane
