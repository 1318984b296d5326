// Playing with a second file beside the open one: two 1920x1080 I420 files at
// 25 fps through a PlayerSession whose picture (A) and reference pane (B) are
// in-memory windows of 960x540 side by side, as the player lays them out.
// In one run:
//   - single-file playback of A alone, the peer: presentations and CPU;
//   - A with B beside it from the moment B opens: frames presented on each
//     side as a share of the frames due, whether B shows A's frame number,
//     and CPU per frame while the quality track fills and after it is done;
//   - how long the quality track took over the two files.
// CPU is getrusage(RUSAGE_SELF) user + system of the whole process (the
// graph's threads, B's worker and the track's workers), divided by the frames
// A presented in the same stretch.
//
//   build/bench/compare_play_bench [--seconds=S]   (default 20)
//
// A plain program: each side is one long timed run, not a repeated kernel.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "formats/test_pattern.h"
#include "session/player_session.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kW = 1920, kH = 1080, kInterval = 40;
constexpr int32_t kPaneW = 960, kPaneH = 540;
constexpr double kFps = 1000.0 / kInterval;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One pane of the picture area: keeps the last picture, as the widget does
// until its paint, and runs a hook on every presentation (on the presenting
// thread). Both panes lie in one 1920x540 monitor.
class Pane : public platform::VideoWindow {
 public:
  explicit Pane(int32_t left) : m_rc{left, 0, left + kPaneW, kPaneH} {}
  platform::Rect ClientRect() const override { return m_rc; }
  bool IsVisible() const override { return true; }
  bool IsMinimized() const override { return false; }
  void Present(std::shared_ptr<const platform::Picture> picture) override {
    {
      std::scoped_lock lock(m_mutex);
      m_last = std::move(picture);
    }
    if (m_hook) m_hook();
  }
  // Set only while nothing presents on this pane.
  void SetHook(std::function<void()> hook) { m_hook = std::move(hook); }

 private:
  platform::Rect m_rc;
  std::mutex m_mutex;
  std::shared_ptr<const platform::Picture> m_last;
  std::function<void()> m_hook;
};

// What both panes saw, written from their presenting threads.
struct Observed {
  std::mutex lock;
  std::vector<Clock::time_point> aTimes, bTimes;
  std::set<uint32_t> bFrames;       // distinct frame numbers B presented
  uint32_t bLatest = 0;             // the frame B presented last
  uint32_t aMovedOnB = 0;           // A's frame left the screen with B showing it too
  uint32_t aMovedOnEarly = 0;       // ... with B still on another frame
  uint32_t bSame = 0, bBehind = 0;  // B presented A's current frame / an older one
  std::vector<double> lagMs;        // A's presentation to B's of the same frame
  bool recording = false;

  void Reset() {
    std::scoped_lock l(lock);
    aTimes.clear(), bTimes.clear(), bFrames.clear(), lagMs.clear();
    aMovedOnB = aMovedOnEarly = bSame = bBehind = 0;
    recording = true;
  }
  size_t APresented() {
    std::scoped_lock l(lock);
    return aTimes.size();
  }
};

// The pair of files: A the moving pattern, B the same with one byte of each
// 4 KiB changed, so that every frame differs a little. Both carry a trailer.
struct Files {
  std::string a, b;
};

Files MakeFiles(uint32_t frames) {
  const auto dir = std::filesystem::temp_directory_path();
  Files f{(dir / "corvane-compare-play-a.yuv").string(), (dir / "corvane-compare-play-b.yuv").string()};
  YUVPara p = MakePara(fmt::YV12, kW, kH);
  p.frameInterval = kInterval;
  platform::File a, b;
  if (!a.Open(f.a, platform::File::Mode::kCreate) || !b.Open(f.b, platform::File::Mode::kCreate)) std::abort();
  uint64_t pos = 0;
  for (uint32_t n = 0; n < frames; ++n) {
    std::vector<uint8_t> frame = MakePatternFrame(p, n);
    if (a.WriteAt(frame.data(), frame.size(), pos) != int64_t(frame.size())) std::abort();
    for (size_t i = n % 4096; i < frame.size(); i += 4096) frame[i] ^= 0x20;
    if (b.WriteAt(frame.data(), frame.size(), pos) != int64_t(frame.size())) std::abort();
    pos += frame.size();
  }
  const auto t = EncodeTrailer(std::span(&p, 1));
  if (a.WriteAt(t.data(), t.size(), pos) != int64_t(t.size()) || b.WriteAt(t.data(), t.size(), pos) != int64_t(t.size()))
    std::abort();
  return f;
}

