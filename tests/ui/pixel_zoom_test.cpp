// Pixel inspection in the window on the offscreen platform: Ctrl + wheel and
// drags over the picture, the readout through the zoomed view, the
// go-to-frame box, the recent files, the PNG still and the clipboard, the
// frame's facts in the status line.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>

#include "controls/seek_slider.h"
#include "formats/result_codes.h"
#include "ui/coordinate_tool.h"
#include "ui/coordinate_window.h"
#include "ui/go_to_frame_box.h"
#include "ui/parameter_dialog.h"
#include "ui/open_file_flow.h"
#include "ui/player_window.h"
#include "ui/recent_files_store.h"
#include "ui/resource_ids.h"
#include "ui/settings_store.h"
#include "ui/still_capture.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

using testsupport::Para;
using ui::PlayerWindow;
using ui::PlayState;
using corvane::fmt::YV12;
namespace ids = ui::ids;

class InspectionTest : public testing::Test {
 protected:
  void SetUp() override {
    uitest::ClearStore();
    m_clip = QString::fromStdString(m_dir.File("clip.yuv"));
    uitest::WriteClip(m_clip.toStdString(), Para(YV12, 320, 240), 40, true);
  }
  std::unique_ptr<PlayerWindow> StartPaused() {
    auto w = std::make_unique<PlayerWindow>(m_clip);
    w->Initialize();
    EXPECT_TRUE(uitest::WaitFor([&] { return !w->Video()->LastPicture().isNull(); }));  // a frame on screen
    w->Run(ui::Command::Pause);
    w->UpdateControls();
    return w;
  }
  // A wheel notch (or several) with Ctrl over the picture point `at`.
  static void CtrlWheel(PlayerWindow& w, QPoint at, int notches) {
    const QPointF p = w.Video()->mapTo(w.centralWidget(), at);
    QWheelEvent e(p, w.centralWidget()->mapToGlobal(p), {}, {0, 120 * notches}, Qt::NoButton,
                  Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.centralWidget(), &e);
  }
  static void Mouse(PlayerWindow& w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const QPointF p = w.Video()->mapTo(w.centralWidget(), at);
    QMouseEvent e(type, p, w.centralWidget()->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  held, Qt::NoModifier);
    QCoreApplication::sendEvent(w.centralWidget(), &e);
  }

  testsupport::TempDir m_dir;
  QString m_clip;
};

