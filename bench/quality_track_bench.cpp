// The quality track beside ffmpeg, in one run on the same two files: the
// track from Start to Done (PSNR; PSNR and SSIM) against ffmpeg's psnr filter
// alone (and psnr + ssim in one graph) over the whole files; and the quality
// graph painting 10,000 frames.
//
//   QT_QPA_PLATFORM=offscreen build/bench/quality_track_bench [--benchmark_filter=...]
//
// The inputs are 1000 frames of 1920x1080 I420 (3.1 GB each; fewer with
// CORVANE_BENCH_FRAMES=N when the temp folder is short of space): a moving
// pattern and a copy with noise on every sample, read once before measuring
// so the page cache is warm. ffmpeg runs as
//   ffmpeg -nostdin -hide_banner -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i B
//          -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i A -lavfi "[0:v][1:v]psnr" -f null -
// The track keeps one core for playback (threads = cores - 1); ffmpeg uses
// what it likes. Wall time per whole run; frames/s over the files.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/yuv_format.h"
#include "platform/file.h"
#include "session/quality_track.h"
#include "ui/quality_graph.h"

namespace {

using namespace corvane;

constexpr uint32_t kW = 1920, kH = 1080;
constexpr uint64_t kFrameSize = uint64_t(kW) * kH * 3 / 2;

std::string g_dir;  // outlives the exit handler that removes it

uint32_t Frames() {
  static const uint32_t frames = [] {
    const char* n = std::getenv("CORVANE_BENCH_FRAMES");
    return n ? uint32_t(std::strtoul(n, nullptr, 10)) : 1000u;
  }();
  return frames;
}

// A pattern clip of `para` and a noisy copy, read once afterwards.
void WritePair(const std::string& a, const std::string& b, const YUVPara& para, uint32_t frames) {
  platform::File fa, fb;
  if (!fa.Open(a, platform::File::Mode::kCreate) || !fb.Open(b, platform::File::Mode::kCreate)) std::abort();
  uint32_t seed = 15;
  std::vector<uint8_t> frame;
  for (uint32_t n = 0; n < frames; ++n) {
    frame = MakePatternFrame(para, n);
    const uint64_t at = uint64_t(n) * frame.size();
    if (fa.WriteAt(frame.data(), frame.size(), at) != int64_t(frame.size())) std::abort();
    for (auto& v : frame) {
      seed = seed * 1664525u + 1013904223u;
      v = uint8_t(v + int((seed >> 24) % 9) - 4);
    }
    if (fb.WriteAt(frame.data(), frame.size(), at) != int64_t(frame.size())) std::abort();
  }
  for (uint32_t n = 0; n < frames; ++n) {
    fa.ReadAt(frame.data(), frame.size(), uint64_t(n) * frame.size());
    fb.ReadAt(frame.data(), frame.size(), uint64_t(n) * frame.size());
  }
}

analysis::CompareInput Input(const std::string& path, const YUVPara& para) {
  analysis::CompareInput in;
  in.path = path;
  in.para = para;
  in.trailer.fileSize = in.trailer.dataSize = std::filesystem::file_size(path);
  in.useSegments = false;
  return in;
}

const std::string& Dir() {
  static const bool made = [] {
    g_dir = (std::filesystem::temp_directory_path() / ("corvane-quality-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(g_dir);
    std::atexit([] { std::filesystem::remove_all(g_dir); });
    return true;
  }();
  (void)made;
  return g_dir;
}

const YUVPara& BigPara() {
  static const YUVPara para = [] {
    const YUVPara p = MakePara(fmt::YV12, kW, kH);
    WritePair(Dir() + "/a.yuv", Dir() + "/b.yuv", p, Frames());
    return p;
  }();
  return para;
}

void WaitDone(const session::QualityTrack& track) {
  while (!track.Done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Argument: 0 PSNR, 1 PSNR and SSIM.
void BM_QualityTrack(benchmark::State& state) {
  const YUVPara& para = BigPara();
  const auto a = Input(Dir() + "/a.yuv", para), b = Input(Dir() + "/b.yuv", para);
  session::QualityTrack track;
  for (auto _ : state) {
    if (!track.Start(a, b, state.range(0) == 1).Ok()) state.SkipWithError("refused");
    WaitDone(track);
    if (!track.Status().Ok() || track.Count() != Frames()) state.SkipWithError("not every frame measured");
  }
  state.counters["frames/s"] = benchmark::Counter(double(Frames()) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Ffmpeg(benchmark::State& state) {
  BigPara();
  const std::string raw = " -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i ";
  const char* filter = state.range(0) == 1 ? "[0:v][1:v]psnr;[0:v][1:v]ssim" : "[0:v][1:v]psnr";
  const std::string command = "ffmpeg -nostdin -hide_banner" + raw + Dir() + "/b.yuv" + raw + Dir() + "/a.yuv" +
                              " -lavfi \"" + filter + "\" -f null - > /dev/null 2>&1";
  for (auto _ : state) {
    const int st = std::system(command.c_str());
    if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) state.SkipWithError(("failed: " + command).c_str());
  }
  state.counters["frames/s"] = benchmark::Counter(double(Frames()) * double(state.iterations()), benchmark::Counter::kIsRate);
}

// One paint of the graph, 1200 x 140, with 10,000 frames of PSNR and SSIM
// (tiny frames: the track's figures, not its speed, matter here).
void BM_GraphPaint(benchmark::State& state) {
  constexpr uint32_t kFrames = 10000;
  const YUVPara para = MakePara(fmt::YV12, 64, 64);
  WritePair(Dir() + "/small_a.yuv", Dir() + "/small_b.yuv", para, kFrames);
  session::QualityTrack track;
  if (!track.Start(Input(Dir() + "/small_a.yuv", para), Input(Dir() + "/small_b.yuv", para), true).Ok()) std::abort();
  WaitDone(track);
  ui::QualityGraph graph;
  graph.resize(1200, 140);
  graph.SetShowSsim(state.range(0) == 1);
  graph.SetTrack(&track);
  graph.SetCurrentFrame(kFrames / 3);
  QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) graph.render(&image);
  if (graph.LowestFrame() == 0) state.SkipWithError("no frames");
}

BENCHMARK(BM_QualityTrack)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Ffmpeg)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_GraphPaint)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
