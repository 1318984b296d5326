// The playback graph end to end: a real file, the real reader thread, the
// real clock and display, and a recording window.
#include "engine/playback_graph.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>
#include <cstring>

#include "formats/result_codes.h"
#include "formats/test_pattern.h"
#include "support/clip.h"
#include "support/coded_stand_in.h"
#include "support/frames.h"
#include "support/para.h"
#include "support/recording_video_window.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using testsupport::Para;
using testsupport::RecordingVideoWindow;
using testsupport::TempDir;

// Frames of a format, each stamped with its number in the first four bytes.
std::vector<uint8_t> Frames(const YUVPara& p, uint32_t count, uint32_t first = 1) {
  std::vector<uint8_t> out;
  for (uint32_t i = 0; i < count; ++i) {
    std::vector<uint8_t> f = MakePatternFrame(p, i);
    testsupport::StampFrameNumber(f.data(), f.size(), first + i);
    out.insert(out.end(), f.begin(), f.end());
  }
  return out;
}

// Records the numbers of the frames presented and every size notification.
class Recorder : public platform::FrameSizeListener {
 public:
  void Attach(PlaybackGraph& graph) {
    graph.Render()->SetPresentedCallback([this](const FrameBuffer& b) {
      std::scoped_lock lock(m);
      frames.push_back(b.nFrameNo);
      cv.notify_all();
    });
    graph.SetNotifyWindow(this);
  }
  void OnFrameSizeChanged(uint32_t w, uint32_t h) override {
    std::scoped_lock lock(m);
    sizes.emplace_back(w, h);
  }
  // The next k frames presented after `from` presentations in all.
  std::vector<uint32_t> Next(size_t k) {
    std::unique_lock lock(m);
    const size_t from = frames.size();
    cv.wait_for(lock, std::chrono::seconds(20), [&] { return frames.size() >= from + k; });
    return std::vector<uint32_t>(frames.begin() + std::ptrdiff_t(from),
                                 frames.begin() + std::ptrdiff_t(std::min(frames.size(), from + k)));
  }
  size_t Count() {
    std::scoped_lock lock(m);
    return frames.size();
  }
  std::mutex m;
  std::condition_variable cv;
  std::vector<uint32_t> frames;
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
};

std::vector<uint32_t> Range(uint32_t from, uint32_t to) {
  std::vector<uint32_t> v;
  for (uint32_t n = from;; n += from <= to ? 1 : uint32_t(-1)) {
    v.push_back(n);
    if (n == to) break;
  }
  return v;
}

struct Playback {
  Playback(const std::string& path, const YUVPara& para, int32_t w = 64, int32_t h = 64)
      : window(w, h), graph(&window) {
    EXPECT_EQ(CodeOf(graph.OpenFile(path)), kOk);
    (void)graph.ReadFilePara({}, false);
    EXPECT_EQ(CodeOf(graph.SetPara(&para, &window)), kOk);
    (void)graph.GetFileInfo();
    recorder.Attach(graph);
  }
  RecordingVideoWindow window;
  PlaybackGraph graph;
  Recorder recorder;
};

TEST(GraphTest, SpeedsStepThroughThePowersOfTwoAndSetThePeriod) {
  RecordingVideoWindow window(64, 64);
  PlaybackGraph graph(&window);
  graph.Timer()->SetInterval(40);
  const float up[] = {2, 4, 8, 16, 16};
  const uint32_t upPeriod[] = {20, 10, 5, 2, 2};
  for (int i = 0; i < 5; ++i) {
    (void)graph.SpeedUp();
    EXPECT_EQ(graph.GetSpeed(), up[i]);
    EXPECT_EQ(graph.Timer()->GetPeriod(), upPeriod[i]);
  }
  graph.Release();
  (void)graph.Create();
  graph.Timer()->SetInterval(40);
  const float down[] = {0.5f, 0.25f, 0.125f, 0.0625f, 0.0625f};
  const uint32_t downPeriod[] = {80, 160, 320, 640, 640};
  for (int i = 0; i < 5; ++i) {
    (void)graph.SpeedDown();
    EXPECT_EQ(graph.GetSpeed(), down[i]);
    EXPECT_EQ(graph.Timer()->GetPeriod(), downPeriod[i]);
  }
  // Starting the clock through a speed change leaves it paused.
  EXPECT_TRUE(graph.IsPaused());
  // A 1 ms interval at speed 16 still ticks (a 0 ms timer cannot be made).
  EXPECT_EQ(FrameClock::PeriodFor(1, 16.0f), 1u);
  EXPECT_EQ(FrameClock::PeriodFor(0 + 40, 0.0625f), 640u);
}

