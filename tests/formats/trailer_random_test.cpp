// Seeded randomized test of the trailer reader: mutated trailers, random
// tails and random sizes, read both from memory and from a real file. Each
// run covers the same cases (fixed seeds), so a failure is reproducible.
#include <gtest/gtest.h>

#include <random>

#include "formats/trailer.h"
#include "platform/file.h"
#include "support/temp_dir.h"
#include "trailer_invariants.h"

namespace corvane {
namespace {

std::vector<uint8_t> ValidSplicedFile(std::mt19937& rng) {
  const uint32_t codes[] = {fmt::YV12, fmt::NV12, fmt::YUYV, fmt::RGB3, fmt::IYU2, fmt::RGB4};
  const uint32_t segments = 1 + rng() % 5;
  std::vector<YUVPara> recs;
  uint64_t pos = 0;
  for (uint32_t i = 0; i < segments; ++i) {
    YUVPara p;
    p.tag = kParaTag;
    p.format = codes[rng() % 6];
    p.width = 1 + rng() % 9;
    p.height = 1 + rng() % 9;
    p.frameInterval = rng() % 100;
    p.SetOffset(pos);
    YUVType t;
    uint32_t fs = 0;
    GetTypeAndFrameSize(&p, &t, &fs);
    pos += uint64_t(fs) * (rng() % 4) + rng() % 3;
    recs.push_back(p);
  }
  std::vector<uint8_t> file(pos, 0x5A);
  auto t = EncodeTrailer(recs);
  file.insert(file.end(), t.begin(), t.end());
  return file;
}

void Mutate(std::vector<uint8_t>& f, std::mt19937& rng) {
  const int edits = 1 + int(rng() % 4);
  for (int e = 0; e < edits && !f.empty(); ++e) {
    // Most edits hit the trailer, where they matter.
    const size_t tail = std::min<size_t>(f.size(), 200);
    const size_t at = f.size() - 1 - rng() % tail;
    switch (rng() % 5) {
      case 0: f[at] ^= uint8_t(1u << (rng() % 8)); break;
      case 1: f[at] = uint8_t(rng()); break;
      case 2: f.erase(f.begin() + std::ptrdiff_t(rng() % f.size())); break;
      case 3: f.insert(f.begin() + std::ptrdiff_t(rng() % f.size()), uint8_t(rng())); break;
      case 4: {  // a plausible-looking word: a small count, or 28n+12
        const uint32_t n = rng() % 8;
        const uint32_t v = (rng() % 2) ? n : n * 28 + 12;
        const size_t w = at & ~size_t(3);
        for (int k = 0; k < 4 && w + k < f.size(); ++k) f[w + k] = uint8_t(v >> (8 * k));
        break;
      }
    }
  }
}

TEST(TrailerRandomTest, MutatedTrailersAreNeverTrustedBlindly) {
  testsupport::TempDir dir;
  const std::string path = dir.File("r.yuv");
  std::mt19937 rng(20261207);
  int accepted = 0, damaged = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    std::vector<uint8_t> f = ValidSplicedFile(rng);
    if (iter % 4 != 0) Mutate(f, rng);
    // From memory, with every possible tail length the caller might pass.
    const uint64_t size = f.size();
    for (size_t tail : {size_t(0), size_t(12), f.size() / 2, f.size()}) {
      tail = std::min(tail, f.size());
      const TrailerInfo mem = ParseTrailer(std::span(f.data() + f.size() - tail, tail), size);
      ASSERT_STREQ(CheckTrailerInvariants(mem, size), "") << "iteration " << iter << " tail " << tail;
    }
    // From a real file.
    testsupport::WriteBytes(path, f);
    platform::File file;
    ASSERT_EQ(platform::ErrnoOf(file.Open(path, platform::File::Mode::kRead)), 0);
    const TrailerInfo info = ReadTrailer(file);
    ASSERT_STREQ(CheckTrailerInvariants(info, size), "") << "iteration " << iter;
    accepted += info.kind == TrailerKind::kPlain || info.kind == TrailerKind::kSpliced;
    damaged += info.kind == TrailerKind::kDamaged;
  }
  // The mutations must exercise both outcomes, or the test proves nothing.
  EXPECT_GT(accepted, 500);
  EXPECT_GT(damaged, 500);
}

}  // namespace
}  // namespace corvane
