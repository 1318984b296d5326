// The scopes while playing 1920x1080 I420 at 25 fps through a PlayerSession
// into a 1920x1080 in-memory window (100 %), as the window asks for them:
// one request on its way at a time, the latest picture asked for when a
// result is back (ui/scopes_flow.cpp). In one run:
//   - playback alone, the peer: frames presented as a share of the frames
//     due (as bench/compare_play_bench.cpp counts them) and CPU per frame;
//   - playback with the histogram, the waveform and the vectorscope: the
//     same, and the scope updates a second;
//   - paused on a frame, the cost of each step on the way, the median of
//     many: the copy of the frame on screen under the renderer's lock (what
//     the feed does), a second read of the same frame through VideoFile::Read
//     (the road not taken), and computing the three scopes.
// CPU is getrusage(RUSAGE_SELF) user + system of the whole process, divided
// by the frames presented in the same stretch.
//
//   build/bench/scopes_bench [--seconds=S]   (default 20)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/planar_frame.h"
#include "analysis/scopes.h"
#include "bench_util.h"
#include "formats/test_pattern.h"
#include "formats/video_file.h"
#include "session/player_session.h"
#include "session/scope_feed.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kW = 1920, kH = 1080, kInterval = 40;
constexpr double kFps = 1000.0 / kInterval;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The picture area at 100 %: counts presentations and runs a hook on each
// (on the presenting thread).
class Window : public platform::VideoWindow {
 public:
  platform::Rect ClientRect() const override { return {0, 0, int32_t(kW), int32_t(kH)}; }
  bool IsVisible() const override { return true; }
  bool IsMinimized() const override { return false; }
  void Present(std::shared_ptr<const platform::Picture> picture) override {
    {
      std::scoped_lock lock(m_mutex);
      m_last = std::move(picture);
    }
    ++presented;
    if (hook) hook();
  }
  std::atomic<uint64_t> presented{0};
  std::function<void()> hook;  // set only while nothing presents

 private:
  std::mutex m_mutex;
  std::shared_ptr<const platform::Picture> m_last;
};

std::string MakeFile(uint32_t frames) {
  const std::string path = (std::filesystem::temp_directory_path() / "corvane-scopes-bench.yuv").string();
  YUVPara p = MakePara(fmt::YV12, kW, kH);
  p.frameInterval = kInterval;
  platform::File f;
  if (!f.Open(path, platform::File::Mode::kCreate)) std::abort();
  uint64_t pos = 0;
  for (uint32_t n = 0; n < frames; ++n) {
    const std::vector<uint8_t> frame = MakePatternFrame(p, n);
    if (f.WriteAt(frame.data(), frame.size(), pos) != int64_t(frame.size())) std::abort();
    pos += frame.size();
  }
  const auto t = EncodeTrailer(std::span(&p, 1));
  if (f.WriteAt(t.data(), t.size(), pos) != int64_t(t.size())) std::abort();
  return path;
}

struct Stretch {
  double seconds = 0, cpu = 0;
  uint64_t frames = 0, updates = 0;
  double Presented() const { return 100.0 * double(frames) / (seconds * kFps); }
  double CpuMsPerFrame() const { return frames ? 1000.0 * cpu / double(frames) : 0; }
  double UpdatesPerSecond() const { return seconds > 0 ? double(updates) / seconds : 0; }
};

// Plays `path` from frame 1 for the settling time, then measures `seconds`.
Stretch Play(session::PlayerSession& s, Window& win, const std::string& path, double seconds,
             const std::atomic<uint64_t>& updates) {
  if (s.Open(path, {}).outcome != session::OpenOutcome::kPlaying) std::abort();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto t0 = Clock::now();
  const double cpu0 = benchutil::ProcessCpuSeconds();
  const uint64_t f0 = win.presented, u0 = updates;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  Stretch st;
  st.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  st.cpu = benchutil::ProcessCpuSeconds() - cpu0;
  st.frames = win.presented - f0;
  st.updates = updates - u0;
  s.Close();
  return st;
}

template <class Fn>
double MedianMs(int runs, Fn&& fn) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    fn();
    t.push_back(Ms(Clock::now() - t0));
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

