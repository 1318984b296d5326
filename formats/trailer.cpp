#include "formats/trailer.h"

#include <algorithm>

#include "platform/file.h"

namespace corvane {

namespace {

uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void StoreLE32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

void Refuse(std::string* why, std::string text) {
  if (why) *why = std::move(text);
}

}  // namespace

const char* TrailerKindName(TrailerKind kind) {
  switch (kind) {
    case TrailerKind::kNone: return "none";
    case TrailerKind::kPlain: return "plain";
    case TrailerKind::kSpliced: return "spliced";
    case TrailerKind::kDamaged: return "damaged";
  }
  return "damaged";
}

void EncodePara(const YUVPara& para, uint8_t out[kParaRecordSize]) {
  const uint32_t words[7] = {para.tag,           para.format,     para.width,    para.height,
                             para.frameInterval, para.offsetHigh, para.offsetLow};
  for (int i = 0; i < 7; ++i) StoreLE32(out + 4 * i, words[i]);
}

YUVPara DecodePara(const uint8_t in[kParaRecordSize]) {
  YUVPara p;
  p.tag = LoadLE32(in);
  p.format = LoadLE32(in + 4);
  p.width = LoadLE32(in + 8);
  p.height = LoadLE32(in + 12);
  p.frameInterval = LoadLE32(in + 16);
  p.offsetHigh = LoadLE32(in + 20);
  p.offsetLow = LoadLE32(in + 24);
  return p;
}

YUVTrailerEnd DecodeTrailerEnd(const uint8_t in[kTrailerEndSize]) {
  return {LoadLE32(in), LoadLE32(in + 4), LoadLE32(in + 8)};
}

bool CheckTrailerEnd(const YUVTrailerEnd& end, uint64_t fileSize, std::string* why) {
  if (end.paraCount < 1) return Refuse(why, "record count is 0"), false;
  const uint64_t expected = uint64_t(end.paraCount) * kParaRecordSize + kTrailerEndSize;
  if (uint64_t(end.trailerSize) != expected) {
    Refuse(why, "trailer size " + std::to_string(end.trailerSize) + " is not 28 x " +
                    std::to_string(end.paraCount) + " + 12");
    return false;
  }
  if (end.paraCount > kMaxTrailerRecords)
    return Refuse(why, "record count " + std::to_string(end.paraCount) + " is implausibly large"), false;
  if (expected > fileSize)
    return Refuse(why, "trailer of " + std::to_string(expected) + " bytes is larger than the file"), false;
  return true;
}

bool CheckRecordGeometry(std::span<const YUVPara> records, std::string* why) {
  for (size_t i = 0; i < records.size(); ++i) {
    const YUVPara& r = records[i];
    if (auto type = TypeOfCode(r.format)) {
      if (FrameSize64(*type, r.width, r.height) > UINT32_MAX) {
        Refuse(why, "record " + std::to_string(i + 1) + ": frame size of " + std::to_string(r.width) +
                        "x" + std::to_string(r.height) + " does not fit in 32 bits");
        return false;
      }
    }
  }
  return true;
}

bool BuildSegmentTable(std::span<const YUVPara> records, uint64_t dataSize,
                       std::vector<SegmentInfo>* out, std::string* why) {
  std::vector<SegmentInfo> table(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    const uint64_t start = records[i].Offset();
    if (i == 0 && start != 0) return Refuse(why, "segment 1 does not start at offset 0"), false;
    if (start > dataSize) {
      Refuse(why, "segment " + std::to_string(i + 1) + " starts at " + std::to_string(start) +
                      ", beyond the " + std::to_string(dataSize) + " bytes of data");
      return false;
    }
    if (i > 0 && start < table[i - 1].start) {
      Refuse(why, "segment " + std::to_string(i + 1) + " starts before segment " + std::to_string(i));
      return false;
    }
    table[i].start = start;
  }
  for (size_t i = 0; i < records.size(); ++i) {
    SegmentInfo& s = table[i];
    const uint64_t end = i + 1 < records.size() ? table[i + 1].start : dataSize;
    s.length = end - s.start;
    YUVType type;
    uint32_t frameSize = 0;
    if (GetTypeAndFrameSize(&records[i], &type, &frameSize)) {
      s.frameSize = frameSize;
      s.frameCount = uint32_t(std::min<uint64_t>(s.length / frameSize, UINT32_MAX));
    }
  }
  if (out) *out = std::move(table);
  return true;
}

std::vector<uint8_t> EncodeTrailer(std::span<const YUVPara> records) {
  std::vector<uint8_t> bytes(records.size() * kParaRecordSize + kTrailerEndSize);
  for (size_t i = 0; i < records.size(); ++i) EncodePara(records[i], bytes.data() + i * kParaRecordSize);
  uint8_t* end = bytes.data() + records.size() * kParaRecordSize;
  StoreLE32(end, uint32_t(records.size()));
  StoreLE32(end + 4, uint32_t(bytes.size()));
  StoreLE32(end + 8, kTrailerMagic);
  return bytes;
}

TrailerInfo ParseTrailer(std::span<const uint8_t> tail, uint64_t fileSize) {
  TrailerInfo info;
  info.fileSize = fileSize;
  info.dataSize = fileSize;
  // A file shorter than the end record simply has no trailer.
  if (fileSize < kTrailerEndSize || tail.size() < kTrailerEndSize || tail.size() > fileSize) return info;
  info.end = DecodeTrailerEnd(tail.data() + tail.size() - kTrailerEndSize);
  if (info.end.magic != kTrailerMagic) return info;

  auto damaged = [&info](std::string why) {
    info.kind = TrailerKind::kDamaged;
    info.damage = std::move(why);
    info.records.clear();
    info.segments.clear();
    info.dataSize = info.fileSize;
    return info;
  };
  std::string why;
  if (!CheckTrailerEnd(info.end, fileSize, &why)) return damaged(why);
  if (tail.size() < info.end.trailerSize) return damaged("record table could not be read");

  const uint32_t count = info.end.paraCount;
  const uint8_t* table = tail.data() + tail.size() - info.end.trailerSize;
  info.records.resize(count);
  for (uint32_t i = 0; i < count; ++i) info.records[i] = DecodePara(table + size_t(i) * kParaRecordSize);
  info.dataSize = fileSize - info.end.trailerSize;
  if (!CheckRecordGeometry(info.records, &why)) return damaged(why);
  if (count == 1) {
    info.kind = TrailerKind::kPlain;
    return info;
  }
  if (!BuildSegmentTable(info.records, info.dataSize, &info.segments, &why)) return damaged(why);
  info.kind = TrailerKind::kSpliced;
  return info;
}

TrailerInfo ReadTrailer(const platform::File& file) {
  const int64_t size = file.Size();
  if (size < 0) {
    TrailerInfo info;
    info.ioError = true;
    return info;
  }
  const uint64_t fileSize = uint64_t(size);
  if (fileSize < kTrailerEndSize) return ParseTrailer({}, fileSize);

  uint8_t endBytes[kTrailerEndSize];
  if (file.ReadAt(endBytes, sizeof endBytes, fileSize - kTrailerEndSize) != int64_t(sizeof endBytes)) {
    TrailerInfo info;
    info.fileSize = info.dataSize = fileSize;
    info.kind = TrailerKind::kDamaged;
    info.damage = "trailer end could not be read";
    info.ioError = true;
    return info;
  }
  const YUVTrailerEnd end = DecodeTrailerEnd(endBytes);
  std::string why;
  if (end.magic != kTrailerMagic || !CheckTrailerEnd(end, fileSize, &why))
    return ParseTrailer(endBytes, fileSize);  // no trailer, or damaged with the reason

  // The table lies inside the file and is bounded by kMaxTrailerRecords.
  std::vector<uint8_t> tail(end.trailerSize);
  if (file.ReadAt(tail.data(), tail.size(), fileSize - end.trailerSize) != int64_t(tail.size())) {
    TrailerInfo info = ParseTrailer(endBytes, fileSize);
    info.kind = TrailerKind::kDamaged;
    info.damage = "record table could not be read";
    info.ioError = true;
    info.records.clear();
    info.dataSize = fileSize;
    return info;
  }
  return ParseTrailer(tail, fileSize);
}

uint32_t PlainFrameCount(uint64_t dataSize, uint32_t frameSize) {
  if (frameSize == 0) return 0;
  return uint32_t(std::min<uint64_t>(dataSize / frameSize, UINT32_MAX));
}

uint32_t TotalFrameCount(std::span<const SegmentInfo> segments) {
  uint64_t total = 0;
  for (const auto& s : segments) total += s.frameCount;
  return uint32_t(std::min<uint64_t>(total, UINT32_MAX));
}

}  // namespace corvane
