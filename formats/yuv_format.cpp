#include "formats/yuv_format.h"

#include <cctype>
#include <cstdio>

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
    {fmt::NV16, YUV_NV16},
};

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

uint64_t FrameSize64(YUVType type, uint32_t width, uint32_t height) {
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
    case YUV_NONE:
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
      break;
    }
    case YUV_NONE:
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
  if (upper == "I420" || upper == "IYUV" || upper == "IYUV(I420)") return fmt::YV12;
  if (upper == "YUY2") return fmt::YUYV;
  for (const auto& e : kUserFormatNames)
    if (e.label == upper) return e.code;
  return std::nullopt;
}

}  // namespace corvane
