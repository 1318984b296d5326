// The player's state and rules without a window: a real graph playing a real
// file into the engine's offscreen window, no Qt at all.
#include "session/player_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <functional>
#include <thread>

#include "engine/offscreen_window.h"
#include "formats/result_codes.h"
#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "session/button_looks.h"
#include "support/clip.h"
#include "support/para.h"
#include "support/temp_dir.h"

namespace {

using corvane::fmt::NV12;
using corvane::fmt::YV12;
using session::Command;
using session::OpenOutcome;
using session::PlayerSession;
using session::PlayState;
using testsupport::Para;

constexpr uint32_t kFrames = 200;

struct SizeRecorder : platform::FrameSizeListener {
  void OnFrameSizeChanged(uint32_t, uint32_t) override { ++count; }
  std::atomic<int> count{0};
};

using testsupport::WriteClip;

class PlayerSessionTest : public testing::Test {
 protected:
  void SetUp() override { WriteClip(m_clip, Para(YV12, 64, 48), kFrames, true); }

  // A key: the command acts only when its key's rule holds.
  void Key(Command c) {
    if (m_session.CanRunKey(c, m_facts)) m_session.Execute(c, m_facts);
    ASSERT_TRUE(m_session.WaitForSeeks(std::chrono::seconds(5)));  // steps run on the seeker
  }
  // Brings the session into `state`; Paused and Stopped from frame 50, so
  // that steps and seeks show.
  void Bring(PlayState state) {
    m_facts = {};
    if (state == PlayState::NoFile) {
      m_session.Close();
      return;
    }
    ASSERT_EQ(m_session.Open(m_clip, {}).outcome, OpenOutcome::kPlaying);
    if (state == PlayState::Playing) return;
    m_session.Execute(Command::Pause);
    ASSERT_EQ(CodeOf(m_session.Graph()->SeekToFrame(50)), corvane::kOk);
    if (state == PlayState::Stopped) m_session.Execute(Command::Stop);
    ASSERT_EQ(m_session.View().state, state);
  }