struct Costs {
  double copyMs = 0, readMs = 0, scopesMs = 0;
};

// Paused on frame 10: the three steps, each the median of 50.
Costs Measure(session::PlayerSession& s, const std::string& path) {
  if (s.Open(path, {}).outcome != session::OpenOutcome::kPlaying) std::abort();
  s.Execute(session::Command::Pause);
  s.GoToFrame(10);
  s.WaitForSeeks(std::chrono::seconds(5));
  Costs c;
  std::vector<uint8_t> bytes;
  c.copyMs = MedianMs(50, [&] {
    s.Graph()->Render()->WithCurrent([&](const FrameBuffer* b) {
      bytes.assign(b->Bytes(), b->Bytes() + FrameSize64(b->nType, b->nWidth, b->nHeight));
      return 0;
    });
  });
  auto file = RawVideoFile::Open(path);
  if (!file || !(*file)->UseParameters(s.Para(), false)) std::abort();
  std::vector<uint8_t> read(bytes.size());
  c.readMs = MedianMs(50, [&] {
    if (!(*file)->Read(10, read)) std::abort();
  });
  std::vector<uint8_t> scratch;
  const analysis::PlanarFrame f = analysis::ToPlanar(YUV_YV12, kW, kH, bytes.data(), &scratch);
  c.scopesMs = MedianMs(50, [&] {
    const analysis::Scopes sc = analysis::ComputeScopes(f, {});
    if (sc.width != kW) std::abort();
  });
  s.Close();
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = benchutil::SecondsOption(argc, argv, 20);
  const uint32_t frames = uint32_t((seconds + 2) * kFps);
  std::printf("Writing %u frames of 1920x1080 I420 (%.2f GB) to %s\n", frames, double(frames) * kW * kH * 1.5 / 1e9,
              std::filesystem::temp_directory_path().c_str());
  const std::string path = MakeFile(frames);

  Window win;
  std::atomic<uint64_t> updates{0};
  Stretch alone, scopes;
  Costs costs;
  {
    session::PlayerSession s(&win, nullptr);
    alone = Play(s, win, path, seconds, updates);

    // The window's way of asking (ui/scopes_flow.cpp): one request on its
    // way; a picture meanwhile is asked for when the result is back.
    std::atomic<bool> asking{false}, again{false};
    session::ScopeRequest request;  // all three scopes, the luma waveform
    std::unique_ptr<session::ScopeFeed> feed;
    feed = std::make_unique<session::ScopeFeed>(s, [&](std::shared_ptr<const session::ScopeResult> r) {
      if (r) ++updates;
      if (again.exchange(false))
        feed->Request(request);
      else
        asking = false;
    });
    win.hook = [&] {
      if (!asking.exchange(true))
        feed->Request(request);
      else
        again = true;
    };
    scopes = Play(s, win, path, seconds, updates);
    win.hook = nullptr;
    s.WaitForSeeks(std::chrono::seconds(5));
    feed->WaitIdle(std::chrono::seconds(5));
    costs = Measure(s, path);
    s.Close();
    feed.reset();
  }
  std::filesystem::remove(path);

  std::printf("\nPlayback at 25 fps, %.0f s each, 1920x1080 I420 into a 1920x1080 window\n\n", seconds);
  std::printf("| | seconds | frames presented | of those due | CPU s | CPU ms/frame | scope updates/s |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  auto row = [](const char* name, const Stretch& st) {
    std::printf("| %s | %.2f | %llu | %.1f %% | %.3f | %.2f | %.1f |\n", name, st.seconds,
                static_cast<unsigned long long>(st.frames), st.Presented(), st.cpu, st.CpuMsPerFrame(),
                st.UpdatesPerSecond());
  };
  row("playback alone", alone);
  row("with histogram, waveform, vectorscope", scopes);
  std::printf("\nPer frame, paused (median of 50): copy of the frame on screen %.2f ms, "
              "read again through VideoFile::Read %.2f ms, the three scopes %.2f ms\n",
              costs.copyMs, costs.readMs, costs.scopesMs);
  return 0;
}