// CPU and A's presentations at one instant, and the stretch between two.
struct Mark {
  Clock::time_point t;
  double cpu = 0;
  size_t a = 0;
};
Mark Now(Observed& o) { return {Clock::now(), benchutil::ProcessCpuSeconds(), o.APresented()}; }

struct Stretch {
  double seconds = 0, cpu = 0;
  size_t frames = 0;
  double CpuMsPerFrame() const { return frames ? 1000.0 * cpu / double(frames) : 0; }
};
Stretch Between(const Mark& x, const Mark& y) {
  return {std::chrono::duration<double>(y.t - x.t).count(), y.cpu - x.cpu, y.a - x.a};
}

double LongestGapMs(const std::vector<Clock::time_point>& times) {
  double gap = 0;
  for (size_t i = 1; i < times.size(); ++i) gap = std::max(gap, Ms(times[i] - times[i - 1]));
  return gap;
}

double Percentile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

struct Results {
  Stretch single, withB, filling, after;
  bool trackDone = false;
  double trackSeconds = 0;
  uint32_t trackFrames = 0;
  size_t aPresented = 0, bPresented = 0, bDistinct = 0;
  double due = 0, aGapMs = 0, bGapMs = 0, singleGapMs = 0;
  uint32_t aMovedOnB = 0, aMovedOnEarly = 0, bSame = 0, bBehind = 0;
  double lagMedianMs = 0, lagP99Ms = 0, lagMaxMs = 0;
};

Results Run(const Files& files, double seconds) {
  Results r;
  Pane paneA(0), paneB(kPaneW);
  Observed o;
  // Read by the hooks; set while the graph of the run exists.
  std::atomic<const Renderer*> aRender{nullptr};
  std::atomic<session::ReferenceView*> reference{nullptr};
  std::atomic<int64_t> aLastNs{0};
  paneA.SetHook([&] {
    const auto now = Clock::now();
    aLastNs = now.time_since_epoch().count();
    std::scoped_lock l(o.lock);
    if (!o.recording) return;
    o.aTimes.push_back(now);
    // A is about to replace its frame on screen: has B shown that one yet?
    const Renderer* ren = aRender.load();
    if (reference.load() && ren) ++(o.bLatest == ren->GetCurrentFrame() ? o.aMovedOnB : o.aMovedOnEarly);
  });
  paneB.SetHook([&] {
    const auto now = Clock::now();
    session::ReferenceView* ref = reference.load();
    const Renderer* ren = aRender.load();
    if (!ref || !ren) return;
    const uint32_t n = ref->ShownFrame();  // the worker presenting now set it
    const uint32_t aNow = ren->GetCurrentFrame();
    std::scoped_lock l(o.lock);
    o.bLatest = n;
    if (!o.recording) return;
    o.bTimes.push_back(now);
    o.bFrames.insert(n);
    if (n == aNow) {
      ++o.bSame;
      o.lagMs.push_back(Ms(now.time_since_epoch() - Clock::duration(aLastNs.load())));
    } else {
      ++o.bBehind;
    }
  });

  session::PlayerSession s(&paneA, nullptr);
  s.SetReferencePane(&paneB);
  const session::DefaultParameters none;
  const auto settle = std::chrono::milliseconds(300);

  // A alone, the peer.
  if (s.Open(files.a, none).outcome != session::OpenOutcome::kPlaying) std::abort();
  aRender = s.Graph()->Render();
  std::this_thread::sleep_for(settle);
  o.Reset();
  const Mark s0 = Now(o);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  r.single = Between(s0, Now(o));
  {
    std::scoped_lock l(o.lock);
    o.recording = false;
    r.singleGapMs = LongestGapMs(o.aTimes);
  }
  aRender = nullptr;
  s.Close();

  // A from its first frame again, then B beside it: the track starts as B opens.
  if (s.Open(files.a, none).outcome != session::OpenOutcome::kPlaying) std::abort();
  aRender = s.Graph()->Render();
  std::this_thread::sleep_for(settle);
  o.Reset();
  const Mark m0 = Now(o);
  const session::ReferenceResult opened = s.OpenReference(files.b, none);
  if (opened.outcome != session::ReferenceOutcome::kOpened || !s.Track().Status().Ok()) std::abort();
  reference = s.Reference();
  r.trackFrames = s.Track().Planned();
  Mark done{};
  while (Since(m0.t) < seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!r.trackDone && s.Track().Done()) {
      done = Now(o);
      r.trackDone = true;
      r.trackSeconds = std::chrono::duration<double>(done.t - m0.t).count();
    }
  }
  const Mark m1 = Now(o);
  r.withB = Between(m0, m1);
  if (r.trackDone) r.filling = Between(m0, done), r.after = Between(done, m1);
  else r.filling = r.withB;
  {
    std::scoped_lock l(o.lock);
    o.recording = false;
    r.due = r.withB.seconds * kFps;
    r.aPresented = o.aTimes.size();
    r.bPresented = o.bTimes.size();
    r.bDistinct = o.bFrames.size();
    r.aGapMs = LongestGapMs(o.aTimes);
    r.bGapMs = LongestGapMs(o.bTimes);
    r.aMovedOnB = o.aMovedOnB, r.aMovedOnEarly = o.aMovedOnEarly;
    r.bSame = o.bSame, r.bBehind = o.bBehind;
    r.lagMedianMs = Percentile(o.lagMs, 0.5);
    r.lagP99Ms = Percentile(o.lagMs, 0.99);
    r.lagMaxMs = Percentile(o.lagMs, 1.0);
  }
  reference = nullptr;
  s.CloseReference();
  aRender = nullptr;
  s.Close();
  return r;
}