// A file's exact rate paces by a fraction of nanoseconds at every speed
// step: 1001/30000 s ÷ speed, never rounded to whole milliseconds (2.085 ms
// at speed 16, where 33 ms ÷ 16 truncates to 2). A whole-millisecond
// interval set afterwards paces as it always did.
TEST(GraphTest, AnExactRateKeepsItsFractionAtEverySpeed) {
  RecordingVideoWindow window(64, 64);
  PlaybackGraph graph(&window);
  graph.Timer()->SetRate({30000, 1001});
  EXPECT_EQ(graph.Timer()->GetInterval(), 33u);
  EXPECT_EQ(graph.Timer()->PeriodAt(1), (platform::TickPeriod{100'100'000, 3}));
  const struct {
    bool up;
    float speed;
    platform::TickPeriod period;
  } steps[] = {
      {true, 2, {50'050'000, 3}},       {true, 4, {25'025'000, 3}},        {true, 8, {12'512'500, 3}},
      {true, 16, {6'256'250, 3}},       {false, 8, {12'512'500, 3}},       {false, 4, {25'025'000, 3}},
      {false, 2, {50'050'000, 3}},      {false, 1, {100'100'000, 3}},      {false, 0.5f, {200'200'000, 3}},
      {false, 0.25f, {400'400'000, 3}}, {false, 0.125f, {800'800'000, 3}}, {false, 0.0625f, {1'601'600'000, 3}},
  };
  for (const auto& s : steps) {
    (void)(s.up ? graph.SpeedUp() : graph.SpeedDown());
    EXPECT_EQ(graph.GetSpeed(), s.speed);
    EXPECT_EQ(graph.Timer()->GetExactPeriod(), s.period) << "speed " << s.speed;
  }
  EXPECT_EQ(FrameClock::PeriodFor(Ratio{1000, 1}, 16.0f), platform::TickPeriod::Milliseconds(1));
  graph.Timer()->SetInterval(40);
  EXPECT_FALSE(graph.Timer()->GetRate());
  EXPECT_EQ(graph.Timer()->PeriodAt(16), platform::TickPeriod::Milliseconds(2));
}

// What parameters imply is checked before anything is stopped or made: a
// frame whose playback needs more memory than the limit leaves the graph
// playing as it was. Within the limit, a huge frame gets a queue of three
// buffers (ten for a 4K frame), made without touching their pages.
TEST(GraphTest, ParametersBeyondTheMemoryLimitAreRefusedBeforeAnythingIsMade) {
  TempDir dir;
  const std::string path = dir.File("a.yuv");
  const YUVPara small = Para(fmt::YV12, 16, 16);
  testsupport::WriteBytes(path, Frames(small, 10));
  Playback p(path, small);
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  const FrameQueue* queue = p.graph.Render()->GetQueue();
  ASSERT_NE(queue, nullptr);
  EXPECT_EQ(queue->PoolSize(), Renderer::kQueueSize);

  p.graph.SetMemoryLimit(uint64_t(1) << 30);
  const YUVPara huge = Para(fmt::I410, 16384, 16384);  // 1.6 GB a frame
  EXPECT_EQ(CodeOf(p.graph.SetPara(&huge, &p.window)), kOutOfMemory);
  EXPECT_EQ(p.graph.Render()->GetQueue(), queue);
  EXPECT_TRUE(p.graph.Source()->IsThreadRunning());
  EXPECT_EQ(queue->BufferSize(), 384u);

  const YUVPara large = Para(fmt::RGB4, 5120, 5120);  // 100 MiB a frame: four fit in 1 GiB
  ASSERT_EQ(CodeOf(p.graph.SetPara(&large, &p.window)), kOk);
  EXPECT_EQ(p.graph.Render()->GetQueue()->PoolSize(), 3u);
  EXPECT_EQ(Renderer::QueueCountFor(3840 * 2160 * 3 / 2), Renderer::kQueueSize);
}

TEST(GraphTest, PlaysBothWaysWithRepeatAndKeepsOrderAcrossDirectionChanges) {
  TempDir dir;
  const YUVPara para = Para(fmt::YV12, 16, 16);
  testsupport::WriteBytes(dir.File("a.yuv"), Frames(para, 100));
  Playback p(dir.File("a.yuv"), para);
  (void)p.graph.SetRepeat(true);
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  ASSERT_EQ(CodeOf(p.graph.SetSpeed(16)), kOk);  // 2 ms a frame
  auto first = p.recorder.Next(30);
  ASSERT_EQ(first.size(), 30u);
  EXPECT_EQ(first, Range(1, 30));
  // Reverse: the frame on screen is shown again and playback runs down.
  (void)p.graph.Pause();
  uint32_t shown = 0;
  shown = p.graph.GetCurrentFrame().value_or(shown);
  (void)p.graph.SetReverse(true);
  (void)p.graph.Run();
  auto down = p.recorder.Next(shown + 3);
  std::vector<uint32_t> expect = Range(shown, 1);
  for (uint32_t n : {100u, 99u, 98u}) expect.push_back(n);
  EXPECT_EQ(down, expect);
  // GoToEnd then forwards with repeat: the last frame, then frame 1.
  (void)p.graph.SetReverse(false);
  ASSERT_EQ(CodeOf(p.graph.GoToEnd()), kOk);
  shown = p.graph.GetCurrentFrame().value_or(shown);
  EXPECT_EQ(shown, 100u);
  auto wrap = p.recorder.Next(3);
  EXPECT_EQ(wrap, (std::vector<uint32_t>{1, 2, 3}));
}

TEST(GraphTest, StepsSeeksAndStopRun) {
  TempDir dir;
  const YUVPara para = Para(fmt::YV12, 16, 16);
  testsupport::WriteBytes(dir.File("a.yuv"), Frames(para, 50));
  Playback p(dir.File("a.yuv"), para);
  // Seeking needs the reader.
  EXPECT_EQ(CodeOf(p.graph.SeekToFrame(5)), kNotReady);
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  (void)p.graph.SetSpeed(8);
  // Seeks while playing: the frame sought is shown, then play goes on after
  // it. (Ticks go on around the seek, so the frames are found in the record
  // rather than asked for at a moment.)
  for (uint32_t target : {40u, 3u, 27u}) {
    ASSERT_EQ(CodeOf(p.graph.SeekToFrame(target)), kOk);
    p.recorder.Next(2);
    std::vector<uint32_t> all;
    {
      std::scoped_lock lock(p.recorder.m);
      all = p.recorder.frames;
    }
    const auto at = std::find(all.rbegin(), all.rend(), target);
    ASSERT_NE(at, all.rend());
    const size_t i = size_t(all.rend() - at) - 1;
    ASSERT_GE(all.size(), i + 3);
    EXPECT_EQ(std::vector<uint32_t>(all.begin() + std::ptrdiff_t(i), all.begin() + std::ptrdiff_t(i + 3)),
              Range(target, target + 2));
  }
  EXPECT_EQ(CodeOf(p.graph.SeekToFrame(0)), kNotReady);
  EXPECT_EQ(CodeOf(p.graph.SeekToFrame(51)), kNotReady);
  // Steps pause and move one frame; at the ends they are refused and the
  // frame stays.
  ASSERT_EQ(CodeOf(p.graph.GoToEnd()), kOk);
  EXPECT_EQ(CodeOf(p.graph.StepForward()), kNotReady);
  EXPECT_TRUE(p.graph.IsPaused());
  uint32_t n = 0;
  n = p.graph.GetCurrentFrame().value_or(n);
  EXPECT_EQ(n, 50u);
  ASSERT_EQ(CodeOf(p.graph.StepBackward()), kOk);
  n = p.graph.GetCurrentFrame().value_or(n);
  EXPECT_EQ(n, 49u);
  ASSERT_EQ(CodeOf(p.graph.GoToStart()), kOk);
  EXPECT_EQ(CodeOf(p.graph.StepBackward()), kNotReady);
  n = p.graph.GetCurrentFrame().value_or(n);
  EXPECT_EQ(n, 1u);
  ASSERT_EQ(CodeOf(p.graph.StepForward()), kOk);
  ASSERT_EQ(CodeOf(p.graph.StepForward()), kOk);
  n = p.graph.GetCurrentFrame().value_or(n);
  EXPECT_EQ(n, 3u);
  // Nothing is presented while paused.
  const size_t before = p.recorder.Count();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(p.recorder.Count(), before);

  // Stop then Run at speed 4: from frame 1, at the base interval until the
  // speed is applied again.
  (void)p.graph.SetSpeed(4);
  EXPECT_EQ(p.graph.Timer()->GetPeriod(), 10u);
  ASSERT_EQ(CodeOf(p.graph.Stop()), kOk);
  n = p.graph.GetCurrentFrame().value_or(n);
  EXPECT_EQ(n, 3u);  // the last frame stays current
  EXPECT_NE(p.graph.Render()->GetQueue()->GetCurrent(), nullptr);
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  EXPECT_EQ(p.graph.Timer()->GetPeriod(), 40u);
  (void)p.graph.SetSpeed(16);
  EXPECT_EQ(p.recorder.Next(2), Range(1, 2));
}

// A window that, once told to, holds the next draw at its look at the client
// area until the clock is paused: that draw is then under way when a Pause
// or a Close comes (a huge frame's draw takes a second; this one would take
// microseconds).
class HeldDrawWindow : public RecordingVideoWindow {
 public:
  using RecordingVideoWindow::RecordingVideoWindow;
  void HoldNextDraw(const PlaybackGraph* graph) { m_graph = graph; }
  // Blocks until the held draw has begun.
  void WaitUntilHeld() {
    std::unique_lock lock(m_heldLock);
    m_heldCv.wait_for(lock, std::chrono::seconds(10), [&] { return m_held; });
    m_held = false;
  }
  platform::Rect ClientRect() const override {
    if (const PlaybackGraph* graph = m_graph.exchange(nullptr)) {
      {
        std::scoped_lock lock(m_heldLock);
        m_held = true;
      }
      m_heldCv.notify_all();
      // A caller that waits for the draw without pausing first is let
      // through after 3 s, so that it fails instead of hanging.
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
      while (!graph->IsPaused() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      // The cancel follows the pause at once on the caller's thread.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return RecordingVideoWindow::ClientRect();
  }

 private:
  mutable std::atomic<const PlaybackGraph*> m_graph{nullptr};
  mutable std::mutex m_heldLock;
  mutable std::condition_variable m_heldCv;
  mutable bool m_held = false;  // guarded by m_heldLock
};

// Pause and Close do not wait for the draw under way: they cut it short.
// The frame on screen stays current, and the frame that was being drawn is
// the next one shown, not lost.
TEST(GraphTest, PauseAndCloseCutTheDrawUnderWayShort) {
  TempDir dir;
  const YUVPara para = Para(fmt::YV12, 16, 16);
  testsupport::WriteBytes(dir.File("a.yuv"), Frames(para, 20));
  HeldDrawWindow window(64, 64);
  PlaybackGraph graph(&window);
  ASSERT_EQ(CodeOf(graph.OpenFile(dir.File("a.yuv"))), kOk);
  ASSERT_EQ(CodeOf(graph.SetPara(&para, &window)), kOk);
  (void)graph.GetFileInfo();
  Recorder recorder;
  recorder.Attach(graph);
  ASSERT_EQ(CodeOf(graph.Run()), kOk);
  ASSERT_EQ(recorder.Next(1).size(), 1u);

  window.HoldNextDraw(&graph);
  window.WaitUntilHeld();
  const size_t presents = window.PresentCount();
  const uint32_t onScreen = graph.GetCurrentFrame().value_or(0);
  ASSERT_EQ(CodeOf(graph.Pause()), kOk);
  EXPECT_EQ(window.PresentCount(), presents);
  EXPECT_EQ(graph.GetCurrentFrame().value_or(0), onScreen);
  ASSERT_EQ(CodeOf(graph.Run()), kOk);
  EXPECT_EQ(recorder.Next(1), std::vector<uint32_t>{onScreen + 1});

  window.HoldNextDraw(&graph);
  window.WaitUntilHeld();
  const size_t beforeClose = window.PresentCount();
  ASSERT_EQ(CodeOf(graph.Close()), kOk);
  EXPECT_EQ(window.PresentCount(), beforeClose);
}

TEST(GraphTest, SplicedSegmentsRetimeTheClockAndReportEachSizeChangeOnce) {
  TempDir dir;
  // The last segment is 10-bit: depth changes like any format change.
  const YUVPara a = Para(fmt::YV12, 32, 32, 0, 40), b = Para(fmt::YUYV, 16, 16, 0, 20), c = Para(fmt::RGB3, 16, 16, 0, 10),
                d = Para(fmt::I010, 24, 16, 0, 10);
  std::vector<uint8_t> file = Frames(a, 4, 1);
  std::vector<YUVPara> recs = {a, b, c, d};
  for (size_t i = 1; i < recs.size(); ++i) {
    recs[i].SetOffset(file.size());
    const auto frames = Frames(recs[i], 4, uint32_t(4 * i + 1));
    file.insert(file.end(), frames.begin(), frames.end());
  }
  auto t = EncodeTrailer(recs);
  file.insert(file.end(), t.begin(), t.end());
  testsupport::WriteBytes(dir.File("s.yuv"), file);

  Playback p(dir.File("s.yuv"), a);
  EXPECT_EQ(p.graph.GetSegmentCount(), 4u);
  uint32_t count = 0;
  count = p.graph.GetFileInfo().value_or(FileInfo{}).frameCount;
  EXPECT_EQ(count, 16u);
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  EXPECT_EQ(p.recorder.Next(16), Range(1, 16));
  // 32x32 -> 16x16 once; YUYV 16x16 -> RGB24 16x16 is no size change.
  EXPECT_EQ(p.recorder.sizes, (std::vector<std::pair<uint32_t, uint32_t>>{{16, 16}, {24, 16}}));
  EXPECT_EQ(p.graph.Timer()->GetInterval(), 10u);
  EXPECT_EQ(p.graph.Timer()->GetPeriod(), 10u);
  YUVPara shown;
  ASSERT_TRUE(p.graph.GetPara(&shown));
  EXPECT_EQ(shown.width, 24u);
  EXPECT_EQ(shown.format, fmt::I010);
  // The last picture is the 10-bit frame at its own size.
  (void)p.graph.Stop();
  EXPECT_EQ(p.window.Last().dest.Width() > 0, true);
}

TEST(GraphTest, PixelValuesFollowEachLayout) {
  TempDir dir;
  const uint32_t w = 10, h = 6;
  std::vector<uint8_t> Y(w * h), U(w * h), V(w * h);
  for (uint32_t i = 0; i < w * h; ++i) Y[i] = uint8_t(16 + i), U[i] = uint8_t(100 + i), V[i] = uint8_t(200 - i);
  struct Case {
    YUVType type;
    uint32_t xsub, ysub;  // chroma subsampling
  };
  const Case cases[] = {{YUV_YV12, 2, 2}, {YUV_IYUV, 2, 2}, {YUV_NV12, 2, 2}, {YUV_YV16, 2, 1},
                        {YUV_NV16, 2, 1}, {YUV_YUYV, 2, 1}, {YUV_YVYU, 2, 1}, {YUV_UYVY, 2, 1},
                        {YUV_IUYV, 2, 1}, {YUV_IYU2, 1, 1}, {YUV_I444, 1, 1}, {YUV_NV21, 2, 2},
                        {YUV_GRAY, 1, 1}, {YUV_I010, 2, 2}, {YUV_I210, 2, 1}, {YUV_I410, 1, 1},
                        {YUV_I012, 2, 2}, {YUV_GRAY10, 1, 1}, {YUV_P010, 2, 2}, {YUV_P016, 2, 2},
                        {YUV_V210, 2, 1}};
  for (const Case& c : cases) {
    const YUVPara para = Para(CodeOfType(c.type), w, h);
    // Deep formats get values that use their low bits too; grey ones have
    // no U and V.
    const int up = BitDepthOf(c.type) - 8;
    std::vector<int> wantY(Y.begin(), Y.end()), wantU(U.begin(), U.end()), wantV(V.begin(), V.end());
    std::vector<uint16_t> Yd(w * h), Ud(w * h), Vd(w * h);
    for (uint32_t i = 0; i < w * h; ++i) {
      const int low = int(i) & ((1 << up) - 1);
      wantY[i] = Yd[i] = uint16_t(Y[i] << up | low), wantU[i] = Ud[i] = uint16_t(U[i] << up | low),
      wantV[i] = Vd[i] = uint16_t(V[i] << up | low);
      if (PlaneOrderOf(c.type) == PlaneOrder::kYOnly) wantU[i] = wantV[i] = -1;
    }
    testsupport::WriteBytes(dir.File("p.yuv"), IsAddedType(c.type)
                                                   ? PackDeepFrame(c.type, w, h, Yd.data(), Ud.data(), Vd.data())
                                                   : PackFrame(c.type, w, h, Y.data(), U.data(), V.data()));
    Playback p(dir.File("p.yuv"), para);
    ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
    (void)p.graph.Pause();
    ASSERT_EQ(CodeOf(p.graph.SeekToFrame(1)), kOk);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const auto v = p.graph.GetPixelValue(x, y);
        ASSERT_EQ(CodeOf(v), kOk);
        const uint32_t ci = (y - y % c.ysub) * w + (x - x % c.xsub);
        EXPECT_EQ(v->c1, wantY[y * w + x]) << c.type << " " << x << "," << y;
        EXPECT_EQ(v->c2, wantU[ci]) << c.type << " " << x << "," << y;
        EXPECT_EQ(v->c3, wantV[ci]) << c.type << " " << x << "," << y;
      }
    // Outside the frame: no value, and what a caller shows for none is -1 each.
    const auto outside = p.graph.GetPixelValue(w, 0);
    EXPECT_EQ(CodeOf(outside), kNotReady);
    const PixelValue shown = outside.value_or(PixelValue{});
    EXPECT_EQ(shown.c1 + shown.c2 + shown.c3, -3);
  }
  const YUVPara rgb = Para(fmt::RGB4, w, h);
  testsupport::WriteBytes(dir.File("r.yuv"), std::vector<uint8_t>(w * h * 4, 9));
  Playback p(dir.File("r.yuv"), rgb);
  EXPECT_EQ(CodeOf(p.graph.GetPixelValue(0, 0)), kNotReady);  // no frame yet
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  ASSERT_EQ(CodeOf(p.graph.SeekToFrame(1)), kOk);
  const auto rgbValue = p.graph.GetPixelValue(0, 0);
  EXPECT_EQ(CodeOf(rgbValue), kNotReady);
  EXPECT_EQ(rgbValue.value_or(PixelValue{}).c1, -1);
}

TEST(GraphTest, CaptureRefusesFormatsAndShortBuffers) {
  TempDir dir;
  const uint32_t w = 96, h = 64;
  const YUVPara i420 = Para(fmt::YV12, w, h), nv12 = Para(fmt::NV12, w, h), uyvy = Para(fmt::UYVY, w, h);
  std::vector<uint8_t> out(w * h * 4 + 54 + 1000);
  {
    testsupport::WriteBytes(dir.File("n.yuv"), Frames(nv12, 1));
    Playback p(dir.File("n.yuv"), nv12, int32_t(w), int32_t(h));
    EXPECT_EQ(CodeOf(p.graph.CaptureBMP(out.data(), uint32_t(out.size()))), kNotReady);  // nothing shown yet
    ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
    ASSERT_EQ(CodeOf(p.graph.SeekToFrame(1)), kOk);
    EXPECT_EQ(CodeOf(p.graph.CaptureBMP(out.data(), uint32_t(out.size()))), kUnsupportedFormat);
    EXPECT_EQ(CodeOf(p.graph.CaptureJPEG(out.data(), uint32_t(out.size()), 90)), kUnsupportedFormat);
  }
  {
    testsupport::WriteBytes(dir.File("u.yuv"), Frames(uyvy, 1));
    Playback p(dir.File("u.yuv"), uyvy, int32_t(w), int32_t(h));
    ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
    ASSERT_EQ(CodeOf(p.graph.SeekToFrame(1)), kOk);
    const auto bmp = p.graph.CaptureBMP(out.data(), uint32_t(out.size()));
    ASSERT_EQ(CodeOf(bmp), kOk);
    EXPECT_EQ(*bmp, w * h * 4 + 54);
    EXPECT_EQ(CodeOf(p.graph.CaptureJPEG(out.data(), uint32_t(out.size()), 90)), kUnsupportedFormat);
  }
  testsupport::WriteBytes(dir.File("i.yuv"), Frames(i420, 1));
  Playback p(dir.File("i.yuv"), i420, int32_t(w), int32_t(h));
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  ASSERT_EQ(CodeOf(p.graph.SeekToFrame(1)), kOk);
  // One byte short of w·h·4 + 54 is refused before anything is written.
  std::fill(out.begin(), out.end(), 0xCD);
  EXPECT_EQ(CodeOf(p.graph.CaptureBMP(out.data(), w * h * 4 + 53)), kFail);
  EXPECT_EQ(out[0], 0xCD);
  const auto bmp = p.graph.CaptureBMP(out.data(), w * h * 4 + 54);
  ASSERT_EQ(CodeOf(bmp), kOk);
  EXPECT_EQ(*bmp, w * h * 4 + 54);
  EXPECT_EQ(out[0], 'B');
  EXPECT_EQ(out[1], 'M');
  EXPECT_EQ(out[w * h * 4 + 54], 0xCD);  // nothing past the end
  const auto jpeg = p.graph.CaptureJPEG(out.data(), uint32_t(out.size()), 100);
  ASSERT_EQ(CodeOf(jpeg), kOk);
  const uint32_t len = *jpeg;
  ASSERT_GT(len, 4u);
  EXPECT_EQ(out[0], 0xFF);
  EXPECT_EQ(out[1], 0xD8);
  EXPECT_EQ(out[len - 2], 0xFF);
  EXPECT_EQ(out[len - 1], 0xD9);
}

// Stills of the added formats: the BMP is the picture on screen (read with
// the display's colour space), the JPEG takes all but v210.
TEST(GraphTest, StillsOfTheAddedFormatsAreThePictureOnScreen) {
  TempDir dir;
  const uint32_t w = 96, h = 64;
  std::vector<uint8_t> out(w * h * 4 + 54);
  for (int t = kFirstAddedType; t < kYUVTypeCount; ++t) {
    const YUVType type = YUVType(t);
    SCOPED_TRACE(CodeName(CodeOfType(type)));
    const YUVPara para = Para(CodeOfType(type), w, h);
    testsupport::WriteBytes(dir.File("a.yuv"), Frames(para, 1));
    Playback p(dir.File("a.yuv"), para, int32_t(w), int32_t(h));
    ASSERT_EQ(CodeOf(p.graph.SetColourSpace({YuvMatrix::kBt709, YuvRange::kFull})), kOk);
    ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
    ASSERT_EQ(CodeOf(p.graph.SeekToFrame(1)), kOk);
    const auto bmp = p.graph.CaptureBMP(out.data(), uint32_t(out.size()));
    ASSERT_EQ(CodeOf(bmp), kOk);
    ASSERT_EQ(*bmp, out.size());
    const std::vector<uint8_t> screen = p.window.Canvas();
    for (uint32_t y = 0; y < h; ++y)
      ASSERT_EQ(0, std::memcmp(&out[54 + size_t(4 * w) * (h - 1 - y)], &screen[size_t(4 * w) * y], 4 * w)) << y;
    std::vector<uint8_t> jpeg(StillEncoder::OutputCapacity(StillKind::kJpeg, type, w, h));
    EXPECT_EQ(CodeOf(p.graph.CaptureJPEG(jpeg.data(), uint32_t(jpeg.size()), 90)),
              type == YUV_V210 ? kUnsupportedFormat : kOk);
  }
}

TEST(GraphTest, SeekEndsWhenTheFrameCannotBeDrawn) {
  TempDir dir;
  const YUVPara para = Para(fmt::YV12, 16, 16);
  testsupport::WriteBytes(dir.File("a.yuv"), Frames(para, 10));
  Playback p(dir.File("a.yuv"), para);
  ASSERT_EQ(CodeOf(p.graph.Run()), kOk);
  (void)p.graph.Pause();
  p.window.SetVisible(false);
  EXPECT_EQ(CodeOf(p.graph.SeekToFrame(5)), kNotReady);
  // Minimized windows count as drawn: the counter keeps moving.
  p.window.SetMinimized(true);
  EXPECT_EQ(CodeOf(p.graph.SeekToFrame(7)), kOk);
  uint32_t n = 0;
  n = p.graph.GetCurrentFrame().value_or(n);
  EXPECT_EQ(n, 7u);
  p.window.SetMinimized(false);
  p.window.SetVisible(true);
  EXPECT_EQ(CodeOf(p.graph.Refresh()), kOk);
}

// A Y4M file through the same graph: its parameters are its header's (no
// trailer), its frames play in order, the clock keeps its exact rate
// (100100000/3 ns, not 33 ms), and nothing is written into it.
TEST(GraphTest, AY4mFilePlaysAtItsHeadersExactRateAndIsNeverWritten) {
  TempDir dir;
  const std::string path = dir.File("a.y4m");
  const YUVPara own = Para(fmt::YV12, 16, 16, 0, 33);
  testsupport::WriteY4mClip(path, own, 12, {30000, 1001});
  const std::vector<uint8_t> before = testsupport::ReadBytes(path);
  RecordingVideoWindow window(64, 64);
  PlaybackGraph graph(&window);
  const auto opened = graph.OpenFile(path);
  ASSERT_TRUE(opened);
  EXPECT_TRUE(opened->readOnly);
  YUVPara para{};
  const auto record = graph.ReadFilePara(std::span(&para, 1), false);
  ASSERT_TRUE(record);
  EXPECT_TRUE(record->fromHeader);
  EXPECT_FALSE(record->hasTrailer);
  EXPECT_EQ(para.format, own.format);
  EXPECT_EQ(para.width, 16u);
  ASSERT_EQ(CodeOf(graph.SetPara(&para, &window)), kOk);
  EXPECT_EQ(graph.GetFileInfo().value_or(FileInfo{}).frameCount, 12u);
  ASSERT_NE(graph.GetStreamFacts(), nullptr);
  EXPECT_EQ(graph.Timer()->GetRate(), (Ratio{30000, 1001}));
  Recorder recorder;
  recorder.Attach(graph);
  ASSERT_EQ(CodeOf(graph.Run()), kOk);
  EXPECT_EQ(graph.Timer()->GetExactPeriod(), (platform::TickPeriod{100'100'000, 3}));
  EXPECT_EQ(recorder.Next(12), Range(1, 12));
  EXPECT_EQ(CodeOf(graph.SaveParaToFile(&para)), kFail);
  EXPECT_EQ(testsupport::ReadBytes(path), before);
}

TEST(GraphTest, SavingParametersGoesThroughTheNoticeForSplicedFiles) {
  TempDir dir;
  const YUVPara a = Para(fmt::YV12, 16, 16), b = Para(fmt::YV12, 16, 16, 384 * 2);
  std::vector<uint8_t> file = Frames(a, 4);
  std::vector<YUVPara> recs = {a, b};
  auto t = EncodeTrailer(recs);
  file.insert(file.end(), t.begin(), t.end());
  testsupport::WriteBytes(dir.File("s.yuv"), file);
  Playback p(dir.File("s.yuv"), a);
  std::vector<Notice> notices;
  p.graph.SetNoticeHandler([&](Notice n) { notices.push_back(n); });
  EXPECT_EQ(CodeOf(p.graph.SaveParaToFile(&a)), kFail);
  EXPECT_EQ(notices, std::vector<Notice>{Notice::kSplicedParaRefused});
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// A stand-in coded file of `count` stamped 16 x 16 frames (10 ms each) in a
// graph, its parameters the stream's, ready to run.
struct CodedPlayback {
  CodedPlayback(uint32_t count, testsupport::CodedStandIn::Options options) {
    testsupport::WriteBytes(path, Frames(para, count));
    options.facts.codec = "h264";
    EXPECT_TRUE(graph.OpenFile(testsupport::CodedStandIn::Open(path, para, std::move(options))));
    YUVPara own{};
    EXPECT_TRUE(graph.ReadFilePara(std::span(&own, 1), false));
    EXPECT_EQ(CodeOf(graph.SetPara(&own, &window)), kOk);
    frames = graph.GetFileInfo().value_or(FileInfo{}).frameCount;
  }
  TempDir dir;
  std::string path = dir.File("a.yuv");
  YUVPara para = Para(fmt::YV12, 16, 16, 0, 10);
  RecordingVideoWindow window{64, 64};
  PlaybackGraph graph{&window};
  uint32_t frames = 0;
};

// A coded frame its decoder cannot decode is shown as that: its number is
// the frame on screen (DecodeFailedAt), the picture before it stays, and
// play, steps and seeks go on over it in both directions.
TEST(GraphTest, AFrameThatFailsToDecodeKeepsThePictureBeforeAndPlayGoesOn) {
  testsupport::CodedStandIn::Options options;
  options.failing = {3};
  CodedPlayback playback(6, options);
  PlaybackGraph& graph = playback.graph;
  ASSERT_EQ(playback.frames, 6u);
  Recorder recorder;
  recorder.Attach(graph);
  ASSERT_EQ(CodeOf(graph.Run()), kOk);
  EXPECT_EQ(recorder.Next(6), Range(1, 6));
  ASSERT_EQ(CodeOf(graph.Pause()), kOk);
  // Frame on screen, whether it failed, and the number stamped in the picture kept.
  auto shown = [&] {
    const uint32_t n = graph.GetCurrentFrame().value_or(0);
    const uint32_t stamp =
        graph.Render()->WithCurrent([](const FrameBuffer* b) {
          return b ? uint32_t(b->Bytes()[0]) | uint32_t(b->Bytes()[1]) << 8 | uint32_t(b->Bytes()[2]) << 16 |
                         uint32_t(b->Bytes()[3]) << 24
                   : 0u;
        });
    return std::tuple(n, graph.DecodeFailedAt(n), stamp);
  };
  ASSERT_EQ(CodeOf(graph.SeekToFrame(2)), kOk);
  EXPECT_EQ(shown(), std::tuple(2u, false, 2u));
  ASSERT_EQ(CodeOf(graph.StepForward()), kOk);
  EXPECT_EQ(shown(), std::tuple(3u, true, 2u));
  ASSERT_EQ(CodeOf(graph.StepForward()), kOk);
  EXPECT_EQ(shown(), std::tuple(4u, false, 4u));
  ASSERT_EQ(CodeOf(graph.StepBackward()), kOk);
  EXPECT_EQ(shown(), std::tuple(3u, true, 4u));
  ASSERT_EQ(CodeOf(graph.StepBackward()), kOk);
  EXPECT_EQ(shown(), std::tuple(2u, false, 2u));
  // Backward play passes over it to the first frame.
  ASSERT_EQ(CodeOf(graph.SeekToFrame(6)), kOk);
  ASSERT_EQ(CodeOf(graph.SetReverse(true)), kOk);
  ASSERT_EQ(CodeOf(graph.Run()), kOk);
  const std::vector<uint32_t> back = recorder.Next(6);
  ASSERT_FALSE(back.empty());
  EXPECT_EQ(back.back(), 1u);
  EXPECT_NE(std::find(back.begin(), back.end(), 3u), back.end());
}

// Frames slower to come than the clock asks for hold the rate, and the
// graph says so while it plays (and not before).
TEST(GraphTest, FramesSlowerThanTheClockAreSaidToHoldTheRate) {
  testsupport::CodedStandIn::Options options;
  options.readTime = std::chrono::milliseconds(40);  // at most 25 a second, 100 asked
  CodedPlayback playback(400, options);
  PlaybackGraph& graph = playback.graph;
  EXPECT_FALSE(graph.FallingBehind());
  ASSERT_EQ(CodeOf(graph.Run()), kOk);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!graph.FallingBehind() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(graph.FallingBehind());
  ASSERT_EQ(CodeOf(graph.Stop()), kOk);
}

}  // namespace
}  // namespace corvane
