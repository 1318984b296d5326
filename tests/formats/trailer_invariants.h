// What must hold for any trailer the reader accepts, whatever the input.
// Shared by the randomized test and the libFuzzer target.
#pragma once

#include <cstdlib>
#include <span>

#include "formats/trailer.h"

namespace corvane {

// Returns an empty string when the parse result is consistent, else what broke.
inline const char* CheckTrailerInvariants(const TrailerInfo& info, uint64_t fileSize) {
  if (info.fileSize != fileSize) return "file size changed";
  if (info.dataSize > fileSize) return "data larger than the file";
  switch (info.kind) {
    case TrailerKind::kNone:
    case TrailerKind::kDamaged:
      if (!info.records.empty() || !info.segments.empty()) return "records kept from a refused trailer";
      if (info.dataSize != fileSize) return "refused trailer shrank the data";
      if (info.kind == TrailerKind::kDamaged && info.damage.empty()) return "damage without a reason";
      return "";
    case TrailerKind::kPlain:
    case TrailerKind::kSpliced:
      break;
  }
  if (info.end.magic != kTrailerMagic) return "accepted without the magic";
  if (info.records.size() != info.end.paraCount) return "record count differs";
  if (uint64_t(info.end.trailerSize) != uint64_t(info.end.paraCount) * 28 + 12) return "size is not 28n+12";
  if (info.dataSize + info.end.trailerSize != fileSize) return "data + trailer != file";
  if ((info.kind == TrailerKind::kPlain) != (info.records.size() == 1)) return "plain means one record";
  if (info.kind == TrailerKind::kPlain) return info.segments.empty() ? "" : "segments for a plain file";
  if (info.segments.size() != info.records.size()) return "one segment per record";
  uint64_t prevStart = 0;
  for (size_t i = 0; i < info.segments.size(); ++i) {
    const SegmentInfo& s = info.segments[i];
    if (s.start < prevStart) return "segments go backwards";
    if (s.start + s.length > info.dataSize) return "segment beyond the data";
    if (uint64_t(s.frameSize) * s.frameCount > s.length) return "frames beyond their segment";
    prevStart = s.start;
  }
  return "";
}

}  // namespace corvane
