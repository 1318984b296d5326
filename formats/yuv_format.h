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
};
constexpr int kYUVTypeCount = 14;

// Where each layout keeps its Y, U and V. The code named YV12 (YUV_YV12)
// holds Y, U, V and the code named IYUV (YUV_IYUV) holds Y, V, U: the names
// are crossed against their usual meaning, so no reader of a planar frame or
// surface compares the type itself; it asks PlaneOrderOf or ChromaPlanesOf.
enum class PlaneOrder {
  kPacked,          // one plane of interleaved samples (or RGB)
  kYUV,             // three planes: Y, U, V
  kYVU,             // three planes: Y, V, U
  kYInterleavedUV,  // Y, then one plane of U,V pairs
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
};
// kPacked for YUV_NONE and ids out of range.
constexpr PlaneOrder PlaneOrderOf(YUVType type) {
  return type >= 0 && type < kYUVTypeCount ? kPlaneOrders[size_t(type)] : PlaneOrder::kPacked;
}

// The plane indices of U and V: 1 and 2 (kYUV), 2 and 1 (kYVU), both 1 for
// the plane of pairs (U at even bytes, V at odd), both 0 for packed layouts.
struct ChromaPlanes {
  int u;
  int v;
};
constexpr ChromaPlanes ChromaPlanesOf(YUVType type) {
  switch (PlaneOrderOf(type)) {
    case PlaneOrder::kYUV: return {1, 2};
    case PlaneOrder::kYVU: return {2, 1};
    case PlaneOrder::kYInterleavedUV: return {1, 1};
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
struct PlaneLayout {
  int planeCount = 0;
  std::array<uint64_t, 3> offset{};  // from the frame start
  std::array<uint32_t, 3> stride{};  // bytes per row
  std::array<uint32_t, 3> rows{};
  uint32_t linesPerChromaRow = 1;    // 2 for 4:2:0: chroma row of line y is y / 2
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
inline constexpr std::array<FormatEntry, 13> kUserFormatNames{{
    {"IUYV", fmt::IUYV},   {"IYU2", fmt::IYU2}, {"IYUV(I420)", fmt::YV12}, {"NV12", fmt::NV12},
    {"NV16", fmt::NV16},   {"UYVY", fmt::UYVY}, {"YUYV", fmt::YUYV},       {"YV12", fmt::IYUV},
    {"YV16", fmt::YV16},   {"YVYU", fmt::YVYU}, {"RGB565", fmt::RGB2},     {"RGB24", fmt::RGB3},
    {"RGB32", fmt::RGB4},
}};

// The player's factory default: code YV12 at 352×288, kDefaultFrameInterval.
YUVPara DefaultPara();
// A record as writers store it: tagged, with the segment's byte offset.
YUVPara MakePara(uint32_t code, uint32_t width, uint32_t height, uint32_t interval = kDefaultFrameInterval,
                 uint64_t offset = 0);

// The user-facing format name of a code: the parameter dialog label whose
// confirm stores that code, with "(I420)" dropped ("I420" for code YV12,
// "YV12" for code IYUV). Empty for unknown codes.
std::string_view UserFormatName(uint32_t code);
// Parses a user-facing name (case-insensitive): the labels above plus the
// aliases IYUV (= I420) and YUY2 (= YUYV). nullopt when unknown.
std::optional<uint32_t> CodeForUserFormatName(std::string_view name);

}  // namespace corvane
