// Reader thread delivery rate against the floor (pread + memcpy of the same
// frames), both directions, and the reader's CPU use while the queue is full.
//
//   build/bench/source_bench [--frames=N] [--benchmark_filter=...]
//
// The clip is a 1920x1080 I420 file in the temp folder, read once before
// measuring so that it sits in the page cache.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "engine/frame_queue.h"
#include "engine/frame_source.h"
#include "bench_util.h"
#include "reader_host.h"
#include "formats/result_codes.h"
#include "formats/test_pattern.h"
#include "platform/file.h"

namespace {

using namespace corvane;

constexpr uint32_t kW = 1920, kH = 1080;
constexpr uint32_t kFrameSize = kW * kH * 3 / 2;
uint32_t g_frames = 48;

YUVPara ClipPara() {
  YUVPara p = DefaultPara();
  p.format = fmt::YV12;
  p.width = kW;
  p.height = kH;
  return p;
}

const std::string& ClipPath() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / "corvane-bench-1080p.yuv").string();
    platform::File f;
    if (!f.Open(p, platform::File::Mode::kCreate)) std::abort();
    const YUVPara para = ClipPara();
    for (uint32_t i = 0; i < g_frames; ++i) {
      auto frame = MakePatternFrame(para, i);
      f.WriteAt(frame.data(), frame.size(), uint64_t(i) * kFrameSize);
    }
    // Warm the page cache.
    std::vector<uint8_t> buf(kFrameSize);
    for (uint32_t i = 0; i < g_frames; ++i) f.ReadAt(buf.data(), buf.size(), uint64_t(i) * kFrameSize);
    return p;
  }();
  return path;
}

using BenchHost = benchutil::ReaderHost;

// Opens the clip in a source that reads into the host's queue of `buffers`.
void OpenClip(BenchHost& host, FrameSource& source, uint32_t buffers) {
  host.queue.Init(buffers, kFrameSize, 32);
  (void)source.Open(ClipPath());
  const YUVPara para = ClipPara();
  (void)source.SetPara(&para);
  (void)source.GetFileInfo();
  source.SetQueue(&host.queue);
}

// The floor: the same frames, in the same order, read with pread into one
// buffer and copied with memcpy into a destination, as plainly as it can be
// done. range(1) is the number of destination buffers taken in turn: 1 keeps
// everything in the cache; 10 writes the same memory a queue of ten frames
// does, which at 1080p (31 MB) is larger than the cache.
void BM_FloorPreadMemcpy(benchmark::State& state) {
  const bool reverse = state.range(0) != 0;
  const size_t ring = size_t(state.range(1));
  platform::File f;
  if (!f.Open(ClipPath(), platform::File::Mode::kRead)) std::abort();
  std::unique_ptr<uint8_t[]> src(new uint8_t[kFrameSize]);
  std::vector<std::unique_ptr<uint8_t[]>> dst;
  for (size_t k = 0; k < ring; ++k) {
    dst.emplace_back(new uint8_t[kFrameSize]);
    std::memset(dst.back().get(), 0, kFrameSize);
  }
  uint32_t i = 0;
  size_t k = 0;
  for (auto _ : state) {
    const uint32_t n = reverse ? g_frames - 1 - i : i;
    f.ReadAt(src.get(), kFrameSize, uint64_t(n) * kFrameSize);
    std::memcpy(dst[k].get(), src.get(), kFrameSize);
    benchmark::DoNotOptimize(dst[k].get());
    i = (i + 1) % g_frames;
    k = (k + 1) % ring;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(int64_t(state.iterations()) * kFrameSize);
  state.SetLabel(reverse ? "backwards" : "forwards");
}

// The reader thread with repeat on and a queue of range(1) buffers (the
// player uses 10; 2 fit in the cache); this thread takes each full buffer as
// soon as it is there and hands the previous one back, like a presenter with
// no time limit.
void BM_ReaderDelivery(benchmark::State& state) {
  const bool reverse = state.range(0) != 0;
  BenchHost host(16.0f);
  FrameSource source(&host);
  OpenClip(host, source, uint32_t(state.range(1)));
  source.SetRepeat(true);
  (void)source.StartThread();
  if (reverse) {
    source.SetReverse(true);
    (void)source.Seek(g_frames);
  }
  uint32_t expect = reverse ? g_frames : 1;
  int64_t wrong = 0;
  for (auto _ : state) {
    FrameBuffer* b = nullptr;
    while (!b) {
      // Sleep until the reader hands a frame over: a spinning consumer would
      // take the core the reader needs.
      host.queue.TakeFull(&b);
      if (!b) host.queue.WaitForFull(std::chrono::milliseconds(10));
    }
    wrong += b->nFrameNo != expect;
    expect = reverse ? (expect == 1 ? g_frames : expect - 1) : (expect == g_frames ? 1 : expect + 1);
    host.queue.ReleaseCurrent();
    host.queue.SetCurrent(b);
    host.last.store(b->nFrameNo, std::memory_order_relaxed);
  }
  source.Close();
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(int64_t(state.iterations()) * kFrameSize);
  state.counters["out_of_order"] = double(wrong);
  state.SetLabel(reverse ? "backwards" : "forwards");
}

// CPU the reader uses while the queue is full and nothing is presented, at
// speed 2^(range(0)) (range -4 .. 4 gives 1/16 .. 16). This thread sleeps
// during the measurement, so the process's CPU time is the reader's.
void BM_ReaderIdleCpu(benchmark::State& state) {
  const float speed = std::ldexp(1.0f, int(state.range(0)));
  BenchHost host(speed);
  FrameSource source(&host);
  OpenClip(host, source, 10);
  (void)source.StartThread();
  while (host.queue.FullCount() < 10) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double c0 = benchutil::ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    cpu += benchutil::ProcessCpuSeconds() - c0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  source.Close();
  state.counters["cpu_pct_of_core"] = 100.0 * cpu / wall;
  state.SetLabel("speed " + std::to_string(speed));
}

BENCHMARK(BM_FloorPreadMemcpy)->Args({0, 1})->Args({1, 1})->Args({0, 10})->Args({1, 10})->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReaderDelivery)->Args({0, 10})->Args({1, 10})->Args({0, 2})->Args({1, 2})->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReaderIdleCpu)->DenseRange(-4, 4)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--frames=", 9) == 0) g_frames = uint32_t(std::max(2, std::atoi(argv[i] + 9)));
  benchmark::Initialize(&argc, argv);
  ClipPath();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(ClipPath());
  return 0;
}
