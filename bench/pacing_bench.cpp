// Pacing of the playback graph: how evenly frames are presented at 25 fps,
// how many of the requested frames are presented at speed 16 on 1080p, and
// the CPU used while paused. The peer is a plain sleep_until loop on the same
// clock, measured in the same run: the floor the machine's scheduler allows.
//
//   build/bench/pacing_bench [--seconds=S]
#include <benchmark/benchmark.h>


#include <cmath>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine/playback_graph.h"
#include "bench_util.h"
#include "formats/result_codes.h"
#include "formats/test_pattern.h"
#include "platform/file.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

double g_seconds = 10;

// A window that keeps the last picture, as the widget does until its paint.
class KeepLastWindow : public platform::VideoWindow {
 public:
  KeepLastWindow(int32_t w, int32_t h) : m_rc{0, 0, w, h} {}
  platform::Rect ClientRect() const override { return m_rc; }
  bool IsVisible() const override { return true; }
  bool IsMinimized() const override { return false; }
  void Present(std::shared_ptr<const platform::Picture> picture) override {
    std::scoped_lock lock(m_mutex);
    m_last = std::move(picture);
  }

 private:
  platform::Rect m_rc;
  std::mutex m_mutex;
  std::shared_ptr<const platform::Picture> m_last;
};

std::string MakeClip(uint32_t w, uint32_t h, uint32_t frames, uint32_t interval) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("corvane-pacing-" + std::to_string(w) + ".yuv")).string();
  YUVPara p = DefaultPara();
  p.width = w, p.height = h, p.frameInterval = interval;
  platform::File f;
  if (!f.Open(path, platform::File::Mode::kCreate)) std::abort();
  uint64_t pos = 0;
  for (uint32_t i = 0; i < frames; ++i) {
    auto frame = MakePatternFrame(p, i);
    f.WriteAt(frame.data(), frame.size(), pos);
    pos += frame.size();
  }
  auto t = EncodeTrailer(std::span(&p, 1));
  f.WriteAt(t.data(), t.size(), pos);
  return path;
}

// Opens a clip with the parameters of its trailer, as the player does.
void OpenWithTrailer(PlaybackGraph& graph, platform::VideoWindow& window, const std::string& path) {
  (void)graph.OpenFile(path);
  YUVPara para{};
  (void)graph.ReadFilePara(std::span(&para, 1), false);
  (void)graph.SetPara(&para, &window);
  (void)graph.GetFileInfo();
}

struct Stats {
  double mean = 0, stddev = 0, max = 0;
};

Stats IntervalStats(const std::vector<Clock::time_point>& times) {
  Stats s;
  if (times.size() < 3) return s;
  std::vector<double> d;
  for (size_t i = 1; i < times.size(); ++i) d.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
  for (double x : d) s.mean += x, s.max = std::max(s.max, x);
  s.mean /= double(d.size());
  for (double x : d) s.stddev += (x - s.mean) * (x - s.mean);
  s.stddev = std::sqrt(s.stddev / double(d.size()));
  return s;
}

// Plays a clip through the graph at a speed for g_seconds and records when
// each frame was presented.
struct Played {
  std::vector<Clock::time_point> times;
  double seconds = 0;
  uint32_t period = 0;
};

Played Play(const std::string& path, float speed, int32_t winW, int32_t winH) {
  KeepLastWindow window(winW, winH);
  PlaybackGraph graph(&window);
  OpenWithTrailer(graph, window, path);
  Played out;
  std::mutex m;
  out.times.reserve(size_t(g_seconds * 600));
  graph.Render()->SetPresentedCallback([&](const FrameBuffer&) {
    std::scoped_lock lock(m);
    out.times.push_back(Clock::now());
  });
  (void)graph.SetRepeat(true);
  (void)graph.Run();
  (void)graph.SetSpeed(speed);
  out.period = graph.Timer()->GetPeriod();
  // Let the queue fill and the first frames pass before measuring.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  {
    std::scoped_lock lock(m);
    out.times.clear();
  }
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(g_seconds));
  {
    std::scoped_lock lock(m);
    out.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  }
  (void)graph.Stop();
  graph.Render()->SetPresentedCallback(nullptr);
  return out;
}

// The floor: a thread sleeping until absolute deadlines one period apart.
std::vector<Clock::time_point> SleepLoop(std::chrono::milliseconds period, double seconds) {
  std::vector<Clock::time_point> times;
  auto next = Clock::now() + period;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (next < end) {
    std::this_thread::sleep_until(next);
    times.push_back(Clock::now());
    next += period;
  }
  return times;
}

void BM_Pacing25fps(benchmark::State& state) {
  const std::string clip = MakeClip(352, 288, 50, 40);
  for (auto _ : state) {
    const Played p = Play(clip, 1.0f, 352, 288);
    const Stats s = IntervalStats(p.times);
    const Stats floor = IntervalStats(SleepLoop(std::chrono::milliseconds(40), g_seconds));
    state.counters["mean_ms"] = s.mean;
    state.counters["stddev_ms"] = s.stddev;
    state.counters["max_ms"] = s.max;
    state.counters["floor_stddev_ms"] = floor.stddev;
    state.counters["floor_max_ms"] = floor.max;
  }
  std::filesystem::remove(clip);
}

void BM_Speed16At1080p(benchmark::State& state) {
  const int32_t winW = int32_t(state.range(0)), winH = int32_t(state.range(1));
  const std::string clip = MakeClip(1920, 1080, 48, 40);
  for (auto _ : state) {
    const Played p = Play(clip, 16.0f, winW, winH);
    const double requested = p.seconds * 1000.0 / p.period;
    state.counters["period_ms"] = p.period;
    state.counters["requested"] = requested;
    state.counters["presented"] = double(p.times.size());
    state.counters["presented_pct"] = 100.0 * double(p.times.size()) / requested;
    const Stats floor = IntervalStats(SleepLoop(std::chrono::milliseconds(p.period), 2.0));
    state.counters["floor_pct"] = 100.0 * (2.0 * 1000.0 / (floor.mean > 0 ? floor.mean : 1)) / (2.0 * 1000.0 / p.period);
  }
  std::filesystem::remove(clip);
}

// Paused: the clock ticks with its paused flag set and the reader's queue is
// full. This thread sleeps, so the process's CPU time is the engine's.
void BM_PausedCpu(benchmark::State& state) {
  const float speed = std::ldexp(1.0f, int(state.range(0)));
  const std::string clip = MakeClip(352, 288, 50, 40);
  KeepLastWindow window(352, 288);
  PlaybackGraph graph(&window);
  OpenWithTrailer(graph, window, clip);
  (void)graph.Run();
  (void)graph.SetSpeed(speed);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  (void)graph.Pause();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double c0 = benchutil::ProcessCpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    cpu += benchutil::ProcessCpuSeconds() - c0;
    wall += std::chrono::duration<double>(Clock::now() - t0).count();
  }
  (void)graph.Close();
  std::filesystem::remove(clip);
  state.counters["cpu_pct_of_core"] = 100.0 * cpu / wall;
}

BENCHMARK(BM_Pacing25fps)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Speed16At1080p)->Args({1280, 720})->Args({1920, 1080})->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PausedCpu)->Arg(0)->Arg(4)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--seconds=", 10) == 0) g_seconds = std::max(1.0, std::atof(argv[i] + 10));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