  testsupport::TempDir m_dir;
  std::string m_clip = m_dir.File("clip.yuv");
  corvane::OffscreenWindow m_window{64, 48};
  SizeRecorder m_sizes;
  PlayerSession m_session{&m_window, &m_sizes};
  session::WindowFacts m_facts;  // the window's, as the window gives them to the key rules
};

// Every key in every state it may meet: what it does, what it refuses.
TEST_F(PlayerSessionTest, KeyTable) {
  struct Row {
    const char* name;
    PlayState from;
    Command key;
    PlayState to;
    uint32_t frame;  // the frame on screen after it, 0: not checked
    std::function<bool()> extra = [] { return true; };
    std::function<void()> before = [] {};
  };
  using session::Zoom;
  auto zoom = [this](Zoom z) { return [this, z] { return m_session.View().zoom == z; }; };
  const std::vector<Row> rows = {
      {"space pauses", PlayState::Playing, Command::PlayPause, PlayState::Paused, 0},
      {"space plays", PlayState::Paused, Command::PlayPause, PlayState::Playing, 0},
      {"space from stopped", PlayState::Stopped, Command::PlayPause, PlayState::Playing, 0},
      {"space without file", PlayState::NoFile, Command::PlayPause, PlayState::NoFile, 0},
      {"up pauses", PlayState::Playing, Command::Pause, PlayState::Paused, 0},
      {"up while paused", PlayState::Paused, Command::Pause, PlayState::Paused, 50},
      {"down plays", PlayState::Paused, Command::Play, PlayState::Playing, 0},
      {"down from stopped", PlayState::Stopped, Command::Play, PlayState::Playing, 0},
      {"period stops", PlayState::Playing, Command::Stop, PlayState::Stopped, 0},
      {"period while stopped", PlayState::Stopped, Command::Stop, PlayState::Stopped, 0},
      {"right steps", PlayState::Paused, Command::StepForward, PlayState::Paused, 51},
      {"left steps back", PlayState::Paused, Command::StepBackward, PlayState::Paused, 49},
      {"right while stopped", PlayState::Stopped, Command::StepForward, PlayState::Stopped, 0},
      {"home", PlayState::Paused, Command::GoToStart, PlayState::Paused, 1},
      {"end", PlayState::Paused, Command::GoToEnd, PlayState::Paused, kFrames},
      {"home while stopped", PlayState::Stopped, Command::GoToStart, PlayState::Stopped, 0},
      {"ctrl+1 zooms", PlayState::Paused, Command::Zoom50, PlayState::Paused, 0, zoom(Zoom::k50)},
      {"ctrl+1 while stopped", PlayState::Stopped, Command::Zoom50, PlayState::Stopped, 0, zoom(Zoom::k100)},
      {"ctrl+3 without file", PlayState::NoFile, Command::Zoom200, PlayState::NoFile, 0, zoom(Zoom::k200)},
      {"ctrl+1 with the coordinate window", PlayState::Paused, Command::Zoom50, PlayState::Paused, 0,
       zoom(Zoom::k100), [this] { m_facts.coordinatesShown = true; }},
      {"ctrl+c closes", PlayState::Paused, Command::Close, PlayState::NoFile, 0},
      {"ctrl+c in full screen", PlayState::Paused, Command::Close, PlayState::Paused, 50, [] { return true; },
       [this] { m_facts.fullScreen = true; }},
      {"ctrl+o in full screen", PlayState::Paused, Command::Open, PlayState::Paused, 0,
       [this] { return !m_session.CanRunKey(Command::Open, m_facts); }, [this] { m_facts.fullScreen = true; }},
      {"f2 while stopped", PlayState::Stopped, Command::FullScreen, PlayState::Stopped, 0,
       [this] { return !m_session.CanRunKey(Command::FullScreen, m_facts); }},
      {"f2 with the coordinate window", PlayState::Paused, Command::FullScreen, PlayState::Paused, 0,
       [this] { return !m_session.CanRunKey(Command::FullScreen, m_facts); }, [this] { m_facts.coordinatesShown = true; }},
      {"escape leaves only full screen", PlayState::Paused, Command::LeaveFullScreen, PlayState::Paused, 50,
       [this] { return !m_session.CanRunKey(Command::LeaveFullScreen, m_facts); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Bring(r.from);
    r.before();
    Key(r.key);
    EXPECT_EQ(m_session.View().state, r.to);
    if (r.frame != 0) EXPECT_EQ(m_session.View().frame, r.frame);
    EXPECT_TRUE(r.extra());
  }
}

TEST_F(PlayerSessionTest, TypedFrameNumberSeeksOnEnterAndSaturates) {
  Bring(PlayState::Paused);
  auto type = [&](const char* digits) {
    for (const char* d = digits; *d; ++d) Key(Command(int(Command::Digit0) + (*d - '0')));
  };
  struct Row {
    const char* digits;
    uint64_t typed;
    uint32_t frame;  // shown after Enter
  };
  const Row rows[] = {
      {"125", 125, 125},
      {"7", 7, 7},
      // 2^32 + 1: in 32 bits this would wrap to frame 1; it stays out of
      // range and the seek is refused.
      {"4294967297", 4294967297ull, 7},
      {"99999999999999999999999", UINT64_MAX, 7},
      {"", 0, 7},  // Enter alone asks for frame 0: refused
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.digits);
    type(r.digits);
    EXPECT_EQ(m_session.View().typed, r.typed);
    Key(Command::GoToTyped);
    EXPECT_EQ(m_session.View().typed, 0u);
    EXPECT_EQ(m_session.View().frame, r.frame);
  }
  // While stopped Enter clears the number and does not seek.
  m_session.Execute(Command::Stop);
  type("3");
  Key(Command::GoToTyped);
  EXPECT_EQ(m_session.View().typed, 0u);
  EXPECT_EQ(m_session.View().state, PlayState::Stopped);
}

// The twelve buttons' looks in each state: images, pressed, enabled, tips.
TEST_F(PlayerSessionTest, ButtonsFollowThePlayState) {
  using session::ButtonLook;
  using session::Tip;
  namespace img = session::image;
  struct Expect {
    Command button;
    int image;
    bool pressed, enabled;
    Tip tip;
  };
  const std::vector<Expect> frameButtonsOn = {
      {Command::Slower, img::kSlower, false, true, Tip::kSlower},
      {Command::Faster, img::kFaster, false, true, Tip::kFaster},
      {Command::StepBackward, img::kStepBack, false, true, Tip::kStepBack},
      {Command::StepForward, img::kStepForward, false, true, Tip::kStepForward},
      {Command::GoToStart, img::kStart, false, true, Tip::kStart},
      {Command::GoToEnd, img::kEnd, false, true, Tip::kEnd},
      {Command::Capture, img::kCaptureHot, false, true, Tip::kCapture},
      {Command::Reverse, img::kForwards, false, true, Tip::kBackwards},
      {Command::Repeat, img::kRepeat, false, true, Tip::kRepeat}};
  const std::vector<Expect> frameButtonsOff = {
      {Command::Slower, img::kSlowerOff, false, false, Tip::kKeep},
      {Command::Faster, img::kFasterOff, false, false, Tip::kKeep},
      {Command::StepBackward, img::kStepBackOff, false, false, Tip::kKeep},
      {Command::StepForward, img::kStepForwardOff, false, false, Tip::kKeep},
      {Command::GoToStart, img::kStartOff, false, false, Tip::kKeep},
      {Command::GoToEnd, img::kEndOff, false, false, Tip::kKeep},
      {Command::Capture, img::kCaptureOff, false, false, Tip::kKeep},
      {Command::Reverse, img::kForwards, false, false, Tip::kKeep},
      {Command::Repeat, img::kRepeat, false, true, Tip::kRepeat}};
  auto with = [](std::vector<Expect> a, const std::vector<Expect>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::pair<PlayState, std::vector<Expect>> states[] = {
      {PlayState::NoFile, with({{Command::Play, img::kPlayOff, false, false, Tip::kKeep},
                                {Command::Pause, img::kPauseOff, false, false, Tip::kKeep},
                                {Command::Stop, img::kStopOff, false, false, Tip::kKeep}},
                               frameButtonsOff)},
      {PlayState::Playing, with({{Command::Play, img::kPlayPressed, true, true, Tip::kKeep},
                                 {Command::Pause, img::kPause, false, true, Tip::kPause},
                                 {Command::Stop, img::kStop, false, true, Tip::kStop}},
                                frameButtonsOn)},
      {PlayState::Paused, with({{Command::Play, img::kPlay, false, true, Tip::kPlay},
                                {Command::Pause, img::kPausePressed, true, true, Tip::kKeep},
                                {Command::Stop, img::kStop, false, true, Tip::kStop}},
                               frameButtonsOn)},
      {PlayState::Stopped, with({{Command::Play, img::kPlay, false, true, Tip::kPlay},
                                 {Command::Pause, img::kPauseOff, false, false, Tip::kKeep},
                                 {Command::Stop, img::kStopPressed, true, true, Tip::kKeep}},
                                frameButtonsOff)},
  };
  for (const auto& [state, expects] : states) {
    SCOPED_TRACE(int(state));
    Bring(state);
    const session::PlayerView view = m_session.View();
    for (const Expect& e : expects) {
      SCOPED_TRACE(int(e.button));
      const ButtonLook look = session::LookOf(e.button, view);
      EXPECT_EQ(look.image, e.image);
      EXPECT_EQ(look.enabled, e.enabled);
      if (e.button == Command::Play || e.button == Command::Pause || e.button == Command::Stop)
        EXPECT_EQ(look.pressed, e.pressed);
      EXPECT_EQ(look.tip, e.tip);
      EXPECT_EQ(look.enabled, m_session.Allows(session::RowOf(e.button).button));
    }
  }
  // Backwards: the direction button shows it and offers forwards; repeat on
  // offers to turn it off.
  Bring(PlayState::Paused);
  m_session.Execute(Command::Reverse);
  m_session.Execute(Command::Repeat);
  const session::PlayerView view = m_session.View();
  EXPECT_EQ(session::LookOf(Command::Reverse, view).image, img::kBackwards);
  EXPECT_EQ(session::LookOf(Command::Reverse, view).tip, Tip::kForwards);
  EXPECT_EQ(session::LookOf(Command::Repeat, view).tip, Tip::kNoRepeat);
  EXPECT_TRUE(session::LookOf(Command::Repeat, view).pressed);
  m_session.Execute(Command::Repeat);
}

// Where parameters come from, and the same offer on every road for a file
// without a record, whatever was open before.
TEST_F(PlayerSessionTest, OpenDecidesWhereParametersComeFrom) {
  const std::string plain = m_dir.File("foreman_cif.yuv"), shortFile = m_dir.File("short.yuv");
  WriteClip(plain, Para(YV12, 352, 288), 2, false);
  WriteClip(shortFile, Para(NV12, 64, 48), 0, true);
  session::DefaultParameters defaults;
  defaults.format = NV12;
  defaults.width = 176;
  defaults.height = 144;

  EXPECT_EQ(m_session.Open(m_clip, defaults).outcome, OpenOutcome::kPlaying);  // its record
  EXPECT_EQ(m_session.View().pictureWidth, 64u);

  EXPECT_EQ(m_session.Open(plain, defaults).outcome, OpenOutcome::kNeedsParameters);
  std::optional<corvane::NameGuess> guess;
  const corvane::YUVPara offer = m_session.ParametersToOffer(defaults, &guess);
  EXPECT_EQ(offer.format, NV12);  // the defaults, not the clip before
  EXPECT_EQ(offer.width, 176u);
  ASSERT_TRUE(guess && guess->width);
  EXPECT_EQ(*guess->width, 352u);  // "cif" in the name
  m_session.CancelOpen();
  EXPECT_EQ(m_session.View().state, PlayState::NoFile);

  defaults.use = true;
  EXPECT_EQ(m_session.Open(plain, defaults).outcome, OpenOutcome::kPlaying);
  EXPECT_EQ(m_session.Para().format, NV12);
  defaults.width = 60000;  // beyond the custom-size limits: asked instead
  EXPECT_EQ(m_session.Open(plain, defaults).outcome, OpenOutcome::kNeedsParameters);

  const session::OpenResult tooShort = m_session.Open(shortFile, defaults);
  EXPECT_EQ(tooShort.failure, session::OpenFailure::kTooShort);
  EXPECT_EQ(m_session.Graph(), nullptr);
  EXPECT_EQ(m_session.Open(m_dir.File("missing.yuv"), defaults).failure, session::OpenFailure::kCannotOpen);
  EXPECT_EQ(m_session.View().state, PlayState::NoFile);

  // A Y4M file: its header is the record, whatever the defaults; its exact
  // rate and interlacing are the frame's facts. A header refused says why.
  const std::string y4m = m_dir.File("clip.y4m"), unknown = m_dir.File("c411.y4m");
  testsupport::WriteY4mClip(y4m, Para(YV12, 32, 16, 0, 33), 4, {30000, 1001}, " It");
  testsupport::WriteY4mClip(unknown, Para(YV12, 32, 16), 4, {25, 1}, " C411");
  ASSERT_EQ(m_session.Open(y4m, defaults).outcome, OpenOutcome::kPlaying);
  EXPECT_TRUE(m_session.ParametersFixed());
  EXPECT_EQ(m_session.Para().width, 32u);
  EXPECT_EQ(m_session.Para().format, YV12);
  const std::optional<session::FrameFacts> facts = m_session.FactsOf(1);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->rate, (corvane::Ratio{30000, 1001}));
  EXPECT_EQ(facts->interlacing, corvane::Interlacing::kTopFieldFirst);
  const session::OpenResult refused = m_session.Open(unknown, defaults);
  EXPECT_EQ(refused.failure, session::OpenFailure::kCannotOpen);
  EXPECT_EQ(refused.problem.kind, session::OpenProblem::Kind::kBadHeader);
  EXPECT_NE(refused.problem.damage.find("411"), std::string::npos) << refused.problem.damage;
  EXPECT_FALSE(m_session.ParametersFixed());
}

// A Y4M header's range (XCOLORRANGE) is read with while its file is open,
// until the user picks a range; the user's own choice (what the settings
// keep) is never the file's.
TEST_F(PlayerSessionTest, AHeadersRangeHoldsUntilTheUserPicksOne) {
  using corvane::YuvRange;
  const std::string full = m_dir.File("full.y4m");
  testsupport::WriteY4mClip(full, Para(YV12, 64, 48), 4, {25, 1}, " XCOLORRANGE=FULL");
  struct Step {
    const char* what;
    std::function<void()> act;
    YuvRange shown, chosen;
  };
  const Step steps[] = {
      {"the Y4M opens", [&] { ASSERT_EQ(m_session.Open(full, {}).outcome, OpenOutcome::kPlaying); },
       YuvRange::kFull, YuvRange::kLimited},
      {"the matrix changes", [&] { m_session.Execute(Command::Matrix709); }, YuvRange::kFull, YuvRange::kLimited},
      {"the user picks limited", [&] { m_session.Execute(Command::RangeLimited); }, YuvRange::kLimited,
       YuvRange::kLimited},
      {"the Y4M opens again", [&] { ASSERT_EQ(m_session.Open(full, {}).outcome, OpenOutcome::kPlaying); },
       YuvRange::kFull, YuvRange::kLimited},
      {"a raw file opens", [&] { ASSERT_EQ(m_session.Open(m_clip, {}).outcome, OpenOutcome::kPlaying); },
       YuvRange::kLimited, YuvRange::kLimited},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(m_session.View().colour.range, step.shown);
    EXPECT_EQ(m_session.Graph()->Render()->GetColourSpace().range, step.shown);
    EXPECT_EQ(m_session.View().chosenColour.range, step.chosen);
  }
}

// The colour space shows at once on a paused picture, is checked in the
// view, and is kept for the next file.
TEST_F(PlayerSessionTest, ColourSpaceRedrawsAPausedPictureAndOutlivesTheFile) {
  Bring(PlayState::Paused);
  const std::vector<uint8_t> bt601 = m_window.Canvas();
  ASSERT_TRUE(m_session.Execute(Command::Matrix709));
  ASSERT_TRUE(m_session.Execute(Command::RangeFull));
  EXPECT_NE(m_window.Canvas(), bt601);
  EXPECT_EQ(m_session.View().colour, (corvane::ColourSpace{corvane::YuvMatrix::kBt709, corvane::YuvRange::kFull}));
  m_session.Close();
  ASSERT_EQ(m_session.Open(m_clip, {}).outcome, OpenOutcome::kPlaying);
  EXPECT_EQ(m_session.Graph()->Render()->GetColourSpace().matrix, corvane::YuvMatrix::kBt709);
  m_session.Execute(Command::Pause);
  ASSERT_EQ(CodeOf(m_session.Graph()->SeekToFrame(50)), corvane::kOk);
  ASSERT_TRUE(m_session.Execute(Command::Matrix601));
  ASSERT_TRUE(m_session.Execute(Command::RangeLimited));
  EXPECT_EQ(m_window.Canvas(), bt601);  // the default reads as before, byte for byte
}

// Slider seeks run on the seeker and never make the caller wait: a burst is
// merged (a request replaces one not yet started), the last one always runs
// and each run is announced; one whose drawing a newer step or command cut
// short is announced as cut short.
TEST_F(PlayerSessionTest, SliderSeeksAreMergedAndTheLastOneWins) {
  std::mutex lock;
  std::condition_variable done;
  std::vector<uint32_t> ran;
  m_session.SetSeekHandler([&](uint32_t frame, int32_t result) {
    std::scoped_lock l(lock);
    // Only a finished seek counts as the one that ran.
    if (result != corvane::kDrawCancelled) ran.push_back(frame);
    EXPECT_TRUE(result == corvane::kOk || result == corvane::kDrawCancelled) << result;
    done.notify_all();
  });
  Bring(PlayState::Paused);
  for (uint32_t n = 1; n <= 150; ++n) m_session.RequestSeek(n);
  {
    std::unique_lock l(lock);
    ASSERT_TRUE(done.wait_for(l, std::chrono::seconds(10), [&] { return !ran.empty() && ran.back() == 150; }));
    EXPECT_LT(ran.size(), 150u);  // merged: the runs cannot keep up with a loop of requests
    EXPECT_TRUE(std::is_sorted(ran.begin(), ran.end()));
  }
  EXPECT_EQ(m_session.View().frame, 150u);
  // Steps queued while the seeker is busy go on from the last one asked for:
  // a held arrow key loses none.
  for (int i = 0; i < 5; ++i) m_session.Execute(Command::StepBackward);
  ASSERT_TRUE(m_session.WaitForSeeks(std::chrono::seconds(5)));
  EXPECT_EQ(m_session.View().frame, 145u);
  EXPECT_EQ(m_session.View().state, PlayState::Paused);
  // A command of the reader supersedes a seek not yet started.
  m_session.RequestSeek(10);
  m_session.Execute(Command::GoToEnd);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(m_session.View().frame, kFrames);
  m_session.SetSeekHandler(nullptr);
}

TEST(PlayerSessionMath, SliderArithmeticIn64Bits) {
  const struct {
    int pos;
    uint32_t total, frame;
  } seeks[] = {{0, 200, 1},  // the left end shows the first frame
               {200, 200, 200},
               {1, 200, 2},
               {0, 0, 1},
               {200, 1, 1},
               {100, 4000000000u, 2000000001u},
               {200, 0xFFFFFFFFu, 0xFFFFFFFFu},
               {199, 50000000u, 49750000u}};
  for (const auto& s : seeks) EXPECT_EQ(PlayerSession::FrameForSliderPos(s.pos, s.total), s.frame) << s.pos;
  const struct {
    uint32_t frame, total;
    int pos;
  } positions[] = {{0xFFFFFFFFu, 0xFFFFFFFFu, 200}, {30000000u, 60000000u, 100}, {1, 200, 0}, {5, 0, 0}, {1, 1, 0}};
  for (const auto& p : positions) EXPECT_EQ(PlayerSession::SliderPosForFrame(p.frame, p.total), p.pos) << p.frame;
  EXPECT_EQ(PlayerSession::AppendDigit(1844674407370955161ull, 5), 18446744073709551615ull);
  EXPECT_EQ(PlayerSession::AppendDigit(1844674407370955161ull, 6), UINT64_MAX);
  EXPECT_EQ(PlayerSession::AppendDigit(UINT64_MAX, 0), UINT64_MAX);
}

// The thumb: frame 1 at the left end and the last frame at the right end for
// every count, and a thumb put where a frame shows seeks to that frame (with
// fewer frames than positions) or back to that position (with more).
TEST(PlayerSessionMath, SliderEndsAreTheFirstAndLastFrame) {
  constexpr int kMax = PlayerSession::kSliderMax;
  for (const uint32_t total : {2u, 3u, 5u, 7u, 100u, 199u, 200u, 201u, 202u, 1000u, 123457u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(total);
    EXPECT_EQ(PlayerSession::SliderPosForFrame(1, total), 0);
    EXPECT_EQ(PlayerSession::SliderPosForFrame(total, total), kMax);
    EXPECT_EQ(PlayerSession::FrameForSliderPos(0, total), 1u);
    EXPECT_EQ(PlayerSession::FrameForSliderPos(kMax, total), total);
    if (total <= uint32_t(kMax) + 1) {
      for (uint32_t f = 1; f <= total; ++f)
        ASSERT_EQ(PlayerSession::FrameForSliderPos(PlayerSession::SliderPosForFrame(f, total), total), f) << f;
    } else {
      for (int p = 0; p <= kMax; ++p)
        ASSERT_EQ(PlayerSession::SliderPosForFrame(PlayerSession::FrameForSliderPos(p, total), total), p) << p;
    }
  }
  // Frame 1 of 5 at the start, frame 3 half way, frame 5 at the end.
  EXPECT_EQ(PlayerSession::SliderPosForFrame(3, 5), kMax / 2);
}

}  // namespace

// The free zoom: only with a picture on screen; kept by steps, seeks and the
// component view; the 50/100/200 % commands and a new file give the whole
// picture back; the pixel under a point follows the view.
TEST_F(PlayerSessionTest, FreeZoomAndPan) {
  Bring(PlayState::Stopped);
  EXPECT_FALSE(m_session.ZoomAt(1, 32, 24, 64, 48));
  Bring(PlayState::NoFile);
  EXPECT_FALSE(m_session.ZoomAt(1, 32, 24, 64, 48));
  Bring(PlayState::Paused);
  ASSERT_TRUE(m_session.ZoomAt(4, 10, 10, 64, 48));  // 1× -> 6×, around (10, 10)
  EXPECT_EQ(m_session.View().view.step, corvane::kZoomStepWhole + 4);
  EXPECT_EQ(m_session.FramePixelAt(10, 10, 64, 48), (corvane::PixelPos{10, 10}));
  EXPECT_EQ(m_session.FramePixelAt(16, 10, 64, 48), (corvane::PixelPos{11, 10}));  // 6 screen pixels on
  ASSERT_TRUE(m_session.PanBy(-600, -600, 64, 48));  // as far as the bottom right corner
  EXPECT_EQ(m_session.FramePixelAt(63, 47, 64, 48), (corvane::PixelPos{63, 47}));
  EXPECT_FALSE(m_session.PanBy(-10, -10, 64, 48));  // no further
  const corvane::PictureView zoomed = m_session.CurrentView();
  for (Command c : {Command::StepForward, Command::ComponentU, Command::GoToStart, Command::Play}) Key(c);
  EXPECT_TRUE(m_session.GoToFrame(20));
  EXPECT_EQ(m_session.CurrentView(), zoomed);
  m_session.Execute(Command::Zoom100);
  EXPECT_TRUE(m_session.CurrentView().IsWhole());
  ASSERT_TRUE(m_session.ZoomAt(-2, 0, 0, 64, 48));  // 1/3: pans, and a new file makes it whole
  Bring(PlayState::Playing);
  EXPECT_TRUE(m_session.CurrentView().IsWhole());
}
