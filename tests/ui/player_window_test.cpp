// The player window on the offscreen platform, with a real graph playing real
// files: controls per play state, menu, keys, sizing, notices, status line.
#include "ui/open_file_flow.h"
#include "ui/player_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include "controls/color_label.h"
#include "formats/result_codes.h"
#include "controls/icon_button.h"
#include "controls/seek_slider.h"
#include "session/open_problem.h"
#include "ui/messages.h"
#include "ui/resource_ids.h"
#include "ui/transport_bar.h"
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
    if (w.Graph()) n = w.Graph()->GetCurrentFrame().value_or(n);
    return n;
  }
  // Brings a window on the clip into `state`; Paused and Stopped are reached
  // from frame 50, so that steps and seeks show.
  void Bring(PlayerWindow& w, PlayState state) {
    if (state == PlayState::NoFile) {
      w.Files().CloseFile();
      w.UpdateControls();
      return;
    }
    w.Files().SetFilePath(m_clip);
    ASSERT_TRUE(w.Files().OpenCurrentFile());
    w.UpdateControls();
    if (state == PlayState::Playing) return;
    w.OnButton(ids::kBtnPause);
    ASSERT_EQ(CodeOf(w.Graph()->SeekToFrame(50)), corvane::kOk);
    if (state == PlayState::Stopped) w.OnButton(ids::kBtnStop);
    ASSERT_EQ(w.View().state, state);
  }

  testsupport::TempDir m_dir;
  QString m_clip;
};

// ---- Wiring: buttons, keys and the typed number reach the session --------------

