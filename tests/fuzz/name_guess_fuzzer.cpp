// libFuzzer target for the guess from a file's name: any bytes as a path.
// A guess names a known format, a size with both sides, a rate with its
// interval, and a size and format that give a frame.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "formats/name_guess.h"
#include "formats/yuv_format.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const corvane::NameGuess g =
      corvane::GuessFromFileName(std::string_view(reinterpret_cast<const char*>(data), size));
  if (g.width.has_value() != g.height.has_value()) Broken("a size with one side");
  if (g.width && (*g.width == 0 || *g.height == 0)) Broken("a size of nothing");
  if (g.fps.has_value() != g.frameInterval.has_value()) Broken("a rate without its interval");
  if (g.fps && *g.fps == 0) Broken("a rate of 0");
  if (g.format && !corvane::TypeOfCode(*g.format)) Broken("an unknown format code");
  if (g.format && g.width) {
    corvane::YUVPara para;
    para.format = *g.format;
    para.width = *g.width;
    para.height = *g.height;
    corvane::YUVType type;
    uint32_t frameSize = 0;
    // A size too large for a 32-bit frame is refused, not wrapped.
    if (corvane::GetTypeAndFrameSize(&para, &type, &frameSize) &&
        frameSize != corvane::FrameSize64(type, para.width, para.height))
      Broken("frame size wrapped");
  }
  return 0;
}
