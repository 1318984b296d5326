// Coded files beside their peers, in one run: forward decoding through the
// video file interface against `ffmpeg -threads N -f null`, random seeks
// against the time to decode half a group of pictures, backward play against
// mpv --play-dir=backward (rate and memory), opening a 90,000-frame file, and
// corvane-tool compare of the encode against its source against ffmpeg's
// psnr filter on the same pair.
//
//   build/bench/coded_bench [--benchmark_filter=...]
//
// Inputs, made once with ffmpeg and kept in /tmp/corvane-coded-bench (delete
// the folder to make them again): source.yuv, 1,000 frames of 1920x1080
// I420 (testsrc2 at 25 fps, 3.1 GB); clip.mp4, that source encoded by
// libx264 (preset medium, a keyframe every 250 frames, 3 B-frames); long.mp4,
// 1,000 frames of 320x180 at 100 kb/s repeated 90 times with -c copy (90,000
// frames, an hour at 25 fps). Rates come from a run over N frames and one
// over 2N (bench/frame_rate.h), so that start-up and opening do not count;
// ours and the peer's are measured back to back in each iteration.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/frame_rate.h"
#include "bench/reader_host.h"
#include "engine/display.h"
#include "engine/frame_queue.h"
#include "engine/frame_source.h"
#include "formats/coded_file.h"
#include "formats/video_file.h"
#include "platform/video_window.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kFrames = 1000, kHalf = kFrames / 2, kGop = 250, kLongFrames = 90000;
const std::string kDir = "/tmp/corvane-coded-bench";
const std::string kFfmpeg = "ffmpeg -nostdin -y -hide_banner -loglevel error ";

std::string Source() { return kDir + "/source.yuv"; }
std::string Clip() { return kDir + "/clip.mp4"; }
std::string Long() { return kDir + "/long.mp4"; }

// Makes `path` with `command` (which writes `path`.part) unless it is there.
void Make(const std::string& path, const std::string& command) {
  if (std::filesystem::exists(path)) return;
  std::fprintf(stderr, "making %s\n", path.c_str());
  const int st = std::system(command.c_str());
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  std::filesystem::rename(path + ".part", path);
}

void MakeInputs() {
  std::filesystem::create_directories(kDir);
  Make(Source(), kFfmpeg + "-f lavfi -i testsrc2=size=1920x1080:rate=25 -frames:v " + std::to_string(kFrames) +
                     " -pix_fmt yuv420p -f rawvideo " + Source() + ".part");
  Make(Clip(), kFfmpeg + "-f rawvideo -pix_fmt yuv420p -s 1920x1080 -r 25 -i " + Source() +
                   " -c:v libx264 -preset medium -g 250 -bf 3 -f mp4 " + Clip() + ".part");
  Make(Long(), kFfmpeg + "-f lavfi -i testsrc2=size=320x180:rate=25 -frames:v 1000 -c:v libx264 -preset veryfast " +
                   "-g 250 -b:v 100k -f mp4 " + kDir + "/short.mp4 && " + kFfmpeg + "-stream_loop 89 -i " + kDir +
                   "/short.mp4 -c copy -f mp4 " + Long() + ".part");
  // Warm the page cache: every side reads the files from memory.
  for (const std::string& path : {Source(), Clip(), Long()}) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
    }
  }
}

std::unique_ptr<VideoFile> OpenCoded(const std::string& path, unsigned threads, uint64_t cacheBytes = uint64_t(1) << 30) {
  DecodeOptions options;
  options.threads = threads;
  options.cacheBytes = cacheBytes;
  auto file = OpenVideoFile(path, FileAccess::kRead, options);
  if (!file || !(*file)->Facts() || (*file)->Facts()->codec.empty()) {
    std::fprintf(stderr, "%s does not open as a coded file\n", path.c_str());
    std::exit(1);
  }
  return std::move(*file);
}