TEST_F(InspectionTest, WheelDragAndKeysZoomAndPanAndTheReadoutFollows) {
  auto w = StartPaused();
  ASSERT_EQ(w->Video()->size(), QSize(320, 240));
  w->ToggleCoordinateWindow();
  ui::CoordinateWindow* readout = w->Coordinates()->Window();
  ASSERT_TRUE(readout && readout->isVisible());
  // Ctrl + wheel, four notches over (40, 30): 6×, the pixel there stays.
  CtrlWheel(*w, {40, 30}, 4);
  EXPECT_EQ(w->View().view.step, corvane::kZoomStepWhole + 4);
  Mouse(*w, QEvent::MouseMove, {46, 30}, Qt::NoButton);
  EXPECT_EQ(readout->PositionText(), QStringLiteral("41*30"));  // 6 screen pixels on
  EXPECT_TRUE(uitest::WaitFor([&] {
    const QImage shown = w->Video()->LastPicture();
    return !shown.isNull() && shown.pixel(38, 30) == shown.pixel(43, 30);  // one block: 37.5 to 43.5
  }));
  EXPECT_TRUE(w->StatusFacts().endsWith(QStringLiteral(" 6×")));
  // A drag 60 pixels to the left: 10 frame pixels further right.
  Mouse(*w, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
  Mouse(*w, QEvent::MouseMove, {70, 100}, Qt::LeftButton);
  Mouse(*w, QEvent::MouseMove, {40, 100}, Qt::LeftButton);
  Mouse(*w, QEvent::MouseButtonRelease, {40, 100}, Qt::NoButton);
  Mouse(*w, QEvent::MouseMove, {46, 30}, Qt::NoButton);
  EXPECT_EQ(readout->PositionText(), QStringLiteral("51*30"));
  // Without Ctrl the wheel does not zoom; "-" and "+" step around the centre.
  QWheelEvent plain(QPointF(50, 50), QPointF(50, 50), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w->centralWidget(), &plain);
  EXPECT_EQ(w->View().view.step, corvane::kZoomStepWhole + 4);
  QTest::keyClick(w->Slider(), Qt::Key_Minus);
  EXPECT_EQ(w->View().view.step, corvane::kZoomStepWhole + 3);
  QTest::keyClick(w->Slider(), Qt::Key_Plus);
  EXPECT_EQ(w->View().view.step, corvane::kZoomStepWhole + 4);
  // While the coordinate window shows, the 50/100/200 % commands (menu
  // item and key) do nothing: neither the window's size nor the free zoom
  // changes.
  const QSize held = w->size();
  w->OnMenuCommand(ids::kViewZoom100);
  QTest::keyClick(w->Slider(), Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(w->View().view.step, corvane::kZoomStepWhole + 4);
  EXPECT_EQ(w->size(), held);
  // A step keeps the view; the 100 % item gives the whole picture back
  // (once the coordinate window, which refuses it, is gone).
  QTest::keyClick(w->Slider(), Qt::Key_Right);
  EXPECT_EQ(w->View().view.step, corvane::kZoomStepWhole + 4);
  w->ToggleCoordinateWindow();
  w->OnMenuCommand(ids::kViewZoom100);
  EXPECT_TRUE(w->View().view.IsWhole());
}

TEST_F(InspectionTest, GoToFrameBoxTakesMainKeyboardDigits) {
  auto w = StartPaused();
  auto answer = [](const char* digits) {
    return [digits](ui::GoToFrameBox* box) {
      box->Edit()->selectAll();
      QTest::keyClicks(box->Edit(), QString::fromLatin1(digits));
      QTest::keyClick(box->Edit(), Qt::Key_Return);
      if (box->isVisible()) {  // refused: the box says so and stays
        EXPECT_EQ(box->findChild<QLabel*>(QStringLiteral("frameRange"))->text(),
                  QStringLiteral("请输入1到40之间的帧号。"));
        QTest::keyClick(box->Edit(), Qt::Key_Escape);
      }
    };
  };
  auto seen = std::make_shared<bool>(false);
  uitest::WhenModal<ui::GoToFrameBox>(answer("25"), seen);
  QTest::keyClick(w->Slider(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(*seen);
  EXPECT_TRUE(uitest::WaitFor([&] { return w->View().frame == 25; }));
  uitest::WhenModal<ui::GoToFrameBox>(answer("41"));
  QTest::keyClick(w->Slider(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(w->View().frame, 25u);
  // The keypad's typed number is untouched by the box.
  QTest::keyClick(w->Slider(), Qt::Key_7, Qt::KeypadModifier);
  QTest::keyClick(w->Slider(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(w->View().frame, 7u);
}

TEST_F(InspectionTest, RecentFilesOpenWithTheirParametersWhileTheSizeIsUnchanged) {
  // A file without a record, opened with the stored defaults, then another.
  const QString plain = QString::fromStdString(m_dir.File("plain.yuv"));
  uitest::WriteClip(plain.toStdString(), Para(YV12, 64, 48), 10, false);
  ui::PlayerSettings s;
  s.useDefaultPara = 1, s.defaultWidth = 64, s.defaultHeight = 48;
  ui::SettingsStore::Save(s);
  {
    PlayerWindow first(plain);
    first.Initialize();
    first.Files().SetFilePath(m_clip);
    ASSERT_TRUE(first.Files().OpenCurrentFile());
  }
  // The next run, with the defaults off: the list is the store's.
  s.useDefaultPara = 0;
  ui::SettingsStore::Save(s);
  PlayerWindow w;
  w.Initialize();
  ASSERT_EQ(w.Files().RecentFiles().size(), 2u);
  EXPECT_EQ(w.Action(ids::kFileRecentFirst)->text(), QStringLiteral("&1  clip.yuv  (I420 320×240)"));
  EXPECT_EQ(w.Action(ids::kFileRecentFirst + 1)->text(), QStringLiteral("&2  plain.yuv  (I420 64×48)"));
  EXPECT_FALSE(w.Action(ids::kFileRecentFirst + 2)->isVisible());
  EXPECT_EQ(ui::RecentFilesStore::Load(), w.Files().RecentFiles());
  // The remembered parameters open the file without a record, no dialog.
  auto dialog = std::make_shared<bool>(false);
  QPointer<QTimer> watch =
      uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* d) { d->reject(); }, dialog, 1000);
  w.OnMenuCommand(ids::kFileRecentFirst + 1);
  EXPECT_EQ(w.View().state, PlayState::Playing);
  EXPECT_EQ(w.Para().width, 64u);
  EXPECT_FALSE(*dialog);
  delete watch;
  EXPECT_EQ(w.Action(ids::kFileRecentFirst)->text(), QStringLiteral("&1  plain.yuv  (I420 64×48)"));
  // Grown by a frame: asked again, as a new file is.
  w.Files().CloseFile();
  uitest::WriteClip(plain.toStdString(), Para(YV12, 64, 48), 11, false);
  uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* d) { d->reject(); }, dialog);
  w.OnMenuCommand(ids::kFileRecentFirst);
  EXPECT_TRUE(*dialog);
  EXPECT_EQ(w.View().state, PlayState::NoFile);
}

TEST_F(InspectionTest, RecentFilesOpenedByARelativePathOpenFromAnyFolderAndGoWhenGone) {
  uitest::PromptsScope prompts;
  const QString saved = QDir::currentPath();
  // Opened as `corvane clip.yuv` in the clip's folder...
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(m_dir.File(""))));
  auto w = std::make_unique<PlayerWindow>(QStringLiteral("clip.yuv"));
  w->Initialize();
  ASSERT_EQ(w->View().state, PlayState::Playing);
  const QString canonical = QFileInfo(m_clip).canonicalFilePath();
  ASSERT_EQ(w->Files().RecentFiles().size(), 1u);
  EXPECT_EQ(QString::fromStdString(w->Files().RecentFiles()[0].path), canonical);
  EXPECT_EQ(QString::fromStdString(ui::RecentFilesStore::Load()[0].path), canonical);
  // ...and later, from another folder, through the list.
  ASSERT_TRUE(QDir::setCurrent(QDir::rootPath()));
  w->Files().CloseFile();
  w->OnMenuCommand(ids::kFileRecentFirst);
  EXPECT_EQ(w->View().state, PlayState::Playing);
  EXPECT_TRUE(prompts.log->messages.empty());
  // Gone: said so, and out of the list and the store; nothing else opens.
  w->Files().CloseFile();
  ASSERT_TRUE(QFile::remove(m_clip));
  w->OnMenuCommand(ids::kFileRecentFirst);
  EXPECT_EQ(w->View().state, PlayState::NoFile);
  ASSERT_EQ(prompts.log->messages.size(), 1u);
  EXPECT_EQ(prompts.log->messages[0], QStringLiteral("文件不存在，已从最近打开的文件中移除:\n") + canonical);
  EXPECT_EQ(prompts.log->kinds[0], ui::MessageKind::kWarning);
  EXPECT_TRUE(w->Files().RecentFiles().empty());
  EXPECT_TRUE(ui::RecentFilesStore::Load().empty());
  EXPECT_FALSE(w->Action(ids::kFileRecentFirst)->isVisible());
  QDir::setCurrent(saved);
}

TEST_F(InspectionTest, PngStillClipboardAndFrameFacts) {
  ui::PlayerSettings s;
  s.capturePath = QString::fromStdString(m_dir.File(""));
  ui::SettingsStore::Save(s);
  uitest::PromptsScope prompts;
  auto w = StartPaused();
  EXPECT_TRUE(uitest::WaitFor([&] { return !w->StatusFacts().isEmpty(); }));
  EXPECT_EQ(w->StatusFacts(), QStringLiteral("I420 320×240 25帧/秒"));
  platform::Picture frame;
  ASSERT_EQ(CodeOf(w->Graph()->CapturePicture(&frame)), corvane::kOk);
  const QImage expected =
      QImage(frame.pixels.get(), 320, 240, int(frame.stride), QImage::Format_RGB32).convertToFormat(QImage::Format_RGB32);
  w->Run(ui::Command::SavePng);
  const QString still = QString::fromStdString(m_dir.File("capture00.png"));
  ASSERT_TRUE(uitest::WaitFor([&] { return w->Stills()->PngCount() == 1; }));
  EXPECT_EQ(QImage(still).convertToFormat(QImage::Format_RGB32), expected);
  QTest::keyClick(w->Slider(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(w->View().state, PlayState::Paused);  // not Ctrl+C's close
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected);
  EXPECT_TRUE(prompts.log->messages.empty());
}

}  // namespace
