// corvane-tool compare beside ffmpeg's psnr and ssim filters (each alone and
// both in one graph, default threads) and beside the floor of reading both
// files with pread and nothing else, all in one run on the same two files.
//
//   build/bench/compare_bench [--benchmark_filter=...]
//
// The inputs are 500 frames of 1920x1080 I420 (1.55 GB each): a moving
// pattern and a copy with noise on every sample, written to the temp folder
// and read once before measuring so the page cache is warm. Every figure is
// taken from the difference between a run over N frames and one over 2N
// (N = 250), so that process start-up, file opening and thread creation do
// not count: frames/s = N / (t(2N) - t(N)), CPU s/frame = (cpu(2N) - cpu(N)) / N,
// CPU being user + system time of the child processes (of this process for
// the read floor).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/frame_rate.h"
#include "formats/test_pattern.h"
#include "formats/yuv_format.h"
#include "platform/file.h"

namespace {

using namespace corvane;

constexpr uint32_t kW = 1920, kH = 1080, kFrames = 500, kHalf = kFrames / 2;
constexpr uint64_t kFrameSize = uint64_t(kW) * kH * 3 / 2;

std::string g_dir;  // outlives the exit handler that removes it

struct Files {
  std::string a, b;
};

const Files& BenchFiles() {
  static const Files files = [] {
    g_dir = (std::filesystem::temp_directory_path() / ("corvane-compare-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(g_dir);
    std::atexit([] { std::filesystem::remove_all(g_dir); });
    Files f{g_dir + "/a.yuv", g_dir + "/b.yuv"};
    platform::File a, b;
    if (!a.Open(f.a, platform::File::Mode::kCreate) || !b.Open(f.b, platform::File::Mode::kCreate)) std::abort();
    const YUVPara para = MakePara(fmt::YV12, kW, kH);
    uint32_t seed = 15;
    for (uint32_t n = 0; n < kFrames; ++n) {
      std::vector<uint8_t> frame = MakePatternFrame(para, n);
      if (a.WriteAt(frame.data(), frame.size(), n * kFrameSize) != int64_t(frame.size())) std::abort();
      for (auto& v : frame) {
        seed = seed * 1664525u + 1013904223u;
        v = uint8_t(v + int((seed >> 24) % 9) - 4);
      }
      if (b.WriteAt(frame.data(), frame.size(), n * kFrameSize) != int64_t(frame.size())) std::abort();
    }
    std::vector<uint8_t> buf(kFrameSize);
    for (uint32_t n = 0; n < kFrames; ++n) a.ReadAt(buf.data(), buf.size(), n * kFrameSize), b.ReadAt(buf.data(), buf.size(), n * kFrameSize);
    return f;
  }();
  return files;
}

void BM_ReadFloor(benchmark::State& state) {
  const Files& f = BenchFiles();
  benchutil::RateFromHalfAndWhole(state, RUSAGE_SELF, kHalf, kFrames, [&](uint32_t frames) {
    platform::File a, b;
    if (!a.Open(f.a, platform::File::Mode::kRead) || !b.Open(f.b, platform::File::Mode::kRead)) std::abort();
    std::vector<uint8_t> ba(kFrameSize), bb(kFrameSize);
    for (uint32_t n = 0; n < frames; ++n) {
      a.ReadAt(ba.data(), kFrameSize, n * kFrameSize);
      b.ReadAt(bb.data(), kFrameSize, n * kFrameSize);
      benchmark::DoNotOptimize(ba.data());
      benchmark::DoNotOptimize(bb.data());
    }
  });
}

// Argument: 0 PSNR, 1 SSIM, 2 both.
const char* const kOurFlags[] = {"--psnr", "--ssim", ""};
const char* const kFfmpegFilters[] = {"[0:v][1:v]psnr", "[0:v][1:v]ssim", "[0:v][1:v]psnr;[0:v][1:v]ssim"};

void BM_Compare(benchmark::State& state) {
  const Files& f = BenchFiles();
  benchutil::RateFromHalfAndWhole(state, RUSAGE_CHILDREN, kHalf, kFrames, [&](uint32_t frames) {
    benchutil::Shell(state, std::string(CORVANE_TOOL) + " compare " + f.a + " " + f.b + " " + kOurFlags[state.range(0)] +
                     " --format I420 --size 1920x1080 --frames " + std::to_string(frames));
  });
}

void BM_Ffmpeg(benchmark::State& state) {
  const Files& f = BenchFiles();
  const std::string raw = " -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i ";
  benchutil::RateFromHalfAndWhole(state, RUSAGE_CHILDREN, kHalf, kFrames, [&](uint32_t frames) {
    benchutil::Shell(state, "ffmpeg -nostdin -hide_banner" + raw + f.b + raw + f.a + " -lavfi \"" +
                     kFfmpegFilters[state.range(0)] + "\" -frames:v " + std::to_string(frames) + " -f null -");
  });
}

BENCHMARK(BM_ReadFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Compare)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Ffmpeg)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