void ReadOrDie(const VideoFile& file, uint32_t n, std::vector<uint8_t>& buffer) {
  if (!file.Read(n, buffer)) {
    std::fprintf(stderr, "frame %u of %s not read\n", n, file.Path().c_str());
    std::exit(1);
  }
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Runs a program (no shell) to its end: wall seconds and its peak resident
// memory.
struct ChildRun {
  double seconds = 0;
  double maxRssMiB = 0;
  bool ok = false;
};
ChildRun RunChild(const std::vector<std::string>& argv) {
  const auto t0 = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0), dup2(null, 1), dup2(null, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int st = 0;
  rusage ru{};
  wait4(pid, &st, 0, &ru);
  return {Seconds(t0), double(ru.ru_maxrss) / 1024.0, WIFEXITED(st) && WEXITSTATUS(st) == 0};
}

// This process's resident memory (VmRSS) or its peak since the last reset
// (VmHWM), in MiB.
double StatusMiB(const std::string& key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key + ":", 0) == 0) return std::atof(line.c_str() + key.size() + 1) / 1024.0;
  return 0;
}
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

// ffmpeg decoding the first frames of the clip with `threads` decoder
// threads, handing them to a null muxer (no conversion), or through the
// filters `filters` first.
auto FfmpegDecode(benchmark::State& state, unsigned threads, std::string filters = {}) {
  if (!filters.empty()) filters = " -vf " + filters;
  return [&state, threads, filters](uint32_t frames) {
    benchutil::Shell(state, "ffmpeg -nostdin -hide_banner -threads " + std::to_string(threads) + " -i " + Clip() +
                                filters + " -frames:v " + std::to_string(frames) + " -f null -");
  };
}

// Ours and ffmpeg's rates over frames `half` + 1 .. `whole` (the time of
// `whole` frames less that of `half`), measured back to back in each
// iteration; the iteration's time is ours. `who`: whose CPU ours is
// (this process, or a child for a command).
template <typename Ours, typename Ffmpeg>
void SideBySide(benchmark::State& state, int who, uint32_t half, uint32_t whole, Ours ours, Ffmpeg ffmpeg) {
  double oursSeconds = 0, ffmpegSeconds = 0;
  for (auto _ : state) {
    const double o = benchutil::Measure(who, whole, ours).seconds - benchutil::Measure(who, half, ours).seconds;
    const double f = benchutil::Measure(RUSAGE_CHILDREN, whole, ffmpeg).seconds -
                     benchutil::Measure(RUSAGE_CHILDREN, half, ffmpeg).seconds;
    state.SetIterationTime(o);
    oursSeconds += o;
    ffmpegSeconds += f;
  }
  const double frames = double(state.iterations()) * (whole - half);
  state.counters["ours_frames/s"] = frames / oursSeconds;
  state.counters["ffmpeg_frames/s"] = frames / ffmpegSeconds;
  state.counters["ours/ffmpeg_pct"] = 100.0 * ffmpegSeconds / oursSeconds;
}

// Forward decode of the first N and 2N frames through VideoFile::Read with
// range(0) decoder threads and a decoded-frame cache of range(1) MiB (1024:
// as the window opens a file; 0: as the tools and commands do), each beside
// `ffmpeg -threads N -i clip.mp4 -frames:v F -f null -` (which decodes and
// hands the frames to a null muxer, without converting or copying them).
void BM_DecodeForward(benchmark::State& state) {
  const unsigned threads = unsigned(state.range(0));
  const uint64_t cacheBytes = uint64_t(state.range(1)) << 20;
  std::vector<uint8_t> buffer(1920 * 1080 * 3 / 2);
  auto ours = [&](uint32_t frames) {
    const auto file = OpenCoded(Clip(), threads, cacheBytes);
    for (uint32_t n = 1; n <= frames; ++n) ReadOrDie(*file, n, buffer);
  };
  SideBySide(state, RUSAGE_SELF, kHalf, kFrames, ours, FfmpegDecode(state, threads));
}

// A 1280x720 window that keeps only the latest picture, as a widget between
// paints.
class DroppingWindow : public platform::VideoWindow {
 public:
  platform::Rect ClientRect() const override { return {0, 0, 1280, 720}; }
  bool IsVisible() const override { return true; }
  bool IsMinimized() const override { return false; }
  void Present(std::shared_ptr<const platform::Picture> picture) override { m_last = std::move(picture); }

 private:
  std::shared_ptr<const platform::Picture> m_last;
};