// The rules themselves are the session's (tests/session); here only that the
// window's widgets carry them: keys on the slider, a click on a button, the
// looks and tooltips drawn.
TEST_F(PlayerWindowTest, KeysAndButtonsReachTheSession) {
  uitest::PromptsScope prompts;
  auto w = Start();
  const controls::IconButton* play = w->Button(ids::kBtnPlay);
  EXPECT_FALSE(play->isEnabled());
  EXPECT_EQ(play->InImageId(), 141);
  Bring(*w, PlayState::Paused);
  EXPECT_EQ(play->InImageId(), 145);
  EXPECT_EQ(play->toolTip(), QString::fromUtf8("播放"));
  EXPECT_EQ(w->Button(ids::kBtnPause)->GetCheck(), 1);
  // Keys reach the session through whichever widget has them; the slider
  // does not act on them itself.
  const int sliderBefore = w->Slider()->value();
  Key(w->Slider(), Qt::Key_Right);
  EXPECT_EQ(w->Slider()->value(), sliderBefore);  // checked before the step's announcement moves it
  EXPECT_TRUE(uitest::WaitFor([&] { return Current(*w) == 51u; }));  // the step runs on the seeker
  for (int digit : {1, 2, 5}) Key(w->centralWidget(), Qt::Key_0 + digit, Qt::KeypadModifier);
  EXPECT_EQ(w->View().typed, 125u);
  Key(w->centralWidget(), Qt::Key_Enter);
  EXPECT_EQ(Current(*w), 125u);
  Key(w->centralWidget(), Qt::Key_3);  // main-keyboard digits type nothing
  EXPECT_EQ(w->View().typed, 0u);
  Key(w->centralWidget(), Qt::Key_Escape);
  EXPECT_TRUE(w->isVisible());
  const_cast<controls::IconButton*>(w->Button(ids::kBtnStop))->click();
  EXPECT_EQ(w->View().state, PlayState::Stopped);
  EXPECT_EQ(w->Button(ids::kBtnStop)->GetCheck(), 1);
  EXPECT_FALSE(w->Slider()->isEnabled());
  Key(w->centralWidget(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(prompts.log->chooserCalls, 1);
}

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
  // The colour space: radio items, stored at once, kept after closing.
  w->Action(ids::kViewMatrix709)->trigger();
  w->Action(ids::kViewRangeFull)->trigger();
  for (int id = ids::kViewMatrix601; id <= ids::kViewRangeFull; ++id)
    EXPECT_EQ(w->Action(id)->isChecked(), id == ids::kViewMatrix709 || id == ids::kViewRangeFull) << id;
  EXPECT_EQ(ui::SettingsStore::LoadColourSpace(),
            (corvane::ColourSpace{corvane::YuvMatrix::kBt709, corvane::YuvRange::kFull}));
  w->Action(ids::kFileClose)->trigger();
  EXPECT_EQ(w->View().state, PlayState::NoFile);
  EXPECT_TRUE(w->Action(ids::kViewMatrix709)->isChecked());
  w->Action(ids::kViewMatrix601)->trigger();
  w->Action(ids::kViewRangeLimited)->trigger();
  EXPECT_FALSE(w->Action(ids::kPlayReverse)->isChecked());
  for (int id = 32785; id <= 32788; ++id) EXPECT_EQ(w->Action(id)->isChecked(), id == 32785) << id;
  for (int id : {32798, 32799, 32800}) EXPECT_EQ(w->Action(id)->isChecked(), id == 32799) << id;
  EXPECT_TRUE(w->Video()->IsIdle());
}

// ---- Keys -------------------------------------------------------------------

TEST_F(PlayerWindowTest, FullScreenByKeysAndNoOpenThere) {
  uitest::PromptsScope prompts;
  auto w = Start();
  Bring(*w, PlayState::Paused);
  const QRect before = w->geometry();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  Key(w->centralWidget(), Qt::Key_F2);
  ASSERT_TRUE(w->View().fullScreen);
  EXPECT_TRUE(w->isFullScreen());
  EXPECT_FALSE(w->menuBar()->isVisible());
  EXPECT_FALSE(w->Slider()->isVisible());
  EXPECT_TRUE(uitest::WaitFor([&] { return w->Video()->size() == screen.size(); }));
  Key(w->centralWidget(), Qt::Key_O, Qt::ControlModifier);
  Key(w->centralWidget(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(prompts.log->chooserCalls, 0);
  EXPECT_EQ(w->View().state, PlayState::Paused);
  Key(w->centralWidget(), Qt::Key_Escape);
  EXPECT_FALSE(w->View().fullScreen);
  EXPECT_TRUE(uitest::WaitFor([&] { return w->geometry() == before; }));
  EXPECT_TRUE(w->Slider()->isVisible());
  EXPECT_EQ(w->Video()->size(), QSize(64, 48));
  // "." leaves full screen and stops.
  Key(w->centralWidget(), Qt::Key_F2);
  ASSERT_TRUE(w->View().fullScreen);
  Key(w->centralWidget(), Qt::Key_Period);
  EXPECT_FALSE(w->View().fullScreen);
  EXPECT_EQ(w->View().state, PlayState::Stopped);
}

// ---- Sizing -----------------------------------------------------------------

TEST_F(PlayerWindowTest, ZoomSizesThePictureAndClampsToTheScreen) {
  const QString big = QString::fromStdString(m_dir.File("big.yuv"));
  uitest::WriteClip(big.toStdString(), Para(YV12, 320, 240), 3, true);
  auto w = Start(big);
  ASSERT_EQ(w->View().state, PlayState::Playing);
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
  w->Files().CloseFile();
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

TEST_F(PlayerWindowTest, SliderSeeksByWheelAndClickAndStatusShowsTheState) {
  auto w = Start();
  Bring(*w, PlayState::Paused);
  auto status = [&] { return w->findChild<controls::ColorLabel*>("status1018")->Text(); };
  auto counter = [&] { return w->findChild<controls::ColorLabel*>("status1019")->Text(); };
  w->UpdateStatus();
  EXPECT_EQ(status(), QString::fromUtf8("暂停"));
  EXPECT_EQ(counter(), QStringLiteral("50/200"));
  EXPECT_EQ(w->Slider()->value(), 49);  // frame 50 of 200: 49 of 199 steps from frame 1

  // One notch: one position on, and a seek there.
  QWheelEvent wheel(QPointF(5, 5), w->Slider()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w->Slider(), &wheel);
  EXPECT_EQ(w->Slider()->value(), 50);
  EXPECT_TRUE(uitest::WaitFor([&] { return Current(*w) == 51u; }));  // on the session's seeker

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
    EXPECT_EQ(w->View().state, r.state);
    EXPECT_EQ(w->Video()->size(), r.picture);
    if (r.frames) {
      EXPECT_EQ(w->View().total, r.frames);
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

// A file that cannot be opened keeps the written message, and the reason
// the file gives goes beneath it.
TEST_F(PlayerWindowTest, OpenFailuresSayWhyBeneathTheMessage) {
  uitest::PromptsScope prompts;
  // Frame bytes, then the end of the file.
  const auto file = [&](const char* name, size_t bytes, const std::vector<uint8_t>& end = {}) {
    const std::string path = m_dir.File(name);
    testsupport::WriteBytes(path, std::vector<uint8_t>(bytes, 0x80));
    testsupport::AppendBytes(path, end);
    return path;
  };
  const std::vector<uint8_t> damaged = {2, 0, 0, 0, 40, 0, 0, 0, 'I', 'P', 'V', 'R'};  // 40 is not 28 x 2 + 12
  const auto huge = corvane::EncodeTrailer(std::vector{Para(corvane::fmt::RGB4, 32768, 32768)});
  const std::string fifo = m_dir.File("pipe.yuv"), folder = m_dir.File("folder.yuv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::filesystem::create_directory(folder);
  struct Row {
    std::string path;
    const char* reason;
  };
  std::vector<Row> rows = {
      {file("damaged.yuv", 4608, damaged), "文件末尾的参数记录已损坏：trailer size 40 is not 28 x 2 + 12"},
      {file("huge.yuv", 4608, huge), "32768x32768 does not fit in 32 bits"},
      {file("empty.yuv", 0), "文件是空的（0字节）"},
      {folder, "这是一个文件夹，不是文件"},
      {"/dev/zero", "不是普通文件（是管道、设备或套接字）"},
      {fifo, "不是普通文件（是管道、设备或套接字）"},
      {m_dir.File("missing.yuv"), "No such file or directory"},
  };
  if (::geteuid() != 0) {  // root reads any file
    rows.push_back({file("secret.yuv", 4608), "Permission denied"});
    std::filesystem::permissions(rows.back().path, std::filesystem::perms::none);
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    prompts.log->messages.clear();
    prompts.log->reasons.clear();
    auto w = Start(QString::fromStdString(r.path));
    EXPECT_EQ(w->View().state, PlayState::NoFile);
    ASSERT_EQ(prompts.log->messages.size(), 1u);
    EXPECT_EQ(prompts.log->messages[0], QStringLiteral("打开文件失败\n"));
    EXPECT_TRUE(prompts.log->reasons[0].contains(QString::fromUtf8(r.reason))) << prompts.log->reasons[0].toStdString();
  }
}

// Parameters whose playback needs more memory than the graph may use are
// refused (PlaybackGraph::SetPara) and said with both figures; within the
// limit nothing is said.
TEST(OpenProblemText, ParametersBeyondTheMemoryLimitSayWhatTheyNeed) {
  const corvane::YUVPara huge = Para(corvane::fmt::I410, 16384, 16384);  // 1.61 GB a frame, a queue of three
  const session::OpenProblem p = session::DiagnoseParameters(huge, uint64_t(1) << 30);
  EXPECT_EQ(p.kind, session::OpenProblem::Kind::kNeedsMoreMemory);
  EXPECT_EQ(ui::OpenProblemText(p), QStringLiteral("播放这样的帧（I410 16384×16384）需要约6.4 GB内存，超过本机的1.1 GB"));
  EXPECT_EQ(session::DiagnoseParameters(huge, uint64_t(8) << 30).kind, session::OpenProblem::Kind::kUnknown);
}

// The status line's middle for a coded file: the frame's type, key flag and
// coded size, the transfer and a conversion after the frame's format; a
// decode failure and a held rate first, where a narrow line still shows them.
TEST(StatusStripTest, ACodedFramesFactsAndTroublesAreSaid) {
  ui::StatusStrip strip(nullptr);
  session::FrameFacts base;
  base.format = corvane::fmt::YV12;  // shown as I420
  base.width = 320;
  base.height = 180;
  base.rate = {25, 1};
  struct Case {
    const char* what;
    std::function<void(session::FrameFacts&)> set;
    const char* text;
  };
  const Case cases[] = {
      {"raw", [](session::FrameFacts&) {}, "I420 320×180 25帧/秒"},
      {"key frame",
       [](session::FrameFacts& f) {
         f.codec = "h264", f.type = corvane::PictureType::kI, f.key = true, f.bytes = 5120;
       },
       "I420 320×180 25帧/秒 h264 I帧(关键帧) 5120字节"},
      {"HDR, converted",
       [](session::FrameFacts& f) {
         f.codec = "hevc", f.type = corvane::PictureType::kB, f.bytes = 311, f.transfer = "PQ";
         f.convertedFrom = "yuv420p12le";
       },
       "I420 320×180 25帧/秒 hevc B帧 311字节 PQ 由yuv420p12le转换"},
      {"failed, behind",
       [](session::FrameFacts& f) {
         f.codec = "av1", f.type = corvane::PictureType::kP, f.bytes = 90, f.decodeFailed = true, f.behind = true;
       },
       "解码失败 跟不上，速率降低 I420 320×180 25帧/秒 av1 P帧 90字节"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    session::FrameFacts f = base;
    c.set(f);
    strip.ShowFrameFacts(f, {});
    EXPECT_EQ(strip.FactsText(), QString::fromUtf8(c.text));
  }
}

}  // namespace
