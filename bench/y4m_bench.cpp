// Y4M files against raw files of the same frames, in one run: reading every
// frame through the video file interface forwards and backwards, opening a
// long Y4M file (the frame index included) against reading it once, and
// corvane-tool compare of two Y4M files against the same frames raw.
//
//   build/bench/y4m_bench [--benchmark_filter=...]
//
// Inputs, written to the temp folder and read once before measuring so the
// page cache is warm: 300 frames of 1920x1080 I420 (a moving pattern, and a
// copy with noise on every sample) as raw files and as Y4M files with bare
// frame headers, and a Y4M file of 2,000 such frames (6.2 GB) whose frame
// headers differ in length (FRAME, FRAME Ip, FRAME It XNOTE=...), opened
// and read from the page cache and, the file's pages dropped before each
// step (posix_fadvise), from the disk. Each
// iteration measures raw and Y4M back to back, so the ratio ("y4m/raw",
// speed of Y4M over speed of raw) compares like with like (which goes
// first alternates from one iteration to the next); compare's rate
// is taken from a run over N frames and one over 2N (N = 150), so that
// process start-up and opening do not count.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/y4m_file.h"
#include "formats/y4m_stream.h"
#include "platform/file.h"

namespace {

using namespace corvane;

constexpr uint32_t kW = 1920, kH = 1080, kFrames = 300, kHalf = kFrames / 2, kLongFrames = 2000;
constexpr uint64_t kFrameSize = uint64_t(kW) * kH * 3 / 2;

std::string g_dir;  // outlives the exit handler that removes it

struct Files {
  std::string rawA, rawB, y4mA, y4mB;
};

// The folder of the inputs, removed when the benchmark ends.
const std::string& Dir() {
  static const bool made = [] {
    g_dir = (std::filesystem::temp_directory_path() / ("corvane-y4m-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(g_dir);
    std::atexit([] { std::filesystem::remove_all(g_dir); });
    return true;
  }();
  (void)made;
  return g_dir;
}

// Writes `frames` frames as raw and, behind `header` and each frame header
// from `frameHeader(n)`, as Y4M, then reads both once.
template <typename FrameOf, typename HeaderOf>
void WriteFiles(const std::string& raw, const std::string& y4m, uint32_t frames, FrameOf frameOf, HeaderOf frameHeader) {
  platform::File r, y;
  if ((!raw.empty() && !r.Open(raw, platform::File::Mode::kCreate)) || !y.Open(y4m, platform::File::Mode::kCreate))
    std::abort();
  const std::string stream = y4m::StreamHeaderFor(MakePara(fmt::YV12, kW, kH), {25, 1});
  uint64_t at = 0;
  auto put = [&](const void* bytes, size_t n) {
    if (y.WriteAt(bytes, n, at) != int64_t(n)) std::abort();
    at += n;
  };
  put(stream.data(), stream.size());
  for (uint32_t n = 0; n < frames; ++n) {
    const std::vector<uint8_t>& frame = frameOf(n);
    if (!raw.empty() && r.WriteAt(frame.data(), frame.size(), n * kFrameSize) != int64_t(frame.size())) std::abort();
    const std::string header = frameHeader(n);
    put(header.data(), header.size());
    put(frame.data(), frame.size());
  }
  std::vector<uint8_t> buf(size_t(16) << 20);
  for (const platform::File* f : {&r, &y})
    if (f->IsOpen())
      for (uint64_t pos = 0; f->ReadAt(buf.data(), buf.size(), pos) > 0; pos += buf.size()) {
      }
}

// The pairs are made when a benchmark first asks for them, the long file
// likewise: a filtered run writes only what it measures.
const Files& BenchFiles() {
  static const Files files = [] {
    const std::string& dir = Dir();
    Files f{dir + "/a.yuv", dir + "/b.yuv", dir + "/a.y4m", dir + "/b.y4m"};
    const YUVPara para = MakePara(fmt::YV12, kW, kH);
    std::vector<uint8_t> frame;
    auto bare = [](uint32_t) { return std::string(y4m::kBareFrameHeader); };
    WriteFiles(f.rawA, f.y4mA, kFrames, [&](uint32_t n) -> const std::vector<uint8_t>& {
      return frame = MakePatternFrame(para, n);
    }, bare);
    uint32_t seed = 15;
    WriteFiles(f.rawB, f.y4mB, kFrames, [&](uint32_t n) -> const std::vector<uint8_t>& {
      frame = MakePatternFrame(para, n);
      for (auto& v : frame) {
        seed = seed * 1664525u + 1013904223u;
        v = uint8_t(v + int((seed >> 24) % 9) - 4);
      }
      return frame;
    }, bare);
    return f;
  }();
  return files;
}

// 25 pattern frames over and over, behind frame headers of three lengths.
const std::string& LongFile() {
  static const std::string path = [] {
    const std::string p = Dir() + "/long.y4m";
    const YUVPara para = MakePara(fmt::YV12, kW, kH);
    std::vector<std::vector<uint8_t>> frames;
    for (uint32_t n = 0; n < 25; ++n) frames.push_back(MakePatternFrame(para, n));
    WriteFiles({}, p, kLongFrames, [&](uint32_t n) -> const std::vector<uint8_t>& { return frames[n % 25]; },
               [](uint32_t n) {
                 return n % 3 == 0 ? std::string("FRAME\n")
                                   : n % 3 == 1 ? std::string("FRAME Ip\n") : "FRAME It XNOTE=frame-" + std::to_string(n) + "\n";
               });
    return p;
  }();
  return path;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::unique_ptr<VideoFile> OpenOrAbort(const std::string& path) {
  auto file = OpenVideoFile(path);
  if (!file) std::abort();
  if (!(*file)->ParametersFixed() && !(*file)->UseParameters(MakePara(fmt::YV12, kW, kH), true)) std::abort();
  return std::move(*file);
}

// Every frame of `file` read into one buffer, forwards or backwards, as the
// player's reader reads them; the seconds it took.
double ReadAll(const VideoFile& file, bool backwards, std::vector<uint8_t>& buffer) {
  const auto t0 = std::chrono::steady_clock::now();
  const uint32_t count = file.FrameCount();
  for (uint32_t i = 0; i < count; ++i) {
    if (!file.Read(backwards ? count - i : i + 1, buffer)) std::abort();
    benchmark::DoNotOptimize(buffer.data());
  }
  return Seconds(t0);
}

// Argument: 0 forwards, 1 backwards.
void BM_ReadRawThenY4m(benchmark::State& state) {
  const Files& f = BenchFiles();
  const auto raw = OpenOrAbort(f.rawA), y4m = OpenOrAbort(f.y4mA);
  std::vector<uint8_t> buffer(kFrameSize);
  const bool backwards = state.range(0) == 1;
  double rawSeconds = 0, y4mSeconds = 0;
  bool rawFirst = true;
  for (auto _ : state) {
    double r = 0, y = 0;
    if (rawFirst) r = ReadAll(*raw, backwards, buffer);
    y = ReadAll(*y4m, backwards, buffer);
    if (!rawFirst) r = ReadAll(*raw, backwards, buffer);
    rawFirst = !rawFirst;
    rawSeconds += r;
    y4mSeconds += y;
    state.SetIterationTime(y);
  }
  const double frames = double(state.iterations()) * kFrames;
  state.counters["raw_frames/s"] = frames / rawSeconds;
  state.counters["y4m_frames/s"] = frames / y4mSeconds;
  state.counters["y4m/raw"] = rawSeconds / y4mSeconds;
}

// Drops the file's pages from the page cache (written back first), so that
// the next reads come from the disk.
void Evict(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead) || !file.Sync() ||
      ::posix_fadvise(file.Descriptor(), 0, 0, POSIX_FADV_DONTNEED) != 0)
    std::abort();
}

// Opening the 2,000-frame file with its index, against reading all its
// frames once through the opened file. Argument: 0 from the page cache,
// 1 from the disk (the file evicted before each step).
void BM_OpenAgainstReadingOnce(benchmark::State& state) {
  const std::string& path = LongFile();
  const bool cold = state.range(0) == 1;
  std::vector<uint8_t> buffer(kFrameSize);
  double openSeconds = 0, readSeconds = 0;
  for (auto _ : state) {
    if (cold) Evict(path);
    const auto t0 = std::chrono::steady_clock::now();
    auto opened = Y4mVideoFile::Open(path);
    const double open = Seconds(t0);
    if (!opened || (*opened)->FrameCount() != kLongFrames || (*opened)->Facts()->uniformFrameHeaders) std::abort();
    openSeconds += open;
    state.SetIterationTime(open);
    if (cold) Evict(path);
    readSeconds += ReadAll(**opened, false, buffer);
  }
  const double n = double(state.iterations());
  state.counters["open_ms"] = 1e3 * openSeconds / n;
  state.counters["read_once_ms"] = 1e3 * readSeconds / n;
  state.counters["open_%_of_read"] = 100 * openSeconds / readSeconds;
}

void Shell(benchmark::State& state, const std::string& command) {
  const int st = std::system((command + " > /dev/null 2>&1").c_str());
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) state.SkipWithError(("failed: " + command).c_str());
}

// corvane-tool compare (PSNR and SSIM in one pass) of the raw pair, then of
// the Y4M pair; frames/s from the runs over N and 2N frames.
void BM_CompareRawThenY4m(benchmark::State& state) {
  const Files& f = BenchFiles();
  auto run = [&](const std::string& args, uint32_t frames) {
    const auto t0 = std::chrono::steady_clock::now();
    Shell(state, std::string(CORVANE_TOOL) + " compare " + args + " --frames " + std::to_string(frames));
    return Seconds(t0);
  };
  const std::string rawArgs = f.rawA + " " + f.rawB + " --format I420 --size 1920x1080", y4mArgs = f.y4mA + " " + f.y4mB;
  double rawSeconds = 0, y4mSeconds = 0;
  bool rawFirst = true;
  for (auto _ : state) {
    double r = 0, y = 0;
    if (rawFirst) r = run(rawArgs, kFrames) - run(rawArgs, kHalf);
    y = run(y4mArgs, kFrames) - run(y4mArgs, kHalf);
    if (!rawFirst) r = run(rawArgs, kFrames) - run(rawArgs, kHalf);
    rawFirst = !rawFirst;
    rawSeconds += r;
    y4mSeconds += y;
    state.SetIterationTime(y);
  }
  const double frames = double(state.iterations()) * (kFrames - kHalf);
  state.counters["raw_frames/s"] = frames / rawSeconds;
  state.counters["y4m_frames/s"] = frames / y4mSeconds;
  state.counters["y4m/raw"] = rawSeconds / y4mSeconds;
}

BENCHMARK(BM_ReadRawThenY4m)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OpenAgainstReadingOnce)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompareRawThenY4m)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

BENCHMARK_MAIN();
