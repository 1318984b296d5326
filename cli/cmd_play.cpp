// corvane-tool play: headless playback through the real graph, printing each
// presented frame and each size change with its time.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "cli/cli_common.h"
#include "engine/offscreen_window.h"
#include "engine/playback_graph.h"
#include "formats/result_codes.h"

namespace cli {
namespace {

float ParseSpeed(const std::string& text) {
  float value = 0;
  const size_t slash = text.find('/');
  try {
    if (slash != std::string::npos) {
      const float num = std::stof(text.substr(0, slash)), den = std::stof(text.substr(slash + 1));
      value = den != 0 ? num / den : 0;
    } else {
      size_t used = 0;
      value = std::stof(text, &used);
      if (used != text.size()) value = 0;
    }
  } catch (const std::exception&) {
    value = 0;
  }
  for (int e = -4; e <= 4; ++e)
    if (value == std::ldexp(1.0f, e)) return value;
  throw UsageError{"invalid speed '" + text + "' (one of 1/16, 1/8, 1/4, 1/2, 1, 2, 4, 8, 16)"};
}

class Printer : public platform::FrameSizeListener {
 public:
  // Prints at most `limit` frames: presentations that come in after the last
  // one, before playback has stopped, are not the run's.
  Printer(std::chrono::steady_clock::time_point start, uint64_t limit) : m_start(start), m_limit(limit) {}

  void OnFrameSizeChanged(uint32_t w, uint32_t h) override {
    std::scoped_lock lock(m_mutex);
    std::printf("size %ux%u at %lld ms\n", w, h, Now());
  }
  void OnPresented(uint32_t frame) {
    {
      std::scoped_lock lock(m_mutex);
      if (m_count >= m_limit) return;
      std::printf("frame %u at %lld ms\n", frame, Now());
      ++m_count;
      m_last = frame;
      m_lastTime = std::chrono::steady_clock::now();
    }
    m_cv.notify_all();
  }
  // Waits until stop(count, last frame) says so, or nothing has been presented
  // for `stall`. Returns false on a stall.
  template <typename Stop>
  bool Wait(Stop stop, std::chrono::milliseconds stall) {
    std::unique_lock lock(m_mutex);
    for (;;) {
      if (stop(m_count, m_last)) return true;
      if (std::chrono::steady_clock::now() - m_lastTime > stall) return false;
      m_cv.wait_for(lock, std::chrono::milliseconds(50));
    }
  }
  void Touch() {
    std::scoped_lock lock(m_mutex);
    m_lastTime = std::chrono::steady_clock::now();
  }

 private:
  long long Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start).count();
  }
  const std::chrono::steady_clock::time_point m_start;
  const uint64_t m_limit;
  std::mutex m_mutex;  // guards the counters and keeps lines whole
  std::condition_variable m_cv;
  uint64_t m_count = 0;
  uint32_t m_last = 0;
  std::chrono::steady_clock::time_point m_lastTime = std::chrono::steady_clock::now();
};

