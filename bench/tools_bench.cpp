// Cut and splice throughput on a 1 GiB file in the page cache, beside `cat IN
// > OUT` and `cp IN OUT` on the same file in the same run.
//
//   build/bench/tools_bench [--benchmark_filter=...]
//
// The input is 345 frames of 1920x1080 I420 (1 073 088 000 bytes) with a
// plain trailer, written to the temp folder and read once before measuring.
// Every output is removed after its iteration (outside the timing) and both
// files when the run ends.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "formats/trailer.h"
#include "platform/file.h"
#include "tools/file_cut.h"
#include "tools/file_splice.h"

namespace {

using namespace corvane;

constexpr uint32_t kW = 1920, kH = 1080, kFrames = 345;
constexpr uint64_t kFrameSize = uint64_t(kW) * kH * 3 / 2;
constexpr uint64_t kDataSize = kFrameSize * kFrames;

// Kept outside BenchFiles() so that it outlives the exit handler that uses it.
std::string g_dir;

struct Files {
  std::string dir, in, out;
};

const Files& BenchFiles() {
  static const Files files = [] {
    Files f;
    f.dir = (std::filesystem::temp_directory_path() / ("corvane-tools-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(f.dir);
    f.in = f.dir + "/in.yuv";
    f.out = f.dir + "/out.yuv";
    benchutil::MakeToolsInput(f.in, kW, kH, kFrames);
    g_dir = f.dir;
    std::atexit([] { std::filesystem::remove_all(g_dir); });
    return f;
  }();
  return files;
}

void RemoveOutput(benchmark::State& state, const Files& f) {
  state.PauseTiming();
  std::filesystem::remove(f.out);
  state.ResumeTiming();
}

int Shell(const std::string& command) {
  const int st = std::system(command.c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

void BM_Cat(benchmark::State& state) {
  const Files& f = BenchFiles();
  for (auto _ : state) {
    if (Shell("cat '" + f.in + "' > '" + f.out + "'") != 0) state.SkipWithError("cat failed");
    RemoveOutput(state, f);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * (kDataSize + kPlainTrailerSize)));
}

void BM_Cp(benchmark::State& state) {
  const Files& f = BenchFiles();
  for (auto _ : state) {
    if (Shell("cp '" + f.in + "' '" + f.out + "'") != 0) state.SkipWithError("cp failed");
    RemoveOutput(state, f);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * (kDataSize + kPlainTrailerSize)));
}

// Argument: chunk size in MiB.
void BM_CutAll(benchmark::State& state) {
  const Files& f = BenchFiles();
  tools::CutJob job{f.in, MakePara(fmt::YV12, kW, kH), 1, kFrames, f.out, true};
  job.chunkBytes = size_t(state.range(0)) << 20;
  for (auto _ : state) {
    if (!tools::Cut(job)) state.SkipWithError("cut failed");
    RemoveOutput(state, f);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * kDataSize));
}

void BM_SpliceOne(benchmark::State& state) {
  const Files& f = BenchFiles();
  tools::SpliceJob job{{{f.in, 1}}, f.out, true};
  job.chunkBytes = size_t(state.range(0)) << 20;
  for (auto _ : state) {
    if (!tools::Splice(job)) state.SkipWithError("splice failed");
    RemoveOutput(state, f);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * (kDataSize + kPlainTrailerSize)));
}

BENCHMARK(BM_Cat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CutAll)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SpliceOne)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
