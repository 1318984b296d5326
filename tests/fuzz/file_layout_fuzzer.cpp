// libFuzzer target for what a command does with a file before it reads a
// frame: the trailer, the frame locator over its segments (or a plain run
// of the parameters the input gives) and the plane layout of each frame it
// finds. Every frame it locates must lie inside the data, and every plane
// inside its frame.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/frame_locator.h"
#include "formats/trailer.h"
#include "formats/yuv_format.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void CheckFrame(const corvane::FileFrames& frames, const corvane::TrailerInfo& trailer, uint32_t n) {
  corvane::YUVPara para;
  const auto where = frames.Locate(n, &para);
  if (!where) {
    if (n >= 1 && n <= frames.FrameCount()) Broken("a counted frame has no place");
    return;
  }
  if (n == 0 || n > frames.FrameCount()) Broken("a frame beyond the count was found");
  if (where->offset + where->frameSize > trailer.dataSize) Broken("frame beyond the data");
  corvane::YUVType type;
  uint32_t size = 0;
  if (!corvane::GetTypeAndFrameSize(&para, &type, &size)) Broken("a located frame has no size");
  if (size != where->frameSize) Broken("frame size differs from its parameters");
  const corvane::PlaneLayout layout = corvane::GetPlaneLayout(type, para.width, para.height);
  for (int i = 0; i < layout.planeCount; ++i)
    if (layout.offset[i] + uint64_t(layout.stride[i]) * layout.rows[i] > size) Broken("plane beyond its frame");
}

}  // namespace

// Input: 28 bytes of parameters for a plain run, one byte that sizes the data
// before the tail, then the tail of the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < corvane::kParaRecordSize + 1) return 0;
  const corvane::YUVPara own = corvane::DecodePara(data);
  const uint8_t sizing = data[corvane::kParaRecordSize];
  const uint64_t before = uint64_t(sizing) << (sizing % 40);
  const std::span<const uint8_t> tail(data + corvane::kParaRecordSize + 1, size - corvane::kParaRecordSize - 1);
  const uint64_t fileSize = before + tail.size();
  const corvane::TrailerInfo trailer = corvane::ParseTrailer(tail, fileSize);
  for (const bool segments : {false, true}) {
    if (segments && trailer.kind != corvane::TrailerKind::kSpliced) continue;
    const corvane::YUVPara para = trailer.records.empty() || !segments ? own : trailer.records.front();
    const corvane::FileFrames frames(trailer, para, segments);
    const uint32_t count = frames.FrameCount();
    for (const uint32_t n : {0u, 1u, count / 2, count, count + 1}) CheckFrame(frames, trailer, n);
  }
  return 0;
}
