// The player window on the offscreen platform, with a real graph playing real
// files: controls per play state, menu, keys, sizing, notices, status line.
#include "ui/player_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <thread>

#include "controls/color_label.h"
#include "formats/result_codes.h"
#include "controls/icon_button.h"
#include "controls/seek_slider.h"
#include "ui/resource_ids.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

using testsupport::Para;
using ui::PlayerWindow;
using ui::PlayState;
namespace ids = ui::ids;
using corvane::fmt::YV12;

constexpr uint32_t kFrames = 200;

class PlayerWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    uitest::ClearStore();
    m_clip = QString::fromStdString(m_dir.File("clip.yuv"));
    uitest::WriteClip(m_clip.toStdString(), Para(YV12, 64, 48), kFrames, true);
  }
  void TearDown() override { QCoreApplication::processEvents(); }

  std::unique_ptr<PlayerWindow> Start(const QString& file = {}) {
    auto w = std::make_unique<PlayerWindow>(file);
    w->Initialize();
    return w;
  }
  static void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(target, Qt::Key(key), mods);
  }
  static uint32_t Current(const PlayerWindow& w) {
    uint32_t n = 0;
    if (w.Graph()) w.Graph()->GetCurrentFrame(&n);
    return n;
  }
  // Brings a window on the clip into `state`; Paused and Stopped are reached
  // from frame 50, so that steps and seeks show.
  void Bring(PlayerWindow& w, PlayState state) {
    if (state == PlayState::NoFile) {
      w.CloseFile();
      w.UpdateControls();
      return;
    }
    w.SetFilePath(m_clip);
    ASSERT_TRUE(w.OpenCurrentFile());
    w.UpdateControls();
    if (state == PlayState::Playing) return;
    w.OnButton(ids::kBtnPause);
    ASSERT_EQ(w.Graph()->SeekToFrame(50), corvane::kOk);
    if (state == PlayState::Stopped) w.OnButton(ids::kBtnStop);
    ASSERT_EQ(w.GetPlayState(), state);
  }

  testsupport::TempDir m_dir;
  QString m_clip;
};

// ---- Buttons per state ---------------------------------------------------------

struct ButtonExpect {
  int id;
  int in, out;
  int pressed;  // -1: not a check box of the play state
  bool enabled;
  const char* tip;
};

void CheckButtons(const PlayerWindow& w, const std::vector<ButtonExpect>& rows) {
  for (const ButtonExpect& e : rows) {
    SCOPED_TRACE(testing::Message() << "button " << e.id);
    const controls::IconButton* b = w.findChild<controls::IconButton*>(QStringLiteral("btn%1").arg(e.id));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->InImageId(), e.in);
    EXPECT_EQ(b->OutImageId(), e.out);
    if (e.pressed >= 0) {
      EXPECT_EQ(b->GetCheck(), e.pressed);
    }
    EXPECT_EQ(b->isEnabled(), e.enabled);
    EXPECT_EQ(b->toolTip(), QString::fromUtf8(e.tip));
  }
}