// Decode and present as the player does: the engine's reader thread
// decodes into its queue of ten frames (the file opened as the player opens
// it, decoder threads as many as cores), and this thread takes each frame
// as soon as it is there and draws it into a 1280x720 window (BT.709,
// converted and scaled by the display), untimed; beside
// `ffmpeg -threads 2 -f null` decoding only (range(0) 0), and decoding,
// scaling to 1280x720 and converting to BGRA as the display does (1).
void BM_ReaderAndDisplay(benchmark::State& state) {
  const FrameShape shape = *OpenCoded(Clip(), 0)->Shape(1);
  const FrameInfo info{shape.para.width, shape.para.height, shape.type};
  auto ours = [&](uint32_t frames) {
    benchutil::ReaderHost host(16.0f);  // forwards, unpaced
    FrameSource source(&host);
    host.queue.Init(10, shape.size, 32);
    if (!source.Open(Clip()) || !source.SetPara(&shape.para) || !source.GetFileInfo()) std::exit(1);
    source.SetQueue(&host.queue);
    DroppingWindow window;
    Display display;
    if (display.Attach(&window) != kOk) std::exit(1);
    display.SetColourSpace({YuvMatrix::kBt709, YuvRange::kLimited});
    (void)source.StartThread();
    for (uint32_t k = 1; k <= frames; ++k) {
      FrameBuffer* b = nullptr;
      while (!b) {
        host.queue.TakeFull(&b);
        if (!b) host.queue.WaitForFull(std::chrono::milliseconds(10));
      }
      if (b->nFrameNo != k) std::exit(1);
      display.Draw(b->Bytes(), shape.size, &info);
      host.queue.ReleaseCurrent();
      host.queue.SetCurrent(b);
      host.last.store(b->nFrameNo, std::memory_order_relaxed);
    }
    source.Close();
  };
  const std::string present = "scale=1280:720:flags=bilinear:in_color_matrix=bt709:in_range=tv,format=bgra";
  SideBySide(state, RUSAGE_SELF, kHalf, kFrames, ours, FfmpegDecode(state, 2, state.range(0) ? present : ""));
}

// 200 frames in random order (a fixed seed) read from one open file, as the
// player's seeks read them (its decoded-frame cache included): the median
// and 95th percentile of the time to frame n, beside decoding half a group
// of pictures (125 frames from a keyframe) by ffmpeg (the time of 126
// frames less that of 1) and by the file (frames 1..125 after the open).
void BM_RandomSeek(benchmark::State& state) {
  std::vector<uint8_t> buffer(1920 * 1080 * 3 / 2);
  std::vector<double> latencies;
  double halfGopOurs = 0, halfGopFfmpeg = 0;
  for (auto _ : state) {
    const auto file = OpenCoded(Clip(), 2);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<uint32_t> frame(1, kFrames);
    for (int k = 0; k < 200; ++k) {
      const uint32_t n = frame(random);
      const auto t0 = Clock::now();
      ReadOrDie(*file, n, buffer);
      latencies.push_back(Seconds(t0) * 1e3);
    }
    const auto fresh = OpenCoded(Clip(), 2);
    const auto t0 = Clock::now();
    for (uint32_t n = 1; n <= kGop / 2; ++n) ReadOrDie(*fresh, n, buffer);
    halfGopOurs += Seconds(t0) * 1e3;
    const auto ffmpeg = FfmpegDecode(state, 2);
    halfGopFfmpeg += (benchutil::Measure(RUSAGE_CHILDREN, kGop / 2 + 1, ffmpeg).seconds -
                      benchutil::Measure(RUSAGE_CHILDREN, 1, ffmpeg).seconds) * 1e3;
  }
  std::sort(latencies.begin(), latencies.end());
  state.counters["median_ms"] = latencies[latencies.size() / 2];
  state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100];
  state.counters["max_ms"] = latencies.back();
  state.counters["half_gop_ours_ms"] = halfGopOurs / double(state.iterations());
  state.counters["half_gop_ffmpeg_ms"] = halfGopFfmpeg / double(state.iterations());
}