void Print(const Results& r, double seconds) {
  std::printf("\nPlayback at 25 fps, %.0f s a side, 1920x1080 I420 into 960x540 panes\n\n", seconds);
  std::printf("| stretch | seconds | A frames | CPU s | CPU ms/frame | vs A alone |\n|---|---|---|---|---|---|\n");
  const double base = r.single.CpuMsPerFrame();
  auto row = [&](const char* name, const Stretch& st) {
    std::printf("| %s | %.2f | %zu | %.3f | %.2f | %.2fx |\n", name, st.seconds, st.frames, st.cpu, st.CpuMsPerFrame(),
                base > 0 ? st.CpuMsPerFrame() / base : 0);
  };
  row("A alone", r.single);
  row("A + B, whole run", r.withB);
  row("A + B, quality track filling", r.filling);
  if (r.trackDone) row("A + B, track done", r.after);
  else std::printf("| A + B, track done | - | - | - | - | the track did not finish within the run |\n");

  std::printf("\n| side by side | A | B |\n|---|---|---|\n");
  std::printf("| frames due (%.2f s x 25) | %.1f | %.1f |\n", r.withB.seconds, r.due, r.due);
  std::printf("| presented | %zu (%.1f %%) | %zu (%.1f %%) |\n", r.aPresented, 100.0 * double(r.aPresented) / r.due,
              r.bPresented, 100.0 * double(r.bPresented) / r.due);
  std::printf("| distinct frames | - | %zu (%.1f %%) |\n", r.bDistinct, 100.0 * double(r.bDistinct) / r.due);
  std::printf("| longest gap between presentations, ms | %.1f | %.1f |\n", r.aGapMs, r.bGapMs);
  std::printf("\nA alone: %.1f %% of %.1f frames due, longest gap %.1f ms\n",
              100.0 * double(r.single.frames) / (r.single.seconds * kFps), r.single.seconds * kFps, r.singleGapMs);
  std::printf("B presented A's frame on screen: %u of %u; behind A: %u\n", r.bSame, r.bSame + r.bBehind, r.bBehind);
  std::printf("A moved on with B showing its frame: %u of %u; with B on another: %u\n", r.aMovedOnB,
              r.aMovedOnB + r.aMovedOnEarly, r.aMovedOnEarly);
  std::printf("B after A, same frame: median %.2f ms, p99 %.2f ms, max %.2f ms\n", r.lagMedianMs, r.lagP99Ms,
              r.lagMaxMs);
  if (r.trackDone)
    std::printf("Quality track (PSNR, %u frames): done %.2f s after B opened (%.0f frames/s)\n", r.trackFrames,
                r.trackSeconds, r.trackSeconds > 0 ? r.trackFrames / r.trackSeconds : 0);
  else
    std::printf("Quality track (PSNR, %u frames): not done within the run\n", r.trackFrames);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = benchutil::SecondsOption(argc, argv, 20);
  // Each side plays from frame 1 for the settling time and the run: frames
  // to spare so that neither reaches the end.
  const uint32_t frames = uint32_t((seconds + 2) * kFps);
  std::printf("Writing two files of %u frames (%.2f GB each) to %s\n", frames,
              double(frames) * kW * kH * 1.5 / 1e9, std::filesystem::temp_directory_path().c_str());
  const Files files = MakeFiles(frames);
  const Results r = Run(files, seconds);
  std::filesystem::remove(files.a);
  std::filesystem::remove(files.b);
  Print(r, seconds);
  return 0;
}
