#include "formats/yuv_format.h"

#include <cctype>
#include <cstdio>
#include <span>

namespace corvane {

namespace {

struct FormatRow {
  uint32_t code;
  YUVType type;
};

constexpr FormatRow kFormats[] = {
    {fmt::YVYU, YUV_YVYU}, {fmt::YUYV, YUV_YUYV}, {fmt::UYVY, YUV_UYVY}, {fmt::YV12, YUV_YV12},
    {fmt::YV16, YUV_YV16}, {fmt::RGB4, YUV_RGB32}, {fmt::RGB3, YUV_RGB24}, {fmt::RGB2, YUV_RGB565},
    {fmt::NV12, YUV_NV12}, {fmt::IYUV, YUV_IYUV}, {fmt::IUYV, YUV_IUYV}, {fmt::IYU2, YUV_IYU2},
    {fmt::NV16, YUV_NV16}, {fmt::I444, YUV_I444}, {fmt::NV21, YUV_NV21}, {fmt::GRAY, YUV_GRAY},
    {fmt::I010, YUV_I010}, {fmt::I210, YUV_I210}, {fmt::I410, YUV_I410}, {fmt::I012, YUV_I012},
    {fmt::GRAY10, YUV_GRAY10}, {fmt::P010, YUV_P010}, {fmt::P016, YUV_P016}, {fmt::V210, YUV_V210},
};

// ffmpeg's pixel-format names of our layouts. bgr24 and bgra are the byte
// orders of our RGB24 and RGB32; v210 is a codec there, not a pixel format.
constexpr FormatEntry kFfmpegNames[] = {
    {"yuv420p", fmt::YV12},       {"yuv422p", fmt::YV16},       {"yuyv422", fmt::YUYV},
    {"uyvy422", fmt::UYVY},       {"yvyu422", fmt::YVYU},       {"bgr24", fmt::RGB3},
    {"bgra", fmt::RGB4},          {"yuv444p", fmt::I444},       {"nv21", fmt::NV21},
    {"gray", fmt::GRAY},          {"yuv420p10le", fmt::I010},   {"yuv422p10le", fmt::I210},
    {"yuv444p10le", fmt::I410},   {"yuv420p12le", fmt::I012},   {"gray10le", fmt::GRAY10},
    {"p010le", fmt::P010},        {"p016le", fmt::P016},        {"v210", fmt::V210},
};

// Geometry of the added formats, from which their layouts and sizes follow.
struct AddedGeometry {
  PlaneOrder order;
  uint32_t pixelsPerChroma;  // along a row
  uint32_t linesPerChroma;
  uint32_t sampleBytes;
  int bits;
};
AddedGeometry GeometryOf(YUVType type) {
  switch (type) {
    case YUV_I444: return {PlaneOrder::kYUV, 1, 1, 1, 8};
    case YUV_NV21: return {PlaneOrder::kYInterleavedVU, 2, 2, 1, 8};
    case YUV_GRAY: return {PlaneOrder::kYOnly, 1, 1, 1, 8};
    case YUV_I010: return {PlaneOrder::kYUV, 2, 2, 2, 10};
    case YUV_I210: return {PlaneOrder::kYUV, 2, 1, 2, 10};
    case YUV_I410: return {PlaneOrder::kYUV, 1, 1, 2, 10};
    case YUV_I012: return {PlaneOrder::kYUV, 2, 2, 2, 12};
    case YUV_GRAY10: return {PlaneOrder::kYOnly, 1, 1, 2, 10};
    case YUV_P010: return {PlaneOrder::kYInterleavedUV, 2, 2, 2, 10};
    case YUV_P016: return {PlaneOrder::kYInterleavedUV, 2, 2, 2, 16};
    default: return {PlaneOrder::kPacked, 2, 1, 0, 10};  // v210
  }
}

// Plane layout of an added format; 64-bit strides so that callers can refuse
// a geometry whose rows do not fit.
PlaneLayout AddedLayout(YUVType type, uint32_t w, uint32_t h) {
  const AddedGeometry g = GeometryOf(type);
  PlaneLayout l;
  l.pixelsPerChromaSample = g.pixelsPerChroma;
  l.linesPerChromaRow = g.linesPerChroma;
  if (type == YUV_V210) {
    l.planeCount = 1;
    l.stride = {uint32_t(V210RowBytes(w)), 0, 0};
    l.rows = {h, 0, 0};
    l.sampleBytes = 0;
    return l;
  }
  l.sampleBytes = g.sampleBytes;
  const uint32_t cw = (w + g.pixelsPerChroma - 1) / g.pixelsPerChroma;
  const uint32_t ch = (h + g.linesPerChroma - 1) / g.linesPerChroma;
  l.stride[0] = w * g.sampleBytes;
  l.rows[0] = h;
  switch (g.order) {
    case PlaneOrder::kYOnly:
      l.planeCount = 1;
      break;
    case PlaneOrder::kYInterleavedUV:
    case PlaneOrder::kYInterleavedVU:
      l.planeCount = 2;
      l.stride[1] = 2 * cw * g.sampleBytes;
      l.rows[1] = ch;
      break;
    default:
      l.planeCount = 3;
      l.stride[1] = l.stride[2] = cw * g.sampleBytes;
      l.rows[1] = l.rows[2] = ch;
      break;
  }
  for (int i = 1; i < l.planeCount; ++i)
    l.offset[size_t(i)] = l.offset[size_t(i - 1)] + uint64_t(l.stride[size_t(i - 1)]) * l.rows[size_t(i - 1)];
  return l;
}

uint64_t AddedFrameSize(YUVType type, uint32_t w, uint32_t h) {
  if (type == YUV_V210) return V210RowBytes(w) * h;
  const AddedGeometry g = GeometryOf(type);
  const uint64_t cw = (uint64_t(w) + g.pixelsPerChroma - 1) / g.pixelsPerChroma;
  const uint64_t ch = (uint64_t(h) + g.linesPerChroma - 1) / g.linesPerChroma;
  const uint64_t chroma = g.order == PlaneOrder::kYOnly ? 0 : 2 * cw * ch;
  return (uint64_t(w) * h + chroma) * g.sampleBytes;
}

}  // namespace

std::optional<YUVType> TypeOfCode(uint32_t code) {
  for (const auto& row : kFormats)
    if (row.code == code) return row.type;
  return std::nullopt;
}

uint32_t CodeOfType(YUVType type) {
  for (const auto& row : kFormats)
    if (row.type == type) return row.code;
  return 0;
}

std::string CodeName(uint32_t code) {
  char s[5] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code), 0};
  bool printable = true;
  for (int i = 0; i < 4; ++i) printable = printable && std::isalnum(static_cast<unsigned char>(s[i]));
  if (printable) return s;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", code);
  return hex;
}

