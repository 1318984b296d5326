// libFuzzer target for the Y4M stream header parser and the frame index:
// the input is a whole file. Every frame the index counts must lie inside
// the file behind a header that starts with FRAME and ends with "\n", in
// order, the first at the stream header's end; and an index built in two
// steps (the file's first half, then all of it, as a file that grows is
// refreshed) must equal one built at once.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "formats/y4m_stream.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

struct Memory {
  std::string_view bytes;
  int64_t operator()(void* buffer, size_t length, uint64_t offset) const {
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min<uint64_t>(length, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, n);
    return int64_t(n);
  }
};

void CheckIndex(const corvane::y4m::FrameIndex& index, std::string_view file) {
  using corvane::y4m::kMaxFrameHeader;
  uint64_t expectedHeader = index.first;
  bool bare = true;
  for (uint32_t k = 0; k < index.count; ++k) {
    const uint64_t header = index.HeaderAt(k), planes = index.PlanesAt(k);
    if (header != expectedHeader) Broken("frames are not back to back");
    if (planes <= header + 5 || planes - header > kMaxFrameHeader) Broken("frame header of an impossible length");
    if (planes + index.frameSize > file.size()) Broken("frame beyond the file");
    if (file.substr(header, 5) != "FRAME" || file[planes - 1] != '\n') Broken("frame header not FRAME...\\n");
    if (file.substr(header, planes - header).find('\n') != planes - header - 1) Broken("frame header spans lines");
    bare = bare && planes - header == 6;
    expectedHeader = planes + index.frameSize;
  }
  if (index.end != expectedHeader) Broken("end is not after the last frame");
  if (index.uniform != bare) Broken("uniform flag disagrees with the headers");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto header = corvane::y4m::ParseStreamHeader(file);
  if (!header) {
    if (header.error().reason.empty()) Broken("a refusal without a reason");
    return 0;
  }
  if (header->length > size || header->length > corvane::y4m::kMaxStreamHeader) Broken("header beyond its limit");
  if (header->frameSize == 0) Broken("a frame of no bytes");
  corvane::YUVType type;
  uint32_t frameSize = 0;
  if (!corvane::GetTypeAndFrameSize(&header->para, &type, &frameSize) || frameSize != header->frameSize)
    Broken("frame size differs from the parameters'");

  corvane::y4m::FrameIndex whole;
  whole.first = whole.end = header->length;
  whole.frameSize = header->frameSize;
  corvane::y4m::FrameIndex steps = whole;
  const auto once = corvane::y4m::ExtendIndex(&whole, size, Memory{file});
  CheckIndex(whole, file);
  if (!once && once.error().reason.empty()) Broken("a refusal without a reason");

  const auto half = corvane::y4m::ExtendIndex(&steps, size / 2, Memory{file.substr(0, size / 2)});
  if (!half) return 0;  // the refusal lies in the first half
  CheckIndex(steps, file.substr(0, size / 2));
  const auto rest = corvane::y4m::ExtendIndex(&steps, size, Memory{file});
  if (bool(rest) != bool(once)) Broken("two steps refuse what one step does not");
  if (steps.count != whole.count || steps.end != whole.end || steps.uniform != whole.uniform)
    Broken("two steps index differently from one");
  for (uint32_t k = 0; k < whole.count; ++k)
    if (steps.PlanesAt(k) != whole.PlanesAt(k)) Broken("two steps place a frame differently");
  return 0;
}
