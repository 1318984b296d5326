// The Y4M (YUV4MPEG2) stream, as the yuv4mpeg(5) manual page and ffmpeg's
// writer lay it out: a stream header line, then frames, each a header line
// ("FRAME", optional tags, "\n") and the planes.
//
//   YUV4MPEG2 W352 H288 F30000:1001 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n
//   FRAME\n<planes>FRAME\n<planes>...
//
// The stream header is untrusted input: numbers are parsed in 64 bits and
// refused when they do not fit, the frame size must fit in 32 bits, and a
// line longer than the limits below is refused rather than searched for
// ever. Nothing here touches a file: the index reads through a callback, so
// the fuzz target drives it from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/video_file.h"
#include "formats/yuv_format.h"
#include "platform/result.h"

namespace corvane::y4m {

inline constexpr std::string_view kMagic = "YUV4MPEG2";
inline constexpr std::string_view kFrameMagic = "FRAME";
// Longest stream header accepted, its "\n" included. ffmpeg writes under 100
// bytes; X tags are free text, so there is room for them, but a file whose
// first 4 KiB hold no line end is not a Y4M file.
inline constexpr size_t kMaxStreamHeader = 4096;
// Longest frame header accepted, its "\n" included ("FRAME\n" is 6 bytes;
// ffmpeg's reader stops at 256).
inline constexpr size_t kMaxFrameHeader = 1024;

// Why a stream could not be read: `reason` words a refusal of the file's
// bytes ("no W tag in the stream header"); `error` is an errno when a read
// itself failed (reason then empty).
struct Problem {
  std::string reason;
  int error = 0;
};

struct StreamHeader {
  YUVPara para{};             // format code, width, height; the interval from F (ms, rounded)
  StreamFacts facts;          // rate, interlacing, aspect, range, sampling, the header text
  uint32_t frameSize = 0;     // bytes of one frame's planes
  size_t length = 0;          // bytes of the header line, its "\n" included
};

// Parses the stream header at the start of `bytes` (which may hold more:
// the line ends at the first "\n"). `bytes` shorter than the header's line
// and shorter than kMaxStreamHeader reads as a header cut short.
Result<StreamHeader, Problem> ParseStreamHeader(std::string_view bytes);

// The C tag that names the layout of a Corvane format at this size, or an
// empty view when Y4M has no sampling with exactly that layout (YV12's
// planes Y, V, U; packed and RGB formats; odd sizes of the 8-bit 4:2:0
// and 4:2:2 formats, whose chroma rows round down where Y4M's round up).
std::string_view SamplingTagOf(uint32_t code, uint32_t width, uint32_t height);

// A stream header that describes frames of `para` at `rate` (progressive,
// square pixels), its "\n" included.
std::string StreamHeaderFor(const YUVPara& para, Ratio rate);
inline constexpr std::string_view kBareFrameHeader = "FRAME\n";

// Where each frame's planes lie. Frames whose headers are all the bare
// "FRAME\n" keep no table: frame k's planes are at a fixed stride.
struct FrameIndex {
  uint64_t first = 0;             // the first frame header's offset (the stream header's length)
  uint32_t frameSize = 0;         // bytes of one frame's planes
  uint32_t count = 0;             // whole frames
  bool uniform = true;            // every header so far is "FRAME\n"
  std::vector<uint64_t> planes;   // when not uniform: where frame k's planes start (k from 0)
  uint64_t end = 0;               // the byte after the last whole frame

  // Offsets of frame k (0-based, k < count): its planes, and its header.
  uint64_t PlanesAt(uint32_t k) const {
    return uniform ? first + kBareFrameHeader.size() + uint64_t(k) * (kBareFrameHeader.size() + frameSize)
                   : planes[k];
  }
  uint64_t HeaderAt(uint32_t k) const { return k == 0 ? first : PlanesAt(k - 1) + frameSize; }
  // Keeps the first `count` frames only (a file cut short).
  void KeepFirst(uint32_t count);
};

// Reads `length` bytes at `offset` into `buffer`: the count read (short at
// the end of the data) or -1 with errno set.
using ReadAt = std::function<int64_t(void* buffer, size_t length, uint64_t offset)>;

// Told, before each frame header is read, where it lies and how many bytes
// a frame (header and planes) has taken on average so far: a reader of a
// file on a disk can ask the system to read the next headers' pages at
// once (where they will lie is a guess: headers may differ in length).
using LookAhead = std::function<void(uint64_t next, uint64_t averageFrameBytes)>;

// Reads the frame headers from index->end up to `size` bytes and adds each
// whole frame to the index: only the headers are read, never the planes.
// A frame cut short (its header or planes run past `size`) is not counted
// and index->end stays before it. Refuses a header that does not start
// with "FRAME" followed by a space or "\n", and one longer than
// kMaxFrameHeader; the index then keeps the frames before it.
Result<void, Problem> ExtendIndex(FrameIndex* index, uint64_t size, const ReadAt& read,
                                  const LookAhead& lookAhead = {});

}  // namespace corvane::y4m