TEST_F(PlayerWindowTest, ButtonsFollowThePlayState) {
  uitest::PromptsScope prompts;
  auto w = Start();
  // Without a file only repeat works; no tooltip has been set on the others.
  const std::vector<ButtonExpect> noFile = {
      {1001, 141, 0, 0, false, ""},  {1002, 143, 0, 0, false, ""},  {1003, 147, 0, 0, false, ""},
      {1011, 178, 0, -1, false, ""}, {1005, 151, 0, -1, false, ""}, {1004, 152, 0, -1, false, ""},
      {1007, 161, 0, -1, false, ""}, {1006, 159, 0, -1, false, ""}, {1008, 165, 0, -1, false, ""},
      {1009, 163, 0, -1, false, ""}, {1010, 168, 0, -1, false, ""}, {1012, 195, 0, 0, true, "重复"}};
  CheckButtons(*w, noFile);

  struct Step {
    const char* name;
    std::function<void()> act;
    PlayState state;
    std::vector<ButtonExpect> expect;
  };
  const std::vector<ButtonExpect> frameButtonsOn = {
      {1005, 149, 0, -1, true, "减速"}, {1004, 150, 0, -1, true, "加速"}, {1007, 162, 0, -1, true, "回退"},
      {1006, 160, 0, -1, true, "步进"}, {1008, 166, 0, -1, true, "开始"}, {1009, 164, 0, -1, true, "末尾"},
      {1010, 167, 169, -1, true, "抓图"}, {1011, 178, 0, -1, true, "倒放"}, {1012, 195, 0, 0, true, "重复"}};
  const std::vector<ButtonExpect> frameButtonsOff = {
      {1005, 151, 0, -1, false, ""}, {1004, 152, 0, -1, false, ""}, {1007, 161, 0, -1, false, ""},
      {1006, 159, 0, -1, false, ""}, {1008, 165, 0, -1, false, ""}, {1009, 163, 0, -1, false, ""},
      {1010, 168, 0, -1, false, ""}, {1011, 178, 0, -1, false, ""}, {1012, 195, 0, 0, true, "重复"}};
  auto with = [](std::vector<ButtonExpect> a, const std::vector<ButtonExpect>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  // A tooltip set in one state stays until it is replaced, and shows again
  // once its button is enabled: the play button has no tooltip before it
  // was first shown in Paused or Stopped.
  const std::vector<Step> steps = {
      {"open", [&] { Bring(*w, PlayState::Playing); }, PlayState::Playing,
       with({{1001, 140, 0, 1, true, ""}, {1002, 144, 0, 0, true, "暂停"}, {1003, 148, 0, 0, true, "停止"}},
            frameButtonsOn)},
      {"pause", [&] { w->OnButton(ids::kBtnPause); }, PlayState::Paused,
       with({{1001, 145, 0, 0, true, "播放"}, {1002, 216, 0, 1, true, "暂停"}, {1003, 148, 0, 0, true, "停止"}},
            frameButtonsOn)},
      {"stop", [&] { w->OnButton(ids::kBtnStop); }, PlayState::Stopped,
       with({{1001, 145, 0, 0, true, "播放"}, {1002, 143, 0, 0, false, ""}, {1003, 146, 0, 1, true, "停止"}},
            frameButtonsOff)},
      {"play", [&] { w->OnButton(ids::kBtnPlay); }, PlayState::Playing,
       with({{1001, 140, 0, 1, true, "播放"}, {1002, 144, 0, 0, true, "暂停"}, {1003, 148, 0, 0, true, "停止"}},
            frameButtonsOn)},
      {"reverse", [&] { w->OnButton(ids::kBtnDirection); }, PlayState::Playing,
       {{1011, 177, 0, -1, true, "正放"}}},
      {"repeat on", [&] { QTest::mouseClick(w->Button(ids::kBtnRepeat), Qt::LeftButton); }, PlayState::Playing,
       {{1012, 195, 0, 1, true, "取消重复"}}},
      {"close", [&] { w->OnMenuCommand(ids::kFileClose); }, PlayState::NoFile,
       with({{1001, 141, 0, 0, false, ""}, {1002, 143, 0, 0, false, ""}, {1003, 147, 0, 0, false, ""}},
            {{1011, 178, 0, -1, false, ""}, {1012, 195, 0, 1, true, "取消重复"}})},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    ASSERT_EQ(w->GetPlayState(), step.state);
    CheckButtons(*w, step.expect);
    // The slider goes with the buttons: usable only on a picture, and back
    // at its start without one.
    const bool onPicture = step.state == PlayState::Playing || step.state == PlayState::Paused;
    EXPECT_EQ(w->Slider()->isEnabled(), onPicture);
    if (!onPicture) {
      EXPECT_EQ(w->Slider()->value(), 0);
    }
  }
  EXPECT_TRUE(w->IsReverse() == false);
  EXPECT_TRUE(prompts.log->messages.empty());
}

// ---- Menu -------------------------------------------------------------------

TEST_F(PlayerWindowTest, MenuItemsEnableAndCheckPerState) {
  auto w = Start();
  const int byFile[] = {32772, 32777, 32778, 32779, 32780, 32781, 32774, 32789};
  const int byFrames[] = {32785, 32786, 32787, 32788, 32791};
  const int always[] = {32771, 32773, 32775, 32776, 32790, 32798, 32799, 32800, 32801, 32802, 32805};
  const struct {
    PlayState state;
    bool file, frames;
  } rows[] = {{PlayState::NoFile, false, false},
              {PlayState::Playing, true, true},
              {PlayState::Paused, true, true},
              {PlayState::Stopped, true, false},
              {PlayState::NoFile, false, false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(int(r.state));
    Bring(*w, r.state);
    for (int id : byFile) EXPECT_EQ(w->Action(id)->isEnabled(), r.file) << id;
    for (int id : byFrames) EXPECT_EQ(w->Action(id)->isEnabled(), r.frames) << id;
    for (int id : always) EXPECT_TRUE(w->Action(id)->isEnabled()) << id;
  }
  // The texts, spaces and hints included; every item found by its name.
  EXPECT_EQ(w->findChild<QAction*>("act32771")->text(), QString::fromUtf8("打开   Ctrl+O"));
  EXPECT_EQ(w->findChild<QAction*>("act32778")->text(), QString::fromUtf8("停止        .(句号)"));
  EXPECT_EQ(w->findChild<QAction*>("act32798")->text(), QString::fromUtf8(" 50%"));

  // Checks: reverse follows the engine, component and zoom are exclusive,
  // and closing puts YUV, 100 % and forwards back.
  Bring(*w, PlayState::Paused);
  w->Action(ids::kPlayReverse)->trigger();
  EXPECT_TRUE(w->Action(ids::kPlayReverse)->isChecked());
  // Both groups show radio marks, and choosing the item already checked (or
  // one the command refuses) leaves one item checked.
  for (int id : {32785, 32788, 32798, 32800})
    EXPECT_TRUE(w->Action(id)->actionGroup() && w->Action(id)->actionGroup()->isExclusive()) << id;
  w->Action(ids::kViewComponentU)->trigger();
  w->Action(ids::kViewComponentU)->trigger();
  w->Action(ids::kViewZoom200)->trigger();
  for (int id = 32785; id <= 32788; ++id) EXPECT_EQ(w->Action(id)->isChecked(), id == 32787) << id;
  for (int id : {32798, 32799, 32800}) EXPECT_EQ(w->Action(id)->isChecked(), id == 32800) << id;
  w->ToggleCoordinateWindow();  // zoom is refused while it shows
  w->Action(ids::kViewZoom50)->trigger();
  for (int id : {32798, 32799, 32800}) EXPECT_EQ(w->Action(id)->isChecked(), id == 32799) << id;
  w->ToggleCoordinateWindow();
  EXPECT_EQ(w->Graph()->GetComponentMode(), 2u);
  w->Action(ids::kFileClose)->trigger();
  EXPECT_EQ(w->GetPlayState(), PlayState::NoFile);
  EXPECT_FALSE(w->Action(ids::kPlayReverse)->isChecked());
  for (int id = 32785; id <= 32788; ++id) EXPECT_EQ(w->Action(id)->isChecked(), id == 32785) << id;
  for (int id : {32798, 32799, 32800}) EXPECT_EQ(w->Action(id)->isChecked(), id == 32799) << id;
  EXPECT_TRUE(w->Video()->IsIdle());
}

// ---- Keys -------------------------------------------------------------------

TEST_F(PlayerWindowTest, KeyTable) {
  uitest::PromptsScope prompts;
  auto w = Start();
  struct Row {
    const char* name;
    PlayState from;
    int key;
    Qt::KeyboardModifiers mods;
    PlayState to;
    int frame;  // expected current frame, 0: not checked
    std::function<bool()> extra = [] { return true; };
  };
  const QSize idle(352, 288);
  const std::vector<Row> rows = {
      {"space pauses", PlayState::Playing, Qt::Key_Space, {}, PlayState::Paused, 0},
      {"space plays", PlayState::Paused, Qt::Key_Space, {}, PlayState::Playing, 0},
      {"space from stopped", PlayState::Stopped, Qt::Key_Space, {}, PlayState::Playing, 0},
      {"space without file", PlayState::NoFile, Qt::Key_Space, {}, PlayState::NoFile, 0},
      {"up pauses", PlayState::Playing, Qt::Key_Up, {}, PlayState::Paused, 0},
      {"up while paused", PlayState::Paused, Qt::Key_Up, {}, PlayState::Paused, 50},
      {"down plays", PlayState::Paused, Qt::Key_Down, {}, PlayState::Playing, 0},
      {"down from stopped", PlayState::Stopped, Qt::Key_Down, {}, PlayState::Playing, 0},
      {"period stops", PlayState::Playing, Qt::Key_Period, {}, PlayState::Stopped, 0},
      {"right steps", PlayState::Paused, Qt::Key_Right, {}, PlayState::Paused, 51},
      {"left steps back", PlayState::Paused, Qt::Key_Left, {}, PlayState::Paused, 49},
      {"right while stopped", PlayState::Stopped, Qt::Key_Right, {}, PlayState::Stopped, 0},
      {"keypad right without num lock", PlayState::Paused, Qt::Key_Right, Qt::KeypadModifier, PlayState::Paused, 51},
      {"home", PlayState::Paused, Qt::Key_Home, {}, PlayState::Paused, 1},
      {"end", PlayState::Paused, Qt::Key_End, {}, PlayState::Paused, int(kFrames)},
      {"ctrl+left", PlayState::Paused, Qt::Key_Left, Qt::ControlModifier, PlayState::Paused, 1},
      {"ctrl+right", PlayState::Paused, Qt::Key_Right, Qt::ControlModifier, PlayState::Paused, int(kFrames)},
      {"ctrl+1 zooms", PlayState::Paused, Qt::Key_1, Qt::ControlModifier, PlayState::Paused, 0,
       [&] { return w->Video()->size() == QSize(32, 24) && w->Action(ids::kViewZoom50)->isChecked(); }},
      {"ctrl+1 while stopped", PlayState::Stopped, Qt::Key_1, Qt::ControlModifier, PlayState::Stopped, 0,
       [&] { return w->Video()->size() == QSize(64, 48) && w->Action(ids::kViewZoom100)->isChecked(); }},
      {"ctrl+2 without file", PlayState::NoFile, Qt::Key_2, Qt::ControlModifier, PlayState::NoFile, 0,
       [&] { return w->Video()->size() == idle; }},
      {"ctrl+c closes", PlayState::Paused, Qt::Key_C, Qt::ControlModifier, PlayState::NoFile, 0},
      {"ctrl+o asks for a file", PlayState::NoFile, Qt::Key_O, Qt::ControlModifier, PlayState::NoFile, 0,
       [&] { return prompts.log->chooserCalls == 1; }},
      {"escape does not close", PlayState::Paused, Qt::Key_Escape, {}, PlayState::Paused, 50,
       [&] { return w->isVisible(); }},
      {"f2 while stopped", PlayState::Stopped, Qt::Key_F2, {}, PlayState::Stopped, 0,
       [&] { return !w->IsFullScreenOn(); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    prompts.log->chooserCalls = 0;
    Bring(*w, r.from);
    // Keys reach the window through whichever of its widgets has them; the
    // slider must not act on them itself.
    const int sliderBefore = w->Slider()->value();
    Key(r.frame != 0 ? static_cast<QWidget*>(w->Slider()) : w->centralWidget(), r.key, r.mods);
    EXPECT_EQ(w->GetPlayState(), r.to);
    if (r.frame != 0) {
      EXPECT_EQ(Current(*w), uint32_t(r.frame));
      EXPECT_EQ(w->Slider()->value(), sliderBefore);
    }
    EXPECT_TRUE(r.extra());
  }
}

TEST_F(PlayerWindowTest, TypedFrameNumberSeeksOnEnterAndSaturates) {
  auto w = Start();
  Bring(*w, PlayState::Paused);
  auto type = [&](const char* digits) {
    for (const char* d = digits; *d; ++d) Key(w->centralWidget(), Qt::Key_0 + (*d - '0'), Qt::KeypadModifier);
  };
  struct Row {
    const char* digits;
    int enterKey;
    uint64_t typed;
    uint32_t frame;  // shown after Enter
  };
  const Row rows[] = {
      {"125", Qt::Key_Enter, 125, 125},
      {"7", Qt::Key_Return, 7, 7},
      // 2^32 + 1: in 32 bits this would wrap to frame 1; it stays out of
      // range and the seek is refused.
      {"4294967297", Qt::Key_Return, 4294967297ull, 7},
      {"99999999999999999999999", Qt::Key_Enter, UINT64_MAX, 7},
      {"", Qt::Key_Enter, 0, 7},  // Enter alone asks for frame 0: refused
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.digits);
    type(r.digits);
    EXPECT_EQ(w->FrameInput(), r.typed);
    Key(w->centralWidget(), r.enterKey);
    EXPECT_EQ(w->FrameInput(), 0u);
    EXPECT_EQ(Current(*w), r.frame);
  }
  // Main-keyboard digits do not type a number; while stopped Enter does not seek.
  Key(w->centralWidget(), Qt::Key_3);
  EXPECT_EQ(w->FrameInput(), 0u);
  w->OnButton(ids::kBtnStop);
  type("3");
  Key(w->centralWidget(), Qt::Key_Enter);
  EXPECT_EQ(w->FrameInput(), 0u);
  EXPECT_EQ(w->GetPlayState(), PlayState::Stopped);
}

TEST_F(PlayerWindowTest, FullScreenByKeysAndNoOpenThere) {
  uitest::PromptsScope prompts;
  auto w = Start();
  Bring(*w, PlayState::Paused);
  const QRect before = w->geometry();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  Key(w->centralWidget(), Qt::Key_F2);
  ASSERT_TRUE(w->IsFullScreenOn());
  EXPECT_TRUE(w->isFullScreen());
  EXPECT_FALSE(w->menuBar()->isVisible());
  EXPECT_FALSE(w->Slider()->isVisible());
  EXPECT_TRUE(uitest::WaitFor([&] { return w->Video()->size() == screen.size(); }));
  Key(w->centralWidget(), Qt::Key_O, Qt::ControlModifier);
  Key(w->centralWidget(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(prompts.log->chooserCalls, 0);
  EXPECT_EQ(w->GetPlayState(), PlayState::Paused);
  Key(w->centralWidget(), Qt::Key_Escape);
  EXPECT_FALSE(w->IsFullScreenOn());
  EXPECT_TRUE(uitest::WaitFor([&] { return w->geometry() == before; }));
  EXPECT_TRUE(w->Slider()->isVisible());
  EXPECT_EQ(w->Video()->size(), QSize(64, 48));
  // "." leaves full screen and stops.
  Key(w->centralWidget(), Qt::Key_F2);
  ASSERT_TRUE(w->IsFullScreenOn());
  Key(w->centralWidget(), Qt::Key_Period);
  EXPECT_FALSE(w->IsFullScreenOn());
  EXPECT_EQ(w->GetPlayState(), PlayState::Stopped);
}

// ---- Sizing -----------------------------------------------------------------

TEST_F(PlayerWindowTest, ZoomSizesThePictureAndClampsToTheScreen) {
  const QString big = QString::fromStdString(m_dir.File("big.yuv"));
  uitest::WriteClip(big.toStdString(), Para(YV12, 320, 240), 3, true);
  auto w = Start(big);
  ASSERT_EQ(w->GetPlayState(), PlayState::Playing);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const int strip = PlayerWindow::kStripHeight;
  auto outerHeightFor = [&](int pictureHeight) {
    return pictureHeight + strip + w->menuBar()->height() + (w->frameGeometry().height() - w->height());
  };
  struct Row {
    int id;
    QSize picture;
  };
  // 200 %: 640 × 480 does not fit 600 lines with the strip below it: the
  // window takes the screen's height at its top edge, and the picture what
  // is left.
  const int clampedHeight = screen.height() - (outerHeightFor(0));
  const Row rows[] = {{ids::kViewZoom50, {160, 120}},
                      {ids::kViewZoom100, {320, 240}},
                      {ids::kViewZoom200, {640, std::min(480, clampedHeight)}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    w->OnMenuCommand(r.id);
    EXPECT_EQ(w->Video()->size(), r.picture);
    EXPECT_EQ(w->centralWidget()->height(), r.picture.height() + strip);
    const QRect frame = w->frameGeometry();
    EXPECT_LE(frame.height(), screen.height());
    EXPECT_EQ(frame.left(), (screen.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), (screen.height() - frame.height()) / 2);
    for (int z : {ids::kViewZoom50, ids::kViewZoom100, ids::kViewZoom200})
      EXPECT_EQ(w->Action(z)->isChecked(), z == r.id);
  }
  // Sizes whose doubled or bordered value does not fit in 32 bits end up
  // as the screen, at its top-left, not as a wrapped small window.
  for (uint32_t side : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(side);
    w->ResizeForPicture(side, side);
    EXPECT_EQ(w->frameGeometry(), screen);
  }
}

// ---- Engine notices ---------------------------------------------------------

TEST_F(PlayerWindowTest, FrameSizeNoticesArriveOnTheGuiThreadAndStaleOnesAreDropped) {
  auto w = Start();
  Bring(*w, PlayState::Playing);
  w->OnMenuCommand(ids::kViewZoom200);
  // Two notices in a burst from the presenting side: the latest one wins,
  // and the zoom goes back to 100 %.
  std::thread([&] {
    w->Video()->OnFrameSizeChanged(100, 80);
    w->Video()->OnFrameSizeChanged(120, 90);
  }).join();
  ASSERT_TRUE(uitest::WaitFor([&] { return w->PictureBaseSize() == QSize(120, 90); }));
  EXPECT_EQ(w->Video()->size(), QSize(120, 90));
  EXPECT_TRUE(w->Action(ids::kViewZoom100)->isChecked());

  // A notice still queued when its graph is closed changes nothing.
  std::thread([&] { w->Video()->OnFrameSizeChanged(200, 150); }).join();
  w->CloseFile();
  w->UpdateControls();
  QTest::qWait(50);
  QCoreApplication::processEvents();
  EXPECT_EQ(w->PictureBaseSize(), QSize(352, 288));
  EXPECT_EQ(w->Video()->size(), QSize(352, 288));
}

TEST_F(PlayerWindowTest, PicturesFromThePresentingThreadArePaintedOnTheGuiThread) {
  auto w = Start();
  Bring(*w, PlayState::Paused);
  ASSERT_TRUE(uitest::WaitFor([&] { return !w->Video()->LastPicture().isNull(); }));
  const QImage shown = w->Video()->LastPicture();
  EXPECT_EQ(shown.size(), QSize(64, 48));
  // What the widget paints is the picture it was given.
  const QImage painted = w->Video()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(painted.pixel(10, 10), shown.pixel(10, 10));
  EXPECT_FALSE(w->Video()->IsIdle());
}

// ---- Slider and status line ---------------------------------------------------

TEST(PlayerWindowMath, SliderArithmeticIn64Bits) {
  const struct {
    int pos;
    uint32_t total, frame;
  } seeks[] = {{0, 200, 1},  // the left end shows the first frame
               {200, 200, 200},
               {1, 200, 1},
               {100, 4000000000u, 2000000000u},
               {200, 0xFFFFFFFFu, 0xFFFFFFFFu},
               {199, 50000000u, 49750000u}};
  for (const auto& s : seeks) EXPECT_EQ(PlayerWindow::FrameForSliderPos(s.pos, s.total), s.frame) << s.pos;
  const struct {
    uint32_t frame, total;
    int pos;
  } positions[] = {{0xFFFFFFFFu, 0xFFFFFFFFu, 200}, {30000000u, 60000000u, 100}, {1, 200, 1}, {5, 0, 0}};
  for (const auto& p : positions) EXPECT_EQ(PlayerWindow::SliderPosForFrame(p.frame, p.total), p.pos) << p.frame;
  EXPECT_EQ(PlayerWindow::AppendDigit(1844674407370955161ull, 5), 18446744073709551615ull);
  EXPECT_EQ(PlayerWindow::AppendDigit(1844674407370955161ull, 6), UINT64_MAX);
  EXPECT_EQ(PlayerWindow::AppendDigit(UINT64_MAX, 0), UINT64_MAX);
}

TEST_F(PlayerWindowTest, SliderSeeksByWheelAndClickAndStatusShowsTheState) {
  auto w = Start();
  Bring(*w, PlayState::Paused);
  auto status = [&] { return w->findChild<controls::ColorLabel*>("status1018")->Text(); };
  auto counter = [&] { return w->findChild<controls::ColorLabel*>("status1019")->Text(); };
  w->UpdateStatus();
  EXPECT_EQ(status(), QString::fromUtf8("暂停"));
  EXPECT_EQ(counter(), QStringLiteral("50/200"));
  EXPECT_EQ(w->Slider()->value(), 50);

  // One notch: one position on, and a seek there.
  QWheelEvent wheel(QPointF(5, 5), w->Slider()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w->Slider(), &wheel);
  EXPECT_EQ(w->Slider()->value(), 51);
  EXPECT_EQ(Current(*w), 51u);

  // A click at the left end seeks frame 1; a slider without width does not
  // divide by zero.
  QTest::mouseClick(w->Slider(), Qt::LeftButton, {}, QPoint(0, w->Slider()->height() / 2));
  ASSERT_TRUE(uitest::WaitFor([&] { return Current(*w) == 1; }));
  w->Slider()->setGeometry(0, w->Slider()->y(), 0, 22);
  QTest::mouseClick(w->Slider(), Qt::LeftButton, {}, QPoint(0, 5));
  QCoreApplication::processEvents();

  // Speeds and states in the status line.
  w->OnButton(ids::kBtnPlay);
  struct Row {
    std::function<void()> act;
    const char* text;
  };
  const Row rows[] = {{[] {}, "正在播放"},
                      {[&] { w->OnMenuCommand(ids::kPlayFaster); }, "速度 X 2"},
                      {[&] { w->OnMenuCommand(ids::kPlayFaster); }, "速度 X 4"},
                      {[&] { for (int i = 0; i < 4; ++i) w->OnMenuCommand(ids::kPlaySlower); }, "速度 / 4"},
                      {[&] { w->OnButton(ids::kBtnStop); }, "停止"}};
  for (const Row& r : rows) {
    r.act();
    w->UpdateStatus();
    EXPECT_EQ(status(), QString::fromUtf8(r.text));
  }
  EXPECT_EQ(counter(), QString());
  EXPECT_FALSE(w->IsStatusTimerActive());
}

// The command-line file opens at start: with its trailer's parameters, or,
// without one, with the stored defaults when they are enabled.
TEST_F(PlayerWindowTest, CommandLineFileOpensWithTrailerOrDefaults) {
  uitest::PromptsScope prompts;
  ui::PlayerSettings enabled;
  enabled.useDefaultPara = 1;
  ui::SettingsStore::Save(enabled);
  const QString plain = QString::fromStdString(m_dir.File("plain.yuv"));
  uitest::WriteClip(plain.toStdString(), Para(YV12, 352, 288), 4, false);
  const QString tooShort = QString::fromStdString(m_dir.File("short.yuv"));
  testsupport::WriteBytes(tooShort.toStdString(), std::vector<uint8_t>(100));
  const struct {
    QString file;
    PlayState state;
    QSize picture;
    uint32_t frames;
    const char* message;
  } rows[] = {{m_clip, PlayState::Playing, {64, 48}, kFrames, nullptr},
              {plain, PlayState::Playing, {352, 288}, 4, nullptr},
              {tooShort, PlayState::NoFile, {352, 288}, 0, "文件长度不够播放一帧\n"},
              {m_dir.Path().c_str() + QStringLiteral("/missing.yuv"), PlayState::NoFile, {352, 288}, 0,
               "打开文件失败\n"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.file.toStdString());
    prompts.log->messages.clear();
    auto w = Start(r.file);
    EXPECT_EQ(w->GetPlayState(), r.state);
    EXPECT_EQ(w->Video()->size(), r.picture);
    if (r.frames) {
      EXPECT_EQ(w->TotalFrames(), r.frames);
      EXPECT_TRUE(w->IsStatusTimerActive());
    }
    if (r.message) {
      ASSERT_EQ(prompts.log->messages.size(), 1u);
      EXPECT_EQ(prompts.log->messages[0], QString::fromUtf8(r.message));
    } else {
      EXPECT_TRUE(prompts.log->messages.empty());
    }
  }
}

}  // namespace
