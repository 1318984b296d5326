// The capture button, the coordinate window and the help menu of the player
// window, on the offscreen platform with a real graph playing real files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QTranslator>
#include <cstring>
#include <filesystem>
#include <functional>

#include "analysis/difference_picture.h"
#include "capture/still_encoder.h"
#include "engine/frame_picture.h"
#include "formats/result_codes.h"
#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "ui/coordinate_tool.h"
#include "ui/coordinate_window.h"
#include "ui/still_capture.h"
#include "ui/help_dialogs.h"
#include "ui/compare_flow.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/qt_translations.h"
#include "ui/resource_ids.h"
#include "ui/settings_store.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

using testsupport::Para;
using ui::PlayerWindow;
using ui::PlayState;
namespace fmt = corvane::fmt;
namespace ids = ui::ids;

class StillsHelpTest : public testing::Test {
 protected:
  void SetUp() override { uitest::ClearStore(); }
  void TearDown() override { QCoreApplication::processEvents(); }

  // Stores the settings the next capture (and the next start) loads.
  static void Store(const QString& captureFolder, int captureType, int displayType = 4) {
    ui::PlayerSettings s;
    s.capturePath = captureFolder;
    s.captureType = captureType;
    s.displayType = displayType;
    ui::SettingsStore::Save(s);
  }
  // A window paused on frame 1 of a fresh clip with a trailer.
  std::unique_ptr<PlayerWindow> OpenPaused(const corvane::YUVPara& para) {
    const QString clip = QString::fromStdString(m_dir.File("clip.yuv"));
    uitest::WriteClip(clip.toStdString(), para, 3, true);
    auto w = std::make_unique<PlayerWindow>(clip);
    w->Initialize();
    EXPECT_EQ(w->View().state, PlayState::Playing);
    w->OnButton(ids::kBtnPause);
    EXPECT_EQ(w->Graph()->SeekToFrame(1), corvane::kOk);
    return w;
  }
  static std::vector<uint8_t> ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::vector<uint8_t>(b.begin(), b.end());
  }
  // The still the graph makes of the frame on screen, in a roomy buffer.
  static std::vector<uint8_t> Expected(PlayerWindow& w, bool jpeg) {
    std::vector<uint8_t> buf(8 << 20);
    uint32_t len = 0;
    const int32_t r = jpeg ? w.Graph()->CaptureJPEG(buf.data(), uint32_t(buf.size()), &len, 100)
                           : w.Graph()->CaptureBMP(buf.data(), uint32_t(buf.size()), &len);
    EXPECT_EQ(r, corvane::kOk);
    buf.resize(r == corvane::kOk ? len : 0);
    return buf;
  }
  static QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
  }

  // The capture button: the still is encoded and written on the session's
  // seeker, what goes wrong told on the GUI thread.
  static void Capture(PlayerWindow& w) {
    w.OnButton(ids::kBtnCapture);
    ASSERT_TRUE(w.Session()->WaitForSeeks(std::chrono::seconds(10)));
    QCoreApplication::processEvents();
  }

  testsupport::TempDir m_dir;
};

// ---- Still capture ---------------------------------------------------------------

