// Comparing with a second file in the session: B on its own offscreen pane,
// locked to A's frame number through steps, seeks and play, black past its
// end, the difference picture grey but for what differs, and a B of
// another size refused for the metrics but shown; the scopes' feed reading
// the picture on screen.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/offscreen_window.h"
#include "formats/result_codes.h"
#include "session/player_session.h"
#include "session/scope_feed.h"
#include "support/clip.h"
#include "support/para.h"
#include "support/temp_dir.h"

namespace {

using corvane::fmt::YV12;
using session::Command;
using session::CompareView;
using session::PlayState;
using session::ReferenceOutcome;
using testsupport::Para;

constexpr uint32_t kW = 64, kH = 48;
constexpr uint32_t kAFrames = 30, kBFrames = 20;
// The block B changes in frame 3: 8x8 luma samples at (16, 8).
constexpr uint32_t kBlockX = 16, kBlockY = 8;

class CompareSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::WriteClip(m_a, Para(YV12, kW, kH), kAFrames, true);
    const corvane::YUVPara p = Para(YV12, kW, kH);
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < kBFrames; ++i) {
      std::vector<uint8_t> f = corvane::MakePatternFrame(p, i);
      if (i == 2)
        for (uint32_t y = kBlockY; y < kBlockY + 8; ++y)
          for (uint32_t x = kBlockX; x < kBlockX + 8; ++x) f[y * kW + x] ^= 0x40;
      bytes.insert(bytes.end(), f.begin(), f.end());
    }
    const std::vector<uint8_t> t = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&p, 1));
    bytes.insert(bytes.end(), t.begin(), t.end());
    testsupport::WriteBytes(m_b, bytes);
    m_session.SetReferencePane(&m_pane);
  }

  // A paused on frame n, B showing it.
  void SeekBoth(uint32_t n) {
    ASSERT_TRUE(m_session.GoToFrame(n));
    ASSERT_TRUE(m_session.Reference()->WaitIdle(std::chrono::seconds(5)));
    ASSERT_EQ(m_session.Reference()->ShownFrame(), n);
  }

  testsupport::TempDir m_dir;
  std::string m_a = m_dir.File("a.yuv"), m_b = m_dir.File("b.yuv");
  corvane::OffscreenWindow m_window{kW, kH}, m_pane{kW, kH};
  session::PlayerSession m_session{&m_window, nullptr};
};

