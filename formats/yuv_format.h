// Frame parameters, pixel-format codes, the engine's format ids, frame sizes
// and plane geometry, and the format lists the dialogs offer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Builds a format code from its four-letter name, most significant byte first:
// FourCode("YV12") == 0x59563132. Stored little-endian, the bytes read "21VY".
constexpr uint32_t FourCode(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

namespace fmt {
constexpr uint32_t YVYU = FourCode("YVYU");
constexpr uint32_t YUYV = FourCode("YUYV");
constexpr uint32_t UYVY = FourCode("UYVY");
constexpr uint32_t YV12 = FourCode("YV12");  // planes Y, U, V (what others call I420)
constexpr uint32_t YV16 = FourCode("YV16");  // planes Y, U, V at 4:2:2
constexpr uint32_t RGB4 = FourCode("RGB4");  // shown as "RGB32"
constexpr uint32_t RGB3 = FourCode("RGB3");  // shown as "RGB24"
constexpr uint32_t RGB2 = FourCode("RGB2");  // shown as "RGB565"
constexpr uint32_t NV12 = FourCode("NV12");
constexpr uint32_t IYUV = FourCode("IYUV");  // planes Y, V, U
constexpr uint32_t IUYV = FourCode("IUYV");
constexpr uint32_t IYU2 = FourCode("IYU2");
constexpr uint32_t NV16 = FourCode("NV16");
// Formats added later; each code also names its layout in `info`.
constexpr uint32_t I444 = FourCode("I444");    // planes Y, U, V at 4:4:4
constexpr uint32_t NV21 = FourCode("NV21");    // Y, then V,U pairs at 4:2:0
constexpr uint32_t GRAY = FourCode("GRAY");    // Y only
constexpr uint32_t I010 = FourCode("I010");    // 10 bits in 16-bit words, planes Y, U, V at 4:2:0
constexpr uint32_t I210 = FourCode("I210");    //   at 4:2:2
constexpr uint32_t I410 = FourCode("I410");    //   at 4:4:4
constexpr uint32_t I012 = FourCode("I012");    // 12 bits in 16-bit words at 4:2:0
constexpr uint32_t GRAY10 = FourCode("GY10");  // 10-bit Y only
constexpr uint32_t P010 = FourCode("P010");    // Y, then U,V pairs at 4:2:0, 16-bit words, data in the high bits
constexpr uint32_t P016 = FourCode("P016");    //   all 16 bits used
constexpr uint32_t V210 = FourCode("v210");    // 10-bit 4:2:2, 6 pixels in 4 32-bit words
}  // namespace fmt

static_assert(fmt::YV12 == 0x59563132u && fmt::NV16 == 0x4E563136u && fmt::RGB4 == 0x52474234u);

// The frame interval, in ms, of a record that stores 0, of the factory
// default parameters and of a clock that has not been given one.
constexpr uint32_t kDefaultFrameInterval = 40;

// Tag that writers put in word 0 of every record: file bytes "PCVR".
constexpr uint32_t kParaTag = 0x52564350u;

// Frame parameters: seven little-endian 32-bit words, the same bytes in memory
// and in a file's parameter trailer.
struct YUVPara {
  uint32_t tag = 0;
  uint32_t format = 0;         // format code, fmt::*
  uint32_t width = 0;          // pixels
  uint32_t height = 0;         // lines
  uint32_t frameInterval = 0;  // ms per frame; 0 means kDefaultFrameInterval
  uint32_t offsetHigh = 0;     // byte offset of the segment's first frame, high word
  uint32_t offsetLow = 0;      //   and low word (spliced files; 0 otherwise)

  uint64_t Offset() const { return (uint64_t(offsetHigh) << 32) | offsetLow; }
  void SetOffset(uint64_t off) {
    offsetHigh = uint32_t(off >> 32);
    offsetLow = uint32_t(off);
  }
  uint32_t EffectiveInterval() const { return frameInterval == 0 ? kDefaultFrameInterval : frameInterval; }
  friend bool operator==(const YUVPara&, const YUVPara&) = default;
};
static_assert(sizeof(YUVPara) == 28, "YUVPara is stored as 28 bytes");
static_assert(offsetof(YUVPara, format) == 4 && offsetof(YUVPara, width) == 8 &&
              offsetof(YUVPara, height) == 12 && offsetof(YUVPara, frameInterval) == 16 &&
              offsetof(YUVPara, offsetHigh) == 20 && offsetof(YUVPara, offsetLow) == 24);

// The engine's internal format id. It indexes the surface-format table and the
// copy routines and travels with every frame buffer.
enum YUVType : int32_t {
  YUV_NONE = -1,
  YUV_YVYU = 0,
  YUV_YUYV = 1,
  YUV_UYVY = 2,
  YUV_YV12 = 3,    // planar 4:2:0; plane order in kPlaneOrders below
  YUV_YV16 = 4,    // planar 4:2:2
  YUV_RGB32 = 5,
  YUV_RGB24 = 6,
  YUV_RGB565 = 7,
  YUV_RGB555 = 8,  // display surface format only; no code maps to it
  YUV_NV12 = 9,
  YUV_IYUV = 10,   // planar 4:2:0
  YUV_IUYV = 11,   // UYVY pairs, lines in field order (IUYVStoredRow)
  YUV_IYU2 = 12,   // packed 4:4:4, U Y V
  YUV_NV16 = 13,
  // Added formats. Their chroma planes round odd sizes up, as ffmpeg and
  // libyuv lay them out; samples of more than 8 bits are 16-bit
  // little-endian words.
  YUV_I444 = 14,
  YUV_NV21 = 15,
  YUV_GRAY = 16,
  YUV_I010 = 17,
  YUV_I210 = 18,
  YUV_I410 = 19,
  YUV_I012 = 20,
  YUV_GRAY10 = 21,
  YUV_P010 = 22,
  YUV_P016 = 23,
  YUV_V210 = 24,
};
constexpr int kYUVTypeCount = 25;
// The first of the added formats: every id from here on is one of them.
constexpr YUVType kFirstAddedType = YUV_I444;
constexpr bool IsAddedType(YUVType type) { return type >= kFirstAddedType && type < kYUVTypeCount; }

// Where each layout keeps its Y, U and V. The code named YV12 (YUV_YV12)
// holds Y, U, V and the code named IYUV (YUV_IYUV) holds Y, V, U: the names
// are crossed against their usual meaning, so no reader of a planar frame or
// surface compares the type itself; it asks PlaneOrderOf or ChromaPlanesOf.
enum class PlaneOrder {
  kPacked,          // one plane of interleaved samples (or RGB)
  kYUV,             // three planes: Y, U, V
  kYVU,             // three planes: Y, V, U
  kYInterleavedUV,  // Y, then one plane of U,V pairs
  kYInterleavedVU,  // Y, then one plane of V,U pairs
  kYOnly,           // one plane of Y
};
inline constexpr std::array<PlaneOrder, kYUVTypeCount> kPlaneOrders{
    PlaneOrder::kPacked,           // YUV_YVYU
    PlaneOrder::kPacked,           // YUV_YUYV
    PlaneOrder::kPacked,           // YUV_UYVY
    PlaneOrder::kYUV,              // YUV_YV12, stored "YV12"
    PlaneOrder::kYUV,              // YUV_YV16
    PlaneOrder::kPacked,           // YUV_RGB32
    PlaneOrder::kPacked,           // YUV_RGB24
    PlaneOrder::kPacked,           // YUV_RGB565
    PlaneOrder::kPacked,           // YUV_RGB555
    PlaneOrder::kYInterleavedUV,   // YUV_NV12
    PlaneOrder::kYVU,              // YUV_IYUV, stored "IYUV"
    PlaneOrder::kPacked,           // YUV_IUYV
    PlaneOrder::kPacked,           // YUV_IYU2
    PlaneOrder::kYInterleavedUV,   // YUV_NV16
    PlaneOrder::kYUV,              // YUV_I444
    PlaneOrder::kYInterleavedVU,   // YUV_NV21
    PlaneOrder::kYOnly,            // YUV_GRAY
    PlaneOrder::kYUV,              // YUV_I010
    PlaneOrder::kYUV,              // YUV_I210
    PlaneOrder::kYUV,              // YUV_I410
    PlaneOrder::kYUV,              // YUV_I012
    PlaneOrder::kYOnly,            // YUV_GRAY10
    PlaneOrder::kYInterleavedUV,   // YUV_P010
    PlaneOrder::kYInterleavedUV,   // YUV_P016
    PlaneOrder::kPacked,           // YUV_V210
};
// kPacked for YUV_NONE and ids out of range.
constexpr PlaneOrder PlaneOrderOf(YUVType type) {
  return type >= 0 && type < kYUVTypeCount ? kPlaneOrders[size_t(type)] : PlaneOrder::kPacked;
}

// The plane indices of U and V: 1 and 2 (kYUV), 2 and 1 (kYVU), both 1 for
// the plane of pairs (U first for kYInterleavedUV, V first for
// kYInterleavedVU), both 0 for packed and Y-only layouts.
struct ChromaPlanes {
  int u;
  int v;
};
constexpr ChromaPlanes ChromaPlanesOf(YUVType type) {
  switch (PlaneOrderOf(type)) {
    case PlaneOrder::kYUV: return {1, 2};
    case PlaneOrder::kYVU: return {2, 1};
    case PlaneOrder::kYInterleavedUV:
    case PlaneOrder::kYInterleavedVU: return {1, 1};
    case PlaneOrder::kYOnly:
    case PlaneOrder::kPacked: break;
  }
  return {0, 0};
}

// IUYV stores its lines field by field: display lines 0, 2, 4, ... in rows
// 0 .. h/2 - 1, then lines 1, 3, 5, ... from row h/2. An odd height's last
// line belongs to neither field; the frame's last row, h - 1, is left over
// and is where that line is read from.
constexpr bool IUYVLineInField(uint32_t y, uint32_t h) { return y % 2 != 0 || y / 2 < h / 2; }
// The stored row of display line y (y < h).
constexpr uint32_t IUYVStoredRow(uint32_t y, uint32_t h) {
  if (!IUYVLineInField(y, h)) return h - 1;
  return y % 2 == 0 ? y / 2 : h / 2 + y / 2;
}

// The id of a format code, or nullopt when the code is not in the table.
std::optional<YUVType> TypeOfCode(uint32_t code);
// The code of an id, or 0 for ids without a code (8, out of range).
uint32_t CodeOfType(YUVType type);
// The code's four letters ("YV12"), or "0x%08X" for codes that do not spell one.
std::string CodeName(uint32_t code);

// Bits of each sample: 8, or 10, 12, 16 for the deep formats.
int BitDepthOf(YUVType type);

// v210 packs 6 pixels (U Y V Y U Y V Y U Y V Y, 10 bits each, three to a
// little-endian 32-bit word from the low bits up) into 16 bytes, and pads
// every row to a whole number of 128-byte blocks of 48 pixels.
constexpr uint64_t V210RowBytes(uint32_t width) { return (uint64_t(width) + 47) / 48 * 128; }

// Frame size in 64 bits, so that callers can tell a size that does not fit in
// 32 bits. 4:2:0 sizes are (3·w·h) >> 1: an odd product loses half a byte.
uint64_t FrameSize64(YUVType type, uint32_t width, uint32_t height);

// The one routine from which every frame size is taken.
//  - null para, or width·height == 0: type YUV_NONE, size 0, false;
//  - an unknown code: type 0, size 0, false;
//  - a frame size that does not fit in 32 bits: type YUV_NONE, size 0, false
//    (such a geometry can only come from a damaged record);
//  - otherwise the format's id and frame size, true.
bool GetTypeAndFrameSize(const YUVPara* para, YUVType* type, uint32_t* frameSize);

// Byte layout of one frame: where each plane starts and how long a row is.
// Packed formats have one plane. Chroma planes use integer halving, so an odd
// width or height drops its last chroma column or line.
// Which plane holds U and V is PlaneOrderOf's answer, not the layout's.
// The added formats round chroma sizes up instead (ceil(w/2), ceil(h/2)).
struct PlaneLayout {
  int planeCount = 0;
  std::array<uint64_t, 3> offset{};  // from the frame start
  std::array<uint32_t, 3> stride{};  // bytes per row
  std::array<uint32_t, 3> rows{};
  uint32_t linesPerChromaRow = 1;    // 2 for 4:2:0: chroma row of line y is y / 2
  uint32_t pixelsPerChromaSample = 2;  // along a row: 1 for 4:4:4, 2 for 4:2:0 and 4:2:2
  uint32_t sampleBytes = 1;          // of one sample: 2 for 16-bit words; 0 for v210 (V210RowBytes)
};
PlaneLayout GetPlaneLayout(YUVType type, uint32_t width, uint32_t height);

// The formats' user names as the parameter dialog labels them (the labels
// "IYUV(I420)" and "YV12" name the codes the other way round, as they always
// have): what the command line takes and prints, and what the dialogs' lists
// show (their positions are the dialogs' own).
struct FormatEntry {
  std::string_view label;
  uint32_t code;
};
// The added formats follow the original thirteen.
inline constexpr std::array<FormatEntry, 24> kUserFormatNames{{
    {"IUYV", fmt::IUYV},   {"IYU2", fmt::IYU2}, {"IYUV(I420)", fmt::YV12}, {"NV12", fmt::NV12},
    {"NV16", fmt::NV16},   {"UYVY", fmt::UYVY}, {"YUYV", fmt::YUYV},       {"YV12", fmt::IYUV},
    {"YV16", fmt::YV16},   {"YVYU", fmt::YVYU}, {"RGB565", fmt::RGB2},     {"RGB24", fmt::RGB3},
    {"RGB32", fmt::RGB4},
    {"I444", fmt::I444},   {"NV21", fmt::NV21}, {"GRAY", fmt::GRAY},       {"I010", fmt::I010},
    {"I210", fmt::I210},   {"I410", fmt::I410}, {"I012", fmt::I012},       {"GRAY10", fmt::GRAY10},
    {"P010", fmt::P010},   {"P016", fmt::P016}, {"V210", fmt::V210},
}};
// The other names the command line takes for some of them.
inline constexpr std::array<FormatEntry, 2> kUserFormatAliases{{{"IYUV", fmt::YV12}, {"YUY2", fmt::YUYV}}};
// ffmpeg's names of the formats it shares with us, accepted wherever a
// format name is: yuv420p, yuv444p10le, p010le, ...
std::optional<uint32_t> CodeForFfmpegName(std::string_view name);

// The player's factory default: code YV12 at 352×288, kDefaultFrameInterval.
YUVPara DefaultPara();
// A record as writers store it: tagged, with the segment's byte offset.
YUVPara MakePara(uint32_t code, uint32_t width, uint32_t height, uint32_t interval = kDefaultFrameInterval,
                 uint64_t offset = 0);

// The user-facing format name of a code: the parameter dialog label whose
// confirm stores that code, with "(I420)" dropped ("I420" for code YV12,
// "YV12" for code IYUV). Empty for unknown codes.
std::string_view UserFormatName(uint32_t code);
// Parses a user-facing name (case-insensitive): the labels above, the
// aliases IYUV (= I420) and YUY2 (= YUYV), and ffmpeg's names
// (CodeForFfmpegName). nullopt when unknown.
std::optional<uint32_t> CodeForUserFormatName(std::string_view name);

}  // namespace corvane