TEST_F(StillsHelpTest, CapturesAreNumberedPerTypeAndSkipExistingFiles) {
  uitest::PromptsScope prompts;
  const QString shots = QString::fromStdString(m_dir.File("shots"));
  QDir().mkpath(shots);
  // Left by an earlier run: kept, and its number skipped.
  testsupport::WriteBytes((shots + "/capture00.bmp").toStdString(), {'o', 'l', 'd'});
  auto w = OpenPaused(Para(fmt::YV12, 176, 144));

  struct Row {
    QString folder;  // empty: the home folder
    int type;
    const char* file;
    uint32_t bmpAfter, jpegAfter;
  };
  const Row rows[] = {
      {shots, 0, "capture01.bmp", 2, 0}, {shots, 0, "capture02.bmp", 3, 0},   {shots, 1, "capture00.jpg", 3, 1},
      {shots, 0, "capture03.bmp", 4, 1}, {QString(), 1, "capture01.jpg", 4, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    Store(r.folder, r.type);
    const QString folder = r.folder.isEmpty() ? QDir::homePath() : r.folder;
    const qsizetype before = Files(folder).size();
    Capture(*w);
    const QString path = QDir(folder).filePath(QString::fromLatin1(r.file));
    EXPECT_EQ(ReadAll(path), Expected(*w, r.type != 0));
    EXPECT_EQ(Files(folder).size(), before + 1);
    EXPECT_EQ(w->Stills()->BmpCount(), r.bmpAfter);
    EXPECT_EQ(w->Stills()->JpegCount(), r.jpegAfter);
    if (r.folder.isEmpty()) QFile::remove(path);
  }
  EXPECT_EQ(ReadAll(shots + "/capture00.bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_TRUE(prompts.log->messages.empty());
  EXPECT_EQ(w->View().state, PlayState::Paused);
}

// With a second file compared, a still is of the picture on screen and its
// name says which: B's frame, the difference picture, both frames side by
// side or with the wipe, A's frame with A alone.
TEST_F(StillsHelpTest, ComparedStillsAreOfThePictureOnScreen) {
  uitest::PromptsScope prompts;
  const QString shots = QString::fromStdString(m_dir.File("shots"));
  QDir().mkpath(shots);
  const corvane::YUVPara para = Para(fmt::YV12, 176, 144);
  auto w = OpenPaused(para);
  // B: the pattern five frames on, so every frame differs from A's.
  std::vector<uint8_t> b;
  for (uint32_t i = 0; i < 3; ++i) {
    const std::vector<uint8_t> f = corvane::MakePatternFrame(para, i + 5);
    b.insert(b.end(), f.begin(), f.end());
  }
  const std::vector<uint8_t> bFrame(b.begin(), b.begin() + ptrdiff_t(b.size() / 3));
  const std::vector<uint8_t> t = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&para, 1));
  b.insert(b.end(), t.begin(), t.end());
  testsupport::WriteBytes(m_dir.File("b.yuv"), b);
  ASSERT_TRUE(w->Compare().OpenReferenceFile(QString::fromStdString(m_dir.File("b.yuv"))));

  // What the still encoder makes of B's frame 1 and of the difference picture
  // of A's frame 1 and B's (128 + |A - B|, 8-bit 4:4:4, converted as shown).
  const auto bmpOf = [](corvane::YUVType type, const std::vector<uint8_t>& frame) {
    corvane::StillEncoder encoder;
    encoder.SetPictureConverter(corvane::DisplayPictureConverter({}));
    std::vector<uint8_t> out(size_t(corvane::StillEncoder::BmpFileSize(type, 176, 144)));
    uint32_t len = 0;
    EXPECT_EQ(encoder.EncodeBMP(type, frame.data(), uint32_t(frame.size()), 176, 144, out.data(), uint32_t(out.size()),
                                &len),
              corvane::kOk);
    return out;
  };
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t frameSize = 0;
  corvane::YUVPara p = para;
  ASSERT_TRUE(corvane::GetTypeAndFrameSize(&p, &type, &frameSize));
  const std::vector<uint8_t> aBmp = Expected(*w, false);
  const std::vector<uint8_t> bBmp = bmpOf(type, bFrame);
  std::vector<uint8_t> diff, scratch[2];
  const std::vector<uint8_t> aFrame = corvane::MakePatternFrame(para, 0);
  namespace an = corvane::analysis;
  const corvane::YUVType diffType =
      an::DifferencePicture(an::ToPlanar(type, 176, 144, aFrame.data(), &scratch[0], 8),
                            an::ToPlanar(type, 176, 144, bFrame.data(), &scratch[1], 8), 1, &diff);
  ASSERT_EQ(diffType, corvane::YUV_I444);
  const std::vector<uint8_t> diffBmp = bmpOf(diffType, diff);
  ASSERT_NE(aBmp, bBmp);

  Store(shots, 0);
  const struct {
    ui::Command view;
    std::vector<std::pair<const char*, const std::vector<uint8_t>*>> files;
  } rows[] = {
      {ui::Command::ViewB, {{"capture00_b.bmp", &bBmp}}},
      {ui::Command::ViewDiff, {{"capture01_diff.bmp", &diffBmp}}},
      {ui::Command::ViewSide, {{"capture02_a.bmp", &aBmp}, {"capture02_b.bmp", &bBmp}}},
      {ui::Command::ViewWipe, {{"capture03_a.bmp", &aBmp}, {"capture03_b.bmp", &bBmp}}},
      {ui::Command::ViewA, {{"capture04_a.bmp", &aBmp}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.files.front().first);
    w->Run(r.view);
    ASSERT_TRUE(w->Session()->Reference()->WaitIdle(std::chrono::seconds(5)));
    const qsizetype before = Files(shots).size();
    Capture(*w);
    EXPECT_EQ(Files(shots).size(), before + qsizetype(r.files.size()));
    for (const auto& [name, bytes] : r.files) EXPECT_EQ(ReadAll(shots + "/" + name), *bytes) << name;
  }

  // The PNG still side by side: both frames under one number; the clipboard
  // takes them side by side in one picture.
  w->Run(ui::Command::ViewSide);
  ASSERT_TRUE(w->Session()->Reference()->WaitIdle(std::chrono::seconds(5)));
  w->Run(ui::Command::SavePng);
  ASSERT_TRUE(w->Session()->WaitForSeeks(std::chrono::seconds(10)));
  QCoreApplication::processEvents();
  const QImage pngA(shots + "/capture00_a.png"), pngB(shots + "/capture00_b.png");
  ASSERT_EQ(pngA.size(), QSize(176, 144));
  ASSERT_EQ(pngB.size(), QSize(176, 144));
  EXPECT_NE(pngA, pngB);
  ASSERT_TRUE(w->Stills()->CopyToClipboard());
  const QImage both = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(both.size(), QSize(352, 144));
  EXPECT_EQ(both.copy(0, 0, 176, 144), pngA.convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(both.copy(176, 0, 176, 144), pngB.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(prompts.log->messages.empty());
}

TEST_F(StillsHelpTest, RefusedFormatsAndLineDoubledFrames) {
  const QString shots = QString::fromStdString(m_dir.File("shots"));
  struct Row {
    uint32_t format, w, h;
    int type;
    const char* message;  // empty: saved
    uint32_t savedHeight;
  };
  const Row rows[] = {
      {fmt::NV12, 176, 144, 0, "暂不支持该类型的BMP抓图!", 0},
      {fmt::YUYV, 176, 144, 0, "暂不支持该类型的BMP抓图!", 0},
      {fmt::UYVY, 176, 144, 1, "暂不支持该类型的JPEG抓图!", 0},
      {fmt::RGB4, 176, 144, 1, "暂不支持该类型的JPEG抓图!", 0},
      // Line-doubled: 54 + 4·704·576 bytes, more than 5 bytes a pixel.
      {fmt::YV12, 704, 288, 0, "", 576},
      {fmt::YV12, 704, 240, 0, "", 480},
      {fmt::YV12, 704, 288, 1, "", 576},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << corvane::CodeName(r.format) << " " << r.w << "x" << r.h << " type " << r.type);
    uitest::PromptsScope prompts;
    QDir(shots).removeRecursively();
    QDir().mkpath(shots);
    Store(shots, r.type);
    auto w = OpenPaused(Para(r.format, r.w, r.h));
    Capture(*w);
    if (*r.message) {
      EXPECT_EQ(prompts.log->messages, std::vector<QString>{QString::fromUtf8(r.message)});
      EXPECT_TRUE(Files(shots).isEmpty());
      EXPECT_EQ(w->Stills()->BmpCount() + w->Stills()->JpegCount(), 0u);
      continue;
    }
    EXPECT_TRUE(prompts.log->messages.empty());
    const std::vector<uint8_t> still = ReadAll(shots + (r.type ? "/capture00.jpg" : "/capture00.bmp"));
    EXPECT_EQ(still, Expected(*w, r.type != 0));
    if (r.type == 0) {
      ASSERT_EQ(still.size(), 54u + 4u * r.w * r.savedHeight);
      int32_t height = 0;
      std::memcpy(&height, still.data() + 22, 4);  // biHeight: positive, bottom-up
      EXPECT_EQ(uint32_t(height), r.savedHeight);
    }
  }
}

// ---- Coordinate window ------------------------------------------------------------

TEST(FramePixelAt, MapsThroughThePictureRectangle) {
  struct Row {
    int mode, x, y;
    QSize widget;
    bool inside;
    int fx, fy;
  };
  // 352×288 in 800×300 at 4:3: the picture is 400×300 at x 200..599; at the
  // frame's own ratio 366×300 at x 217..582; filling, the whole area.
  const QSize wide(800, 300);
  const Row rows[] = {
      {2, 100, 150, wide, false, 0, 0}, {2, 199, 0, wide, false, 0, 0},      {2, 600, 10, wide, false, 0, 0},
      {2, 200, 0, wide, true, 0, 0},    {2, 599, 299, wide, true, 351, 287}, {2, 400, 150, wide, true, 176, 144},
      {4, 216, 10, wide, false, 0, 0},  {4, 217, 0, wide, true, 0, 0},       {4, 582, 299, wide, true, 351, 287},
      {0, 0, 0, wide, true, 0, 0},      {0, 799, 299, wide, true, 351, 287}, {0, 800, 0, wide, false, 0, 0},
      {0, -1, 5, wide, false, 0, 0},    {2, 0, 0, QSize(0, 0), false, 0, 0},
      // A window clamped to a small screen shows the frame scaled down.
      {0, 175, 143, QSize(176, 144), true, 351, 287},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "mode " << r.mode << " at " << r.x << "," << r.y);
    const std::optional<QPoint> p = ui::FramePixelAt(QPoint(r.x, r.y), r.widget, r.mode, 352, 288);
    ASSERT_EQ(p.has_value(), r.inside);
    if (r.inside) {
      EXPECT_EQ(*p, QPoint(r.fx, r.fy));
    }
  }
}

TEST_F(StillsHelpTest, CoordinateWindowReadsThePixelUnderThePointer) {
  uitest::PromptsScope prompts;
  Store(QString(), 0, /*4:3*/ 2);
  auto w = OpenPaused(Para(fmt::YV12, 352, 288));
  w->OnMenuCommand(ids::kViewZoom200);
  w->OnMenuCommand(ids::kToolsCoordinates);
  ui::CoordinateWindow* c = w->Coordinates()->Window();
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(c->isVisible());
  EXPECT_EQ(c->windowTitle(), QString::fromUtf8("YUV坐标显示"));
  // Back at 100 %, and held there.
  EXPECT_EQ(w->Video()->size(), QSize(352, 288));
  EXPECT_TRUE(w->Action(ids::kViewZoom100)->isChecked());
  w->OnMenuCommand(ids::kViewZoom200);
  EXPECT_EQ(w->Video()->size(), QSize(352, 288));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());

  auto move = [&](int x, int y) {
    const QPoint at = w->Video()->pos() + QPoint(x, y);
    QMouseEvent e(QEvent::MouseMove, at, w->centralWidget()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w->centralWidget(), &e);
  };
  auto valuesAt = [&](int x, int y) {
    int v[3];
    w->Graph()->GetPixelValue(uint32_t(x), uint32_t(y), &v[0], &v[1], &v[2]);
    return QStringList{QString::number(v[0]), QString::number(v[1]), QString::number(v[2])};
  };
  // At 4:3 the 352×288 area shows a 352×264 picture between 12-row bars.
  struct Row {
    int x, y;
    const char* position;
    int fx, fy;  // the frame pixel whose values show
  };
  const Row rows[] = {
      {5, 5, "", 0, 0},                 // top bar: nothing yet
      {40, 12, "40*0", 40, 0},          // first picture row
      {200, 150, "200*151", 200, 151},  // (150 − 12 + ½) · 288 / 264
      {300, 280, "200*151", 200, 151},  // bottom bar: the last pixel stays
      {351, 275, "351*287", 351, 287},  // the last row is reached
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
    move(r.x, r.y);
    EXPECT_EQ(c->PositionText(), QString::fromLatin1(r.position));
    if (*r.position) {
      EXPECT_EQ((QStringList{c->ValueText(0), c->ValueText(1), c->ValueText(2)}), valuesAt(r.fx, r.fy));
    }
  }

  // Choosing "U" in the window is the view menu's command, and the menu's
  // choice shows in the window.
  emit c->ComponentList()->activated(2);
  EXPECT_TRUE(w->Action(ids::kViewComponentU)->isChecked());
  EXPECT_EQ(w->Graph()->GetComponentMode(), 2u);
  w->OnMenuCommand(ids::kViewComponentY);
  EXPECT_EQ(c->ComponentList()->currentIndex(), 1);

  // The close box hides it and frees the size; reopening keeps its values.
  c->close();
  ASSERT_TRUE(uitest::WaitFor([&] { return !c->isVisible(); }));
  EXPECT_NE(w->minimumSize(), w->maximumSize());
  w->OnMenuCommand(ids::kToolsCoordinates);
  EXPECT_TRUE(c->isVisible());
  EXPECT_EQ(c->PositionText(), QStringLiteral("351*287"));
  EXPECT_EQ(c->ComponentList()->currentIndex(), 1);

  // Stopping hides it; its list and the menu item are disabled.
  w->OnButton(ids::kBtnStop);
  EXPECT_FALSE(c->isVisible());
  EXPECT_FALSE(c->ComponentList()->isEnabled());
  EXPECT_FALSE(w->Action(ids::kToolsCoordinates)->isEnabled());
  EXPECT_NE(w->minimumSize(), w->maximumSize());
}

// ---- Help menu ----------------------------------------------------------------------

TEST_F(StillsHelpTest, HelpAndAboutDialogsShowTheirTexts) {
  uitest::PromptsScope prompts;
  const char* const kLines[] = {
      "左键双击:      正常视图<->全屏",
      "空格:                      播放<->暂停",
      ".(句号):                  停止",
      "方向上键:              暂停",
      "方向下键:              播放",
      "Home键:                 调至第一帧",
      "End键:                    调至最末帧",
      "方向左键:              单帧回退",
      "方向右键:              单帧步进",
      "Ctrl + C:                  关闭文件",
      "Ctrl + O:                  打开文件",
      "Ctrl + T:                   剪切文件",
      "Ctrl + M:                  拼接文件",
      "Ctrl + One:              半数尺寸",
      "Ctrl + Two:              原始尺寸",
      "Ctrl + Three:           两倍尺寸",
  };
  QStringList expected;
  for (const char* l : kLines) expected << QString::fromUtf8(l);
  // Then every other key of the command table, its words made from the
  // table (the written line of the same command, or its menu item).
  const char* const kAdded[] = {
      "Ctrl+←:  调至第一帧", "Ctrl+→:  调至最末帧", "F2:  全屏",   "Esc:  退出全屏", "Enter:  跳至输入的帧号",
      "小键盘0-9:  输入帧号", "+ / =:  放大",         "-:  缩小",     "Ctrl+G:  转到帧...", "Ctrl+Shift+C:  复制画面",
      "A:  只看A",           "B:  只看B",            "S:  并排",     "W:  划像",        "D:  差值",
      "F:  A/B切换",
  };
  for (const char* l : kAdded) expected << QString::fromUtf8(l);

  auto w = std::make_unique<PlayerWindow>();
  w->Initialize();
  struct Row {
    int id;
    const char* object;
    const char* title;
    std::function<void(QDialog*)> check;
  };
  const Row rows[] = {
      {ids::kHelpShortcuts, "helpDialog", "帮助",
       [&](QDialog* d) {
         // Two columns of one grid: the keys, then what they do, each line
         // on its own row; joined again they give the written lines. The
         // lines made from the table stand in the next two columns.
         auto* grid = d->findChild<QGridLayout*>();
         ASSERT_NE(grid, nullptr);
         QStringList shown;
         for (int i = 1; i <= int(expected.size()) + 1; ++i) {
           auto* key = d->findChild<QLabel*>(QStringLiteral("key%1").arg(i));
           auto* what = d->findChild<QLabel*>(QStringLiteral("line%1").arg(i));
           if (!key || !what) continue;
           int row = -1, column = -1, rs = 0, cs = 0;
           grid->getItemPosition(grid->indexOf(what), &row, &column, &rs, &cs);
           const int written = int(std::size(kLines));
           const QPoint at = i <= written ? QPoint(0, i - 1) : QPoint(2, i - 1 - written);
           EXPECT_EQ(QPoint(column, row), at + QPoint(1, 0));
           grid->getItemPosition(grid->indexOf(key), &row, &column, &rs, &cs);
           EXPECT_EQ(QPoint(column, row), at);
           EXPECT_FALSE(what->text().startsWith(u' '));
           shown << key->text() + u' ' + what->text();
         }
         QStringList joined;
         for (const QString& line : expected) {
           const auto [keys, meaning] = ui::HelpDialog::SplitLine(line);
           EXPECT_EQ(line.simplified(), (keys + u' ' + meaning).simplified());
           EXPECT_FALSE(meaning.isEmpty()) << line.toStdString();
           joined << keys + u' ' + meaning;
         }
         EXPECT_EQ(shown, joined);
       }},
      {ids::kHelpAbout, "aboutDialog", "关于 Corvane",
       [&](QDialog* d) {
         auto* version = d->findChild<QLabel*>(QStringLiteral("version"));
         ASSERT_NE(version, nullptr);
         EXPECT_EQ(version->text(), QStringLiteral("Corvane Version: 1.0.0.1 beta"));
         auto* package = d->findChild<QLabel*>(QStringLiteral("packageVersion"));
         ASSERT_NE(package, nullptr);
         EXPECT_EQ(package->text(), QStringLiteral("（软件包 " CORVANE_PACKAGE_VERSION "）"));
         auto* icon = d->findChild<QLabel*>(QStringLiteral("icon"));
         ASSERT_NE(icon, nullptr);
         EXPECT_FALSE(icon->pixmap().isNull());
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.object);
    bool seen = false;
    // The menu runs the dialog modally: look at it from inside its loop.
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!d) return;
      seen = true;
      EXPECT_EQ(d->objectName(), QString::fromLatin1(r.object));
      EXPECT_EQ(d->windowTitle(), QString::fromUtf8(r.title));
      r.check(d);
      d->accept();
    });
    w->OnMenuCommand(r.id);
    EXPECT_TRUE(seen);
  }
}