int BitDepthOf(YUVType type) { return IsAddedType(type) ? GeometryOf(type).bits : 8; }

uint64_t FrameSize64(YUVType type, uint32_t width, uint32_t height) {
  if (IsAddedType(type)) return AddedFrameSize(type, width, height);
  const uint64_t px = uint64_t(width) * height;
  switch (type) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_NV12:
      return (px * 3) >> 1;
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_YV16:
    case YUV_RGB565:
    case YUV_RGB555:
    case YUV_IUYV:
    case YUV_NV16:
      return px * 2;
    case YUV_RGB24:
    case YUV_IYU2:
      return px * 3;
    case YUV_RGB32:
      return px * 4;
    default:
      break;
  }
  return 0;
}

bool GetTypeAndFrameSize(const YUVPara* para, YUVType* type, uint32_t* frameSize) {
  YUVType t = YUV_NONE;
  uint32_t size = 0;
  bool ok = false;
  if (para != nullptr && uint64_t(para->width) * para->height != 0) {
    if (auto known = TypeOfCode(para->format)) {
      const uint64_t size64 = FrameSize64(*known, para->width, para->height);
      if (size64 <= UINT32_MAX) {
        t = *known;
        size = uint32_t(size64);
        ok = true;
      }
    } else {
      t = YUVType(0);
    }
  }
  if (type) *type = t;
  if (frameSize) *frameSize = size;
  return ok;
}

PlaneLayout GetPlaneLayout(YUVType type, uint32_t w, uint32_t h) {
  // Callers ask only for geometries whose frame size fits in 32 bits, so the
  // strides of the added formats fit too.
  if (IsAddedType(type)) return AddedLayout(type, w, h);
  PlaneLayout l;
  const uint64_t luma = uint64_t(w) * h;
  switch (type) {
    case YUV_YV12:
    case YUV_IYUV:
      l.planeCount = 3;
      l.offset = {0, luma, luma + luma / 4};
      l.stride = {w, w / 2, w / 2};
      l.rows = {h, h / 2, h / 2};
      l.linesPerChromaRow = 2;
      break;
    case YUV_YV16:
      l.planeCount = 3;
      l.offset = {0, luma, luma + luma / 2};
      l.stride = {w, w / 2, w / 2};
      l.rows = {h, h, h};
      break;
    case YUV_NV12:
    case YUV_NV16:
      l.planeCount = 2;
      l.offset = {0, luma, 0};
      l.stride = {w, w, 0};
      l.rows = {h, type == YUV_NV12 ? h / 2 : h, 0};
      l.linesPerChromaRow = type == YUV_NV12 ? 2 : 1;
      break;
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_IUYV:
    case YUV_RGB565:
    case YUV_RGB555:
    case YUV_RGB24:
    case YUV_IYU2:
    case YUV_RGB32: {
      const uint32_t pixelBytes = type == YUV_RGB32 ? 4 : (type == YUV_RGB24 || type == YUV_IYU2) ? 3 : 2;
      l.planeCount = 1;
      l.stride = {pixelBytes * w, 0, 0};
      l.rows = {h, 0, 0};
      l.pixelsPerChromaSample = type == YUV_IYU2 ? 1 : 2;
      break;
    }
    default:
      break;
  }
  return l;
}

YUVPara MakePara(uint32_t code, uint32_t width, uint32_t height, uint32_t interval, uint64_t offset) {
  YUVPara p;
  p.tag = kParaTag;
  p.format = code;
  p.width = width;
  p.height = height;
  p.frameInterval = interval;
  p.SetOffset(offset);
  return p;
}

YUVPara DefaultPara() { return MakePara(fmt::YV12, 352, 288, kDefaultFrameInterval); }

std::string_view UserFormatName(uint32_t code) {
  if (code == fmt::YV12) return "I420";
  for (const auto& e : kUserFormatNames)
    if (e.code == code) return e.label;
  return {};
}

std::optional<uint32_t> CodeForUserFormatName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "I420" || upper == "IYUV(I420)") return fmt::YV12;
  for (const auto& table : {std::span<const FormatEntry>(kUserFormatNames), std::span<const FormatEntry>(kUserFormatAliases)})
    for (const auto& e : table)
      if (e.label == upper) return e.code;
  return CodeForFfmpegName(name);
}

std::optional<uint32_t> CodeForFfmpegName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& e : kFfmpegNames)
    if (e.label == lower) return e.code;
  return std::nullopt;
}

}  // namespace corvane