TEST_F(CompareSessionTest, BFollowsAsFrameNumberAndIsBlackPastItsEnd) {
  ASSERT_EQ(m_session.Open(m_a, {}).outcome, session::OpenOutcome::kPlaying);
  EXPECT_FALSE(m_session.CanRun(Command::ViewSide));  // no B yet
  m_session.Execute(Command::Pause);
  ASSERT_EQ(CodeOf(m_session.Graph()->SeekToFrame(5)), corvane::kOk);
  ASSERT_EQ(m_session.OpenReference(m_b, {}).outcome, ReferenceOutcome::kOpened);
  ASSERT_TRUE(m_session.Reference()->WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(m_session.Reference()->ShownFrame(), 5u);

  // Steps: the same frame on both sides, and equal frames look the same.
  m_session.Execute(Command::StepForward);
  m_session.Execute(Command::StepForward);
  ASSERT_TRUE(m_session.WaitForSeeks(std::chrono::seconds(5)));
  ASSERT_TRUE(m_session.Reference()->WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(m_session.View().frame, 7u);
  EXPECT_EQ(m_session.Reference()->ShownFrame(), 7u);
  EXPECT_EQ(m_pane.Canvas(), m_window.Canvas());
  // Zoom and pan act on both sides alike.
  ASSERT_TRUE(m_session.ZoomAt(3, 40, 20, kW, kH));
  ASSERT_TRUE(m_session.Reference()->WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(m_pane.Canvas(), m_window.Canvas());
  m_session.ResetView();

  // Past B's last frame: black, and no samples to read.
  SeekBoth(kBFrames + 5);
  for (size_t i = 0; i < m_pane.Canvas().size(); i += 4) ASSERT_EQ(m_pane.Canvas()[i + 1], 0) << i;
  int v[3];
  EXPECT_FALSE(m_session.ReferenceSamplesAt(0, 0, v));

  // Played backwards and paused: B is on A's frame.
  m_session.Execute(Command::Reverse);
  m_session.Execute(Command::Play);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m_session.Execute(Command::Pause);
  ASSERT_TRUE(m_session.Reference()->WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(m_session.Reference()->ShownFrame(), m_session.View().frame);
  EXPECT_LT(m_session.View().frame, kBFrames + 5);

  // Closing A closes B.
  m_session.Close();
  EXPECT_FALSE(m_session.HasReference());
}

TEST_F(CompareSessionTest, DifferenceIsGreyButWhereTheFramesDiffer) {
  ASSERT_EQ(m_session.Open(m_a, {}).outcome, session::OpenOutcome::kPlaying);
  m_session.Execute(Command::Pause);
  ASSERT_EQ(m_session.OpenReference(m_b, {}).outcome, ReferenceOutcome::kOpened);
  ASSERT_TRUE(m_session.MetricsStatus().Ok());
  ASSERT_TRUE(m_session.Execute(Command::ViewDiff));
  ASSERT_TRUE(m_session.Execute(Command::DiffGain16));
  EXPECT_EQ(m_session.View().compareView, CompareView::kDiff);
  SeekBoth(3);
  const std::vector<uint8_t> canvas = m_pane.Canvas();
  const uint8_t* grey = &canvas[0];
  for (uint32_t y = 0; y < kH; ++y) {
    for (uint32_t x = 0; x < kW; ++x) {
      const uint8_t* px = &canvas[(size_t(y) * kW + x) * 4];
      const bool inBlock = x >= kBlockX && x < kBlockX + 8 && y >= kBlockY && y < kBlockY + 8;
      if (inBlock)
        EXPECT_GT(px[1], grey[1] + 50) << x << "," << y;
      else
        ASSERT_TRUE(px[0] == grey[0] && px[1] == grey[1] && px[2] == grey[2]) << x << "," << y;
    }
  }
  EXPECT_EQ(grey[0], grey[1]);
  EXPECT_EQ(grey[1], grey[2]);
  // The readout is B's own samples, not the difference picture's.
  int b[3];
  const corvane::PixelValue a = m_session.Graph()->GetPixelValue(kBlockX, kBlockY).value_or(corvane::PixelValue{});
  ASSERT_TRUE(m_session.ReferenceSamplesAt(kBlockX, kBlockY, b));
  EXPECT_EQ(a.c1 ^ 0x40, b[0]);

  // The quality track measures the frames both files have; frame 3 is the lowest.
  for (int i = 0; i < 500 && !m_session.Track().Done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto frames = m_session.Track().Results();
  ASSERT_EQ(frames.size(), kBFrames);
  for (const auto& f : frames) EXPECT_EQ(f.mseAverage > 0, f.frame == 3) << f.frame;
}

// The scopes' feed reads the picture on screen: A's frame, then in the
// difference view what B's pane shows.
TEST_F(CompareSessionTest, ScopesReadTheFrameOnScreenAndTheDifferencePicture) {
  std::mutex lock;
  std::condition_variable arrived;
  std::shared_ptr<const session::ScopeResult> last;
  session::ScopeFeed feed(m_session, [&](std::shared_ptr<const session::ScopeResult> r) {
    std::scoped_lock l(lock);
    last = std::move(r);
    arrived.notify_all();
  });
  auto ask = [&](session::ScopeSource source) {
    {
      std::scoped_lock l(lock);
      last.reset();
    }
    session::ScopeRequest request;
    request.source = source;
    request.options.waveform = request.options.vectorscope = false;
    feed.Request(request);
    std::unique_lock l(lock);
    EXPECT_TRUE(arrived.wait_for(l, std::chrono::seconds(5), [&] { return last != nullptr; }));
    return last;
  };
  ASSERT_EQ(m_session.Open(m_a, {}).outcome, session::OpenOutcome::kPlaying);
  m_session.Execute(Command::Pause);
  ASSERT_EQ(m_session.OpenReference(m_b, {}).outcome, ReferenceOutcome::kOpened);
  SeekBoth(3);

  // A's frame 3, counted here from the pattern.
  const auto a = ask(session::ScopeSource::kOpenFile);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->frame, 3u);
  EXPECT_EQ(a->type, corvane::YUV_YV12);
  const std::vector<uint8_t> frame = corvane::MakePatternFrame(Para(YV12, kW, kH), 2);
  std::vector<uint32_t> luma(256, 0);
  for (size_t i = 0; i < size_t(kW) * kH; ++i) ++luma[frame[i]];
  EXPECT_EQ(a->scopes.histogram.counts[0], luma);

  // The difference picture: 128 everywhere but the changed block, 128 + 64.
  ASSERT_TRUE(m_session.Execute(Command::ViewDiff));
  ASSERT_TRUE(m_session.Reference()->WaitIdle(std::chrono::seconds(5)));
  const auto d = ask(session::ScopeSource::kReferencePane);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->frame, 3u);
  EXPECT_EQ(d->type, corvane::YUV_I444);
  std::vector<uint32_t> y(256, 0), chroma(256, 0);
  y[128] = kW * kH - 64, y[192] = 64, chroma[128] = kW * kH;
  EXPECT_EQ(d->scopes.histogram.counts[0], y);
  EXPECT_EQ(d->scopes.histogram.counts[1], chroma);
  EXPECT_EQ(d->scopes.histogram.counts[2], chroma);
  ASSERT_TRUE(m_session.WaitForSeeks(std::chrono::seconds(5)));
  ASSERT_TRUE(feed.WaitIdle(std::chrono::seconds(5)));
}

TEST_F(CompareSessionTest, BOfAnotherSizeIsShownButNotMeasured) {
  testsupport::WriteClip(m_b, Para(YV12, kW / 2, kH / 2), kBFrames, true);
  ASSERT_EQ(m_session.Open(m_a, {}).outcome, session::OpenOutcome::kPlaying);
  ASSERT_EQ(m_session.OpenReference(m_b, {}).outcome, ReferenceOutcome::kOpened);
  EXPECT_EQ(m_session.MetricsStatus().code, corvane::analysis::CompareCode::kSizeMismatch);
  EXPECT_FALSE(m_session.CanRun(Command::ViewDiff));
  EXPECT_FALSE(m_session.CanRun(Command::ExportCsv));
  EXPECT_TRUE(m_session.Execute(Command::ViewSide));
  // A file without a record and no defaults needs the dialog's parameters.
  testsupport::WriteClip(m_b, Para(YV12, kW, kH), kBFrames, false);
  EXPECT_EQ(m_session.OpenReference(m_b, {}).outcome, ReferenceOutcome::kNeedsParameters);
  const corvane::YUVPara chosen = Para(YV12, kW, kH);
  EXPECT_EQ(m_session.OpenReference(m_b, {}, &chosen).outcome, ReferenceOutcome::kOpened);
  EXPECT_TRUE(m_session.MetricsStatus().Ok());
  m_session.Execute(Command::CloseReference);
  EXPECT_FALSE(m_session.HasReference());
  EXPECT_EQ(m_session.View().compareView, CompareView::kA);
}

}  // namespace