TEST_F(StillsHelpTest, UserManualIsFoundOrReportedMissing) {
  testsupport::TempDir data;
  const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.File("home")));
  qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(data.File("system")));
  auto w = std::make_unique<PlayerWindow>();
  w->Initialize();
  const QString installed = QString::fromStdString(data.File("system")) + "/corvane/" + ui::kManualFileName;
  for (bool install : {false, true}) {
    SCOPED_TRACE(install);
    uitest::PromptsScope prompts;
    if (install) {
      QDir().mkpath(QFileInfo(installed).path());
      testsupport::WriteBytes(installed.toStdString(), {'%', 'P', 'D', 'F'});
    }
    w->OnMenuCommand(ids::kHelpManual);
    if (install) {
      EXPECT_TRUE(prompts.log->messages.empty());
      EXPECT_EQ(prompts.log->openedDocuments, std::vector<QString>{installed});
    } else {
      EXPECT_EQ(prompts.log->messages, std::vector<QString>{QString::fromUtf8("找不到用户手册!")});
      EXPECT_TRUE(prompts.log->openedDocuments.empty());
    }
  }
  {
    // An opener that finds no viewer (xdg-open's "no method available"):
    // the user is told where the manual is.
    SCOPED_TRACE("no viewer");
    uitest::PromptsScope prompts;
    prompts.log->realOpener = true;
    const std::string bin = data.File("bin");
    std::filesystem::create_directories(bin);
    const std::string opener = bin + "/xdg-open";
    const std::string script = "#!/bin/sh\necho 'xdg-open: no method available for opening' >&2\nexit 3\n";
    testsupport::WriteBytes(opener, std::vector<uint8_t>(script.begin(), script.end()));
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin) + ":" + oldPath);
    w->OnMenuCommand(ids::kHelpManual);
    EXPECT_TRUE(uitest::WaitFor([&] { return !prompts.log->messages.empty(); }));
    qputenv("PATH", oldPath);
    ASSERT_EQ(prompts.log->messages.size(), 1u);
    EXPECT_TRUE(prompts.log->messages[0].endsWith(installed)) << prompts.log->messages[0].toStdString();
    EXPECT_EQ(prompts.log->kinds, std::vector<ui::MessageKind>{ui::MessageKind::kWarning});
  }
  for (const auto& [name, old] : {std::pair{"XDG_DATA_HOME", oldHome}, std::pair{"XDG_DATA_DIRS", oldDirs}}) {
    if (old.isEmpty())
      qunsetenv(name);
    else
      qputenv(name, old);
  }
}

}  // namespace