int RunPlay(const std::vector<std::string>& argv) {
  Args args(argv, {"reverse", "repeat"}, {"speed", "seek", "frames", "format", "size", "interval"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  const std::string& path = args.Positional()[0];
  const float speed = args.Has("speed") ? ParseSpeed(*args.Get("speed")) : 1.0f;
  const bool reverse = args.Has("reverse"), repeat = args.Has("repeat");
  const uint32_t seek = args.Has("seek") ? ParseUint(*args.Get("seek"), "frame number") : 0;
  FileParams fp = ResolveFileParams(path, args);
  corvane::YUVType type;
  uint32_t frameSize = 0;  // of the first segment
  corvane::GetTypeAndFrameSize(&fp.para, &type, &frameSize);

  // The window has the frame's size, as on a screen: never less than the
  // display draws into (a 8x4 clip still plays, scaled up, as it would in
  // the player) and never more than an 8K screen, keeping the frame's shape
  // (the window's canvas and picture take 8 bytes a pixel: a 16384x16384
  // window alone would be 2 GiB).
  const WindowSize ws = ScreenWindowFor(fp.para.width, fp.para.height, 7680, 4320);
  corvane::OffscreenWindow window(int32_t(ws.width), int32_t(ws.height));
  corvane::PlaybackGraph graph(&window);
  if (!graph.OpenFile(path)) throw Failure{"cannot open '" + path + "'"};
  (void)graph.ReadFilePara({}, false);
  if (const auto r = graph.SetPara(&fp.para, &window); !r) {
    if (r.error().code == corvane::kOutOfMemory) {
      // Refused before anything was allocated.
      char why[160];
      std::snprintf(why, sizeof why, "playing frames of %ux%u %s needs about %.1f GB of memory, more than this computer has (%.1f GB)",
                    fp.para.width, fp.para.height, FormatLabel(fp.para.format).c_str(),
                    double(corvane::Renderer::MemoryFor(frameSize)) / 1e9, double(graph.MemoryLimit()) / 1e9);
      throw Failure{std::string("cannot play these frame parameters: ") + why};
    }
    throw Failure{"cannot play these frame parameters"};
  }
  const uint32_t count = graph.GetFileInfo().value_or(corvane::FileInfo{}).frameCount;
  if (count == 0) throw Failure{"'" + path + "' holds no whole frame of these parameters"};
  if (args.Has("seek") && (seek == 0 || seek > count))
    throw UsageError{"--seek must be 1.." + std::to_string(count)};
  // Without --frames: one pass, to the end in the direction played.
  const uint64_t frames = args.Has("frames") ? ParseUint(*args.Get("frames"), "frame count") : count;
  if (frames == 0) return kExitOk;

  const auto start = std::chrono::steady_clock::now();
  Printer printer(start, frames);
  graph.SetNotifyWindow(&printer);
  graph.Render()->SetPresentedCallback([&printer](const corvane::FrameBuffer& b) { printer.OnPresented(b.nFrameNo); });
  if (!graph.Run()) throw Failure{"cannot start playback"};
  if (seek != 0 && !graph.SeekToFrame(seek)) throw Failure{"cannot seek to frame " + std::to_string(seek)};
  (void)graph.SetReverse(reverse);
  (void)graph.SetSpeed(speed);
  (void)graph.SetRepeat(repeat);
  printer.Touch();

  // A stall is several periods of the slowest segment without a frame, plus
  // the time a huge frame takes to arrive: its buffer's pages are made as the
  // reader first fills them, at a few hundred MB a second on a slow machine
  // (a millisecond for every 256 KiB: six seconds for 1.6 GB).
  const uint32_t period = corvane::FrameClock::PeriodFor(1000, speed);
  const auto stall = std::chrono::milliseconds(std::max<uint32_t>(3000, 4 * period) + (frameSize >> 18));
  const bool done = printer.Wait(
      [&](uint64_t presented, uint32_t last) {
        if (presented >= frames) return true;
        // Repeat off: the end in the direction played ends the run.
        return !args.Has("frames") && !repeat && presented > 0 && last == (reverse ? 1u : count);
      },
      stall);
  graph.SetNotifyWindow(nullptr);
  (void)graph.Stop();
  graph.Render()->SetPresentedCallback(nullptr);
  std::fflush(stdout);
  if (!done && args.Has("frames")) throw Failure{"playback ended before " + std::to_string(frames) + " frames"};
  return kExitOk;
}

const Registrar kPlay(
    {"play",
     "play FILE [--speed S] [--reverse] [--repeat] [--seek N] [--frames K] [--format NAME --size WxH]  headless playback",
     "Usage: corvane-tool play FILE [--speed S] [--reverse] [--repeat] [--seek N] [--frames K]\n"
     "                         [--format NAME --size WxH [--interval MS]]\n"
     "Plays FILE through the player's engine into an offscreen window and prints\n"
     "'frame N at T ms' for every frame presented and 'size WxH at T ms' for every\n"
     "change of picture size (T counts from the start).\n"
     "  --speed S    1/16, 1/8, 1/4, 1/2, 1, 2, 4, 8 or 16 (default 1)\n"
     "  --reverse    play backwards\n"
     "  --repeat     start over at the other end\n"
     "  --seek N     show frame N first (after starting), then play on from it\n"
     "  --frames K   stop after K frames (default: one pass to the end)\n"
     "The parameters come from the file's trailer, or from --format and --size; a Y4M\n"
     "file's from its header.",
     RunPlay});

}  // namespace
}  // namespace cli