// Backward play: frame 1000 (the seek to the end), then 999, 998, ... 1
// as fast as they come, with a decoded-frame cache of range(0) MiB; the
// growth of the process's resident memory (its peak, from the open to the
// end) and the cache's own peak (sampled every 25 frames) beside the bound. frames/s: 999 .. 1; all_frames/s: the seek to the
// end included, as mpv's figure is.
void BM_BackwardPlay(benchmark::State& state) {
  const uint64_t cacheMiB = uint64_t(state.range(0));
  std::vector<uint8_t> buffer(1920 * 1080 * 3 / 2);
  double seconds = 0, peak = 0, seekToEnd = 0, cached = 0;
  for (auto _ : state) {
    malloc_trim(0);  // what earlier benchmarks freed leaves the resident set
    ResetPeakRss();
    const double before = StatusMiB("VmRSS");
    const auto file = OpenCoded(Clip(), 2, cacheMiB << 20);
    auto t0 = Clock::now();
    ReadOrDie(*file, kFrames, buffer);
    seekToEnd += Seconds(t0);
    t0 = Clock::now();
    const auto& coded = dynamic_cast<const CodedVideoFile&>(*file);
    for (uint32_t n = kFrames - 1; n >= 1; --n) {
      ReadOrDie(*file, n, buffer);
      if (n % 25 == 0) cached = std::max(cached, double(coded.CachedBytes()) / (1 << 20));
    }
    const double s = Seconds(t0);
    state.SetIterationTime(s);
    seconds += s;
    peak = std::max(peak, StatusMiB("VmHWM") - before);
  }
  state.counters["frames/s"] = double(state.iterations()) * (kFrames - 1) / seconds;
  state.counters["seek_to_end_ms"] = 1e3 * seekToEnd / double(state.iterations());
  state.counters["all_frames/s"] = double(state.iterations()) * kFrames / (seconds + seekToEnd);
  state.counters["rss_growth_peak_MiB"] = peak;
  state.counters["cache_bound_MiB"] = double(cacheMiB);
  state.counters["cache_peak_MiB"] = cached;
}

// mpv playing the whole clip backward from its end with no output and no
// timing, and its peak resident memory. Its rate includes its start-up and
// the seek to the end: the difference of two runs of different lengths is
// no measure here, as mpv decodes a whole group of pictures before it shows
// the first frame of it (runs of 500 and 999 frames came out in either
// order).
//   mpv --no-config --play-dir=backward --start=100% --vo=null --untimed --no-audio --frames=1000 clip.mp4
void BM_MpvBackward(benchmark::State& state) {
  double seconds = 0, peak = 0;
  for (auto _ : state) {
    const ChildRun r = RunChild({"mpv", "--no-config", "--play-dir=backward", "--start=100%", "--vo=null", "--untimed",
                                 "--no-audio", "--frames=" + std::to_string(kFrames), Clip()});
    if (!r.ok) state.SkipWithError("mpv failed");
    state.SetIterationTime(r.seconds);
    seconds += r.seconds;
    peak = std::max(peak, r.maxRssMiB);
  }
  state.counters["all_frames/s"] = double(state.iterations()) * kFrames / seconds;
  state.counters["rss_peak_MiB"] = peak;
}

// Opening the 90,000-frame file: the frame index built (frame count, each
// frame's type, key flag and size), from the page cache.
void BM_OpenLong(benchmark::State& state) {
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const auto file = OpenCoded(Long(), 2);
    state.SetIterationTime(Seconds(t0));
    if (file->FrameCount() != kLongFrames) state.SkipWithError("not 90,000 frames");
  }
}

// compare of the encode against its source, PSNR alone, decoding included:
// corvane-tool compare beside ffmpeg's psnr filter on the same pair, N = 250
// frames and 2N.
void BM_CompareAgainstSource(benchmark::State& state) {
  constexpr uint32_t kN = 250;
  auto ours = [&](uint32_t frames) {
    benchutil::Shell(state, std::string(CORVANE_TOOL) + " compare " + Source() + " " + Clip() +
                                " --psnr --format I420 --size 1920x1080 --frames " + std::to_string(frames));
  };
  auto ffmpeg = [&](uint32_t frames) {
    benchutil::Shell(state, "ffmpeg -nostdin -hide_banner -i " + Clip() + " -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i " +
                                Source() + " -lavfi \"[0:v][1:v]psnr\" -frames:v " + std::to_string(frames) + " -f null -");
  };
  SideBySide(state, RUSAGE_CHILDREN, kN, 2 * kN, ours, ffmpeg);
}

BENCHMARK(BM_DecodeForward)->Args({1, 1024})->Args({2, 1024})->Args({2, 0})->Args({2, 64})->Args({2, 16})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReaderAndDisplay)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RandomSeek)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BackwardPlay)->Arg(1024)->Arg(256)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MpvBackward)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_OpenLong)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompareAgainstSource)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MakeInputs();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
