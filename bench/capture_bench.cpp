// Still capture of one 1920x1080 I420 frame, side by side with its peers in
// the same process:
//   JPEG: StillEncoder::EncodeJPEG at quality 100 vs libjpeg-turbo's
//         tjCompressFromYUVPlanes (4:2:0, quality 100) on the same planes.
//   BMP:  StillEncoder::EncodeBMP vs libyuv's I420ToARGB plus the row flip of a
//         bottom-up bitmap (done by libyuv itself through a negative height,
//         its cheapest form, and as a separate flip pass).
// Frame 0 is a deterministic synthetic scene; frame 1 is ffmpeg's testsrc2
// (skipped when ffmpeg is missing).
#include <benchmark/benchmark.h>
#include <libyuv.h>
#include <turbojpeg.h>

#include <cstring>
#include <vector>

#include "capture/colour_convert.h"
#include "capture/still_encoder.h"
#include "capture/jpeg_encoder.h"
#include "formats/result_codes.h"
#include "capture/frames.h"

namespace {

constexpr uint32_t kW = 1920, kH = 1080;

const std::vector<uint8_t>& Frame(int kind) {
  static const std::vector<uint8_t> synthetic = capture_test::Natural420(kW, kH, 1);
  static const std::vector<uint8_t> testsrc2 = capture_test::FfmpegTestsrc2(kW, kH);
  return kind == 0 ? synthetic : testsrc2;
}

bool Have(benchmark::State& state, const std::vector<uint8_t>& f) {
  if (f.size() == size_t(kW) * kH * 3 / 2) return true;
  state.SkipWithError("ffmpeg not available");
  return false;
}

void BM_EncodeJPEG(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  corvane::StillEncoder img;
  img.SetQuality(100);
  std::vector<uint8_t> out(size_t(corvane::JpegWorstCaseSize(kW, kH + 8)));
  uint32_t len = 0;
  for (auto _ : state) {
    if (img.EncodeJPEG(corvane::YUV_YV12, f.data(), uint32_t(f.size()), kW, kH, out.data(), uint32_t(out.size()),
                       &len) != 0)
      state.SkipWithError("EncodeJPEG failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = double(len);
}

// The plain routines only (scalar DCT and quantiser, 32-bit bit writer): what
// the fast path gains.
void BM_EncodeJPEGPlainPath(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  // 1080 lines are padded to 1088 by the encoder's PadPlane here (StillEncoder
  // would centre them; the work is the same).
  corvane::JpegParams p;
  p.width = kW;
  p.height = kH;
  p.quality = 100;
  corvane::JpegGetMemSize(&p);
  std::vector<uint64_t> mem(size_t(p.memorySize) / 8 + 1);
  p.memory = mem.data();
  corvane::JpegEncoder* enc = nullptr;
  corvane::JpegInit(&p, &enc);
  const uint8_t* planes[3] = {f.data(), f.data() + kW * kH, f.data() + kW * kH * 5 / 4};
  std::vector<uint8_t> out(size_t(corvane::JpegWorstCaseSize(kW, kH)));
  corvane::JpegStream s{planes, out.data(), uint32_t(out.size()), 0};
  for (auto _ : state) {
    if (corvane::jpeg::JpegEncodeReference(enc, &s) != corvane::kOk) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = double(s.length);
}

void BM_TurboJPEG(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  tjhandle tj = tjInitCompress();
  const unsigned char* planes[3] = {f.data(), f.data() + kW * kH, f.data() + kW * kH * 5 / 4};
  const int strides[3] = {int(kW), int(kW / 2), int(kW / 2)};
  unsigned long capacity = tjBufSize(kW, kH, TJSAMP_420);
  unsigned char* buf = tjAlloc(int(capacity));
  unsigned long size = 0;
  for (auto _ : state) {
    size = capacity;
    if (tjCompressFromYUVPlanes(tj, planes, kW, strides, kH, TJSAMP_420, &buf, &size, 100, TJFLAG_NOREALLOC) != 0)
      state.SkipWithError(tjGetErrorStr2(tj));
    benchmark::DoNotOptimize(buf);
  }
  state.counters["bytes"] = double(size);
  tjFree(buf);
  tjDestroy(tj);
}

void BM_EncodeBMP(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  corvane::StillEncoder img;
  std::vector<uint8_t> out(54 + 4 * kW * kH);
  uint32_t len = 0;
  for (auto _ : state) {
    if (img.EncodeBMP(corvane::YUV_YV12, f.data(), uint32_t(f.size()), kW, kH, out.data(), uint32_t(out.size()),
                      &len) != 0)
      state.SkipWithError("EncodeBMP failed");
    benchmark::DoNotOptimize(out.data());
  }
}

void BmpHeader(uint8_t* p) {
  std::memset(p, 0, 54);
  p[0] = 'B';
  p[1] = 'M';
  const uint32_t fields[][2] = {{2, 54 + 4 * kW * kH}, {10, 54}, {14, 40}, {18, kW}, {22, kH}};
  for (const auto& fl : fields) std::memcpy(p + fl[0], &fl[1], 4);
  p[26] = 1;
  p[28] = 32;
}

// libyuv writes the rows bottom-up itself (negative height).
void BM_LibyuvBMPFlippedStride(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  std::vector<uint8_t> out(54 + 4 * kW * kH);
  for (auto _ : state) {
    BmpHeader(out.data());
    libyuv::I420ToARGB(f.data(), kW, f.data() + kW * kH, kW / 2, f.data() + kW * kH * 5 / 4, kW / 2,
                       out.data() + 54, int(4 * kW), int(kW), -int(kH));
    benchmark::DoNotOptimize(out.data());
  }
}

// libyuv converts top-down, then the rows are exchanged in place.
void BM_LibyuvBMPThenFlip(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  std::vector<uint8_t> out(54 + 4 * kW * kH), row(4 * kW);
  for (auto _ : state) {
    BmpHeader(out.data());
    uint8_t* px = out.data() + 54;
    libyuv::I420ToARGB(f.data(), kW, f.data() + kW * kH, kW / 2, f.data() + kW * kH * 5 / 4, kW / 2, px,
                       int(4 * kW), int(kW), int(kH));
    for (uint32_t i = 0; i < kH / 2; ++i) {
      uint8_t* a = px + size_t(i) * 4 * kW;
      uint8_t* b = px + size_t(kH - 1 - i) * 4 * kW;
      std::memcpy(row.data(), a, 4 * kW);
      std::memcpy(a, b, 4 * kW);
      std::memcpy(b, row.data(), 4 * kW);
    }
    benchmark::DoNotOptimize(out.data());
  }
}

// The plain table-driven conversion core, for what the SIMD core gains.
void BM_PlanesToRGB32Plain(benchmark::State& state) {
  const auto& f = Frame(int(state.range(0)));
  if (!Have(state, f)) return;
  std::vector<uint8_t> out(4 * kW * kH);
  for (auto _ : state) {
    corvane::capture_detail::PlanesToRGB32Plain(f.data(), f.data() + kW * kH, f.data() + kW * kH * 5 / 4,
                                                 out.data(), int(4 * kW), int(kW), int(kH));
    benchmark::DoNotOptimize(out.data());
  }
}

}  // namespace

BENCHMARK(BM_EncodeJPEG)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurboJPEG)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeJPEGPlainPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeBMP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibyuvBMPFlippedStride)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibyuvBMPThenFlip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanesToRGB32Plain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
