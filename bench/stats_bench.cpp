// corvane-tool stats beside ffmpeg's signalstats filter, both printing every
// frame's figures (ffmpeg through metadata=print), with the default
// statistics and with tout+vrep+brng, in one run on the same file.
//
//   build/bench/stats_bench [--benchmark_filter=...]
//
// The input is 500 frames of 1920x1080 I420 (1.55 GB): a moving pattern
// with noise on every sample, written to the temp folder and read once
// before measuring so the page cache is warm. Frames/s and CPU per frame
// come from runs over 250 and 500 frames (bench/frame_rate.h).
#include <benchmark/benchmark.h>

#include <unistd.h>

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

const std::string& BenchFile() {
  static const std::string file = [] {
    g_dir = (std::filesystem::temp_directory_path() / ("corvane-stats-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(g_dir);
    std::atexit([] { std::filesystem::remove_all(g_dir); });
    const std::string path = g_dir + "/in.yuv";
    platform::File out;
    if (!out.Open(path, platform::File::Mode::kCreate)) std::abort();
    const YUVPara para = MakePara(fmt::YV12, kW, kH);
    uint32_t seed = 28;
    for (uint32_t n = 0; n < kFrames; ++n) {
      std::vector<uint8_t> frame = MakePatternFrame(para, n);
      for (auto& v : frame) {
        seed = seed * 1664525u + 1013904223u;
        v = uint8_t(v + int((seed >> 24) % 9) - 4);
      }
      if (out.WriteAt(frame.data(), frame.size(), n * kFrameSize) != int64_t(frame.size())) std::abort();
    }
    std::vector<uint8_t> buf(kFrameSize);
    for (uint32_t n = 0; n < kFrames; ++n) out.ReadAt(buf.data(), buf.size(), n * kFrameSize);
    return path;
  }();
  return file;
}

// Argument: 0 the default statistics, 1 with tout+vrep+brng.
void BM_Stats(benchmark::State& state) {
  const std::string& f = BenchFile();
  benchutil::RateFromHalfAndWhole(state, RUSAGE_CHILDREN, kHalf, kFrames, [&](uint32_t frames) {
    benchutil::Shell(state, std::string(CORVANE_TOOL) + " stats " + f + " --format I420 --size 1920x1080 --frames " +
                                std::to_string(frames) + (state.range(0) ? " --stat tout,vrep,brng" : ""));
  });
}

void BM_FfmpegSignalstats(benchmark::State& state) {
  const std::string& f = BenchFile();
  benchutil::RateFromHalfAndWhole(state, RUSAGE_CHILDREN, kHalf, kFrames, [&](uint32_t frames) {
    benchutil::Shell(state, "ffmpeg -nostdin -hide_banner -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i " + f +
                                " -vf signalstats" + (state.range(0) ? "=stat=tout+vrep+brng" : "") +
                                ",metadata=print:file=- -frames:v " + std::to_string(frames) + " -f null -");
  });
}

BENCHMARK(BM_Stats)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FfmpegSignalstats)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
