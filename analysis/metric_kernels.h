// Row kernels of the two metrics, in the arithmetic of ffmpeg's psnr and ssim
// filters, so that our figures print the same digits as theirs.
//
// PSNR needs the sum of squared differences of a plane: integers, exact in
// any order.
//
// SSIM (ffmpeg's ssim, after x264): each plane is cut into 4x4 blocks; a block
// row gives, per block, the sums s1 = sum(a), s2 = sum(b), ss = sum(a^2 + b^2)
// and s12 = sum(a*b). Four neighbouring blocks (two of this block row, two of
// the previous one) make one 8x8 window, so windows overlap with a stride of
// 4. Each window's SSIM is evaluated in 32-bit integers, then as
// float (2*s1*s2 + C1)(2*cov + C2) / ((s1^2 + s2^2 + C1)(var + C2)), and the
// windows of a row are added in double. The float step is where a different
// order of operations would change printed digits, so it is kept exactly.
// ffmpeg's x86 end-of-row routine adds window i into accumulator i % 4 and
// returns (acc0 + acc2) + (acc1 + acc3); the reference here does the same,
// so every kernel set returns the same double to the last bit.
//
// Samples of more than 8 bits (16-bit words) take ffmpeg's 16-bit path: the
// same blocks and windows, block sums in 64 bits, each window evaluated in
// 64-bit integers with C1 and C2 scaled to the peak (see DeepSsimConstants),
// then in float as above; the windows of a row are added in float (that
// path has no SIMD routine in ffmpeg, so no lanes), and the rows in double.
//
// Each 8-bit kernel exists as a plain C++ reference and, where the processor
// has it, an AVX2 version that gives the same results; the best set is
// chosen once at run time. The 16-bit kernels are plain C++ in every set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane::analysis {

// ffmpeg's SSIM constants for 8-bit samples in its integer form, scaled by
// the 64 samples of a window: C1 = (0.01 * 255)^2 * 64, C2 = (0.03 * 255)^2 *
// 64 * 63, rounded.
constexpr int kSsimC1 = 416;
constexpr int kSsimC2 = 235963;

// Per 4x4 block: s1, s2, ss, s12 (the layout ffmpeg's kernels share).
using BlockSums = std::array<int, 4>;
static_assert(sizeof(BlockSums) == 16);

// Sum of (a[i] - b[i])^2 over n samples.
using SseRowFn = uint64_t (*)(const uint8_t* a, const uint8_t* b, int n);
// The sums of `blocks` 4x4 blocks whose top rows start at a and b.
using Ssim4x4RowFn = void (*)(const uint8_t* a, ptrdiff_t strideA, const uint8_t* b, ptrdiff_t strideB,
                              BlockSums* sums, int blocks);
// The summed SSIM of `windows` windows, window i made of blocks i and i + 1
// of the two block rows `above` and `below` (each holding windows + 1 blocks).
using SsimEndRowFn = double (*)(const BlockSums* above, const BlockSums* below, int windows);

// The 16-bit path: per 4x4 block s1, s2, ss, s12 in 64 bits.
using DeepBlockSums = std::array<int64_t, 4>;
// C1 and C2 of samples whose peak is `peak` (2^depth - 1), in ffmpeg's
// integer form: (0.01 peak)^2 * 64 and (0.03 peak)^2 * 64 * 63, rounded.
struct DeepSsimConstants {
  int64_t c1;
  int64_t c2;
};
DeepSsimConstants DeepSsimConstantsFor(unsigned peak);

// As above, on 16-bit samples, with strides counted in samples.
using SseRow16Fn = uint64_t (*)(const uint16_t* a, const uint16_t* b, int n);
using Ssim4x4Row16Fn = void (*)(const uint16_t* a, ptrdiff_t strideA, const uint16_t* b, ptrdiff_t strideB,
                                DeepBlockSums* sums, int blocks);
using SsimEndRow16Fn = float (*)(const DeepBlockSums* above, const DeepBlockSums* below, int windows,
                                 DeepSsimConstants c);

struct MetricKernels {
  const char* name;
  SseRowFn sseRow;
  Ssim4x4RowFn ssim4x4Row;
  SsimEndRowFn ssimEndRow;
  SseRow16Fn sseRow16;
  Ssim4x4Row16Fn ssim4x4Row16;
  SsimEndRow16Fn ssimEndRow16;
};

// The plain C++ routines: the definition the others are held to.
const MetricKernels& ReferenceMetricKernels();
// Null when this processor lacks AVX2.
const MetricKernels* Avx2MetricKernels();
// The fastest set this processor runs (chosen once).
const MetricKernels& BestMetricKernels();

// One window's SSIM from its summed s1, s2, ss, s12, as ffmpeg evaluates it.
float SsimWindow(int s1, int s2, int ss, int s12);
// The same on the 16-bit path.
float DeepSsimWindow(int64_t s1, int64_t s2, int64_t ss, int64_t s12, DeepSsimConstants c);

}  // namespace corvane::analysis
