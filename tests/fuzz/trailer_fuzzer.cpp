// libFuzzer target for the trailer reader: the input is the tail of a file;
// its first byte picks how many bytes of frame data precede it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "formats/trailer.h"
#include "formats/trailer_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint64_t before = uint64_t(data[0]) << (data[0] % 40);
  const std::span<const uint8_t> tail(data + 1, size - 1);
  const uint64_t fileSize = before + tail.size();
  for (size_t cut : {tail.size(), tail.size() / 2, size_t(12)}) {
    if (cut > tail.size()) continue;
    const corvane::TrailerInfo info = corvane::ParseTrailer(tail.subspan(tail.size() - cut), fileSize);
    const char* broken = corvane::CheckTrailerInvariants(info, fileSize);
    if (*broken) {
      std::fprintf(stderr, "invariant broken: %s\n", broken);
      std::abort();
    }
  }
  return 0;
}