namespace {

// Qt's own dialogs speak the program's language: the file chooser's texts
// come from Qt's Chinese catalogue.
TEST(QtTranslations, QtsOwnDialogTextsAreChinese) {
  QTranslator* qt = ui::InstallQtTranslations();
  ASSERT_NE(qt, nullptr) << "Qt's qtbase_zh_CN catalogue is missing (qt6-translations-l10n)";
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QString::fromUtf8("打开"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
  QCoreApplication::removeTranslator(qt);
  delete qt;
}

}  // namespace

namespace {

// The real message boxes: the icon of the message's kind, a frame with a
// close button only, and room for the whole caption however short the text.
TEST(DialogPrompts, MessageBoxesShowTheirKindAndTheWholeCaption) {
  const std::pair<ui::MessageKind, QMessageBox::Icon> kinds[] = {
      {ui::MessageKind::kInformation, QMessageBox::Information},
      {ui::MessageKind::kWarning, QMessageBox::Warning},
      {ui::MessageKind::kError, QMessageBox::Critical},
  };
  for (const auto& [kind, icon] : kinds) {
    SCOPED_TRACE(int(icon));
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = true;
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Corvane"));
      EXPECT_EQ(box->icon(), icon);
      EXPECT_GE(box->width(), ui::DialogPrompts::kMinMessageWidth);
      EXPECT_FALSE(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
      EXPECT_TRUE(box->windowFlags() & Qt::WindowCloseButtonHint);
      box->accept();
    });
    ui::DialogPrompts().ShowMessage(nullptr, QString::fromUtf8("打开文件失败\n"), kind);
    EXPECT_TRUE(seen);
  }
}

}  // namespace
