// The interface language: chosen from the system's locales, switched from
// the help menu at once (menus, tooltips, status, an open coordinate window,
// Qt's own texts), kept in the settings, and the manual of that language.
#include "ui/language.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTranslator>

#include "controls/color_label.h"
#include "controls/icon_button.h"
#include "ui/coordinate_tool.h"
#include "ui/coordinate_window.h"
#include "ui/custom_size_dialog.h"
#include "ui/go_to_frame_box.h"
#include "ui/prompts.h"
#include "ui/help_dialogs.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "ui/settings_store.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

using testsupport::Para;
using ui::Language;
using ui::PlayerWindow;
namespace ids = ui::ids;

TEST(Language, FirstSystemLocaleDecides) {
  const struct {
    QStringList locales;
    Language want;
  } cases[] = {
      {{}, Language::kChinese},
      {{"C"}, Language::kChinese},
      {{"POSIX"}, Language::kChinese},
      {{"zh-CN", "zh-Hans-CN", "zh"}, Language::kChinese},
      {{"zh-TW"}, Language::kChinese},
      {{"zh-CN", "en-US"}, Language::kChinese},
      {{"en-US", "en-Latn-US", "en"}, Language::kEnglish},
      {{"de-DE", "zh-CN"}, Language::kEnglish},
      {{"ja-JP"}, Language::kEnglish},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::LanguageForLocales(c.locales), c.want) << c.locales.join(',').toStdString();
}

class LanguageTest : public testing::Test {
 protected:
  void SetUp() override { uitest::ClearStore(); }
  void TearDown() override {
    // The other tests expect the source texts and none of Qt's catalogues.
    Apply(Language::kChinese);
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
      QCoreApplication::removeTranslator(t);
    uitest::ClearStore();
  }
  static void Apply(Language language) {
    ui::ApplyLanguage(language);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCoreApplication::processEvents();
  }
  static QString MenuTitle(PlayerWindow& w, int index) { return w.menuBar()->actions().value(index)->text(); }
  static void Choose(PlayerWindow& w, int id) {
    auto* item = w.findChild<QAction*>(QStringLiteral("act%1").arg(id));
    ASSERT_NE(item, nullptr) << id;
    item->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCoreApplication::processEvents();
  }
  testsupport::TempDir m_dir;
};

// Started in English: the menus, the status strip and the window title speak
// it from the start, and the language menu sits at the end of 帮助 / Help.
TEST_F(LanguageTest, WindowStartsInEnglish) {
  Apply(Language::kEnglish);
  PlayerWindow w;
  w.Initialize();
  QStringList titles;
  for (int i = 0; i < 5; ++i) titles << MenuTitle(w, i);
  EXPECT_EQ(titles, QStringList({"File", "Play", "View", "Tools", "Help"}));
  EXPECT_EQ(w.Action(ids::kFileOpen)->text(), "Open   Ctrl+O");
  EXPECT_EQ(w.Action(ids::kViewFullScreen)->text(), "Full Screen   F2");
  EXPECT_EQ(w.Action(ids::kToolsSplice)->text(), "Splice Files   Ctrl+M");
  EXPECT_EQ(w.Action(ids::kHelpShortcuts)->text(), "Shortcuts");
  auto* status = w.findChild<controls::ColorLabel*>(QStringLiteral("status%1").arg(ids::kStatusText));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->Text(), "Ready");
  auto* help = qobject_cast<QMenu*>(w.Action(ids::kHelpAbout)->parent());
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->actions().last()->text(), "Language / 语言");
  EXPECT_EQ(w.findChild<QAction*>("act32806")->text(), "System Language");
  EXPECT_TRUE(w.findChild<QAction*>("act32806")->isChecked());
  // Qt's own texts stay English: no Chinese catalogue of Qt's is installed.
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "Open");
}

// 帮助 › Language / 语言 › English switches a running window at once, with a
// file playing and the coordinate window open, and keeps the choice; 中文
// switches it back.
TEST_F(LanguageTest, MenuSwitchesAtOnceAndIsKept) {
  const QString clip = QString::fromStdString(m_dir.File("clip.yuv"));
  uitest::WriteClip(clip.toStdString(), Para(corvane::fmt::YV12, 64, 48), 50, true);
  PlayerWindow w(clip);
  w.Initialize();
  ASSERT_EQ(w.View().state, ui::PlayState::Playing);
  w.Run(session::Command::Coordinates);
  w.UpdateControls();
  ui::CoordinateWindow* coords = w.Coordinates()->Window();
  ASSERT_NE(coords, nullptr);
  const QString pauseTip = w.Button(ids::kBtnPause)->TooltipText();
  EXPECT_EQ(pauseTip, QString::fromUtf8("暂停"));
  // The menu bar's height follows its texts' font; the picture keeps its
  // size (100 % stays 1:1) in either language.
  const QSize picture = w.Video()->size();
  const int menuBar = w.menuBar()->height();

  Choose(w, ids::kHelpLanguageEnglish);
  EXPECT_NE(w.menuBar()->height(), menuBar);  // else the next line shows nothing
  EXPECT_EQ(w.Video()->size(), picture);
  EXPECT_EQ(ui::CurrentLanguage(), Language::kEnglish);
  EXPECT_EQ(ui::SettingsStore::LoadLanguage(), "en");
  EXPECT_EQ(MenuTitle(w, 0), "File");
  EXPECT_EQ(w.Action(ids::kPlayPlayPause)->text(), "Play/Pause    Space");
  EXPECT_TRUE(w.Action(ids::kPlayPlayPause)->isEnabled());
  EXPECT_EQ(w.Button(ids::kBtnPause)->TooltipText(), "Pause");
  EXPECT_EQ(w.Button(ids::kBtnPause)->toolTip(), "Pause");
  EXPECT_EQ(w.Button(ids::kBtnRepeat)->TooltipText(), "Repeat");
  EXPECT_EQ(coords->windowTitle(), "YUV Coordinates");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "Open");
  EXPECT_TRUE(w.findChild<QAction*>("act32808")->isChecked());
  EXPECT_EQ(ui::StoredLanguageChoice(), ui::LanguageChoice::kEnglish);

  Choose(w, ids::kHelpLanguageChinese);
  EXPECT_EQ(w.Video()->size(), picture);
  EXPECT_EQ(ui::SettingsStore::LoadLanguage(), "zh_CN");
  EXPECT_EQ(MenuTitle(w, 0), QString::fromUtf8("文件"));
  EXPECT_EQ(w.Action(ids::kPlayPlayPause)->text(), QString::fromUtf8("播放/暂停    空格"));
  EXPECT_EQ(w.Button(ids::kBtnPause)->TooltipText(), QString::fromUtf8("暂停"));
  EXPECT_EQ(coords->windowTitle(), QString::fromUtf8("YUV坐标显示"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QString::fromUtf8("打开"));
}

// Each interface speaks one language: the coordinate window's group and
// label, the custom-size dialog's buttons and the file chooser's types, in
// Chinese and in English.
TEST_F(LanguageTest, NoWordOfTheOtherLanguage) {
  // The name filters of the real file chooser, read while it is open.
  auto filters = [] {
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
      if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        seen = chooser->nameFilters();
        chooser->reject();
      }
    });
    ui::DialogPrompts().ChooseFileToOpen(nullptr, QString());
    return seen;
  };
  struct Case {
    Language language;
    const char *group, *label, *ok, *cancel;
    QStringList filters;
  };
  const QString coded = QStringLiteral(
      "(*.mp4 *.m4v *.mov *.mkv *.webm *.ivf *.ts *.m2ts *.mts *.mpg *.mpeg *.264 *.h264 *.avc *.265 *.h265 *.hevc "
      "*.obu *.m2v)");
  const Case cases[] = {
      {Language::kChinese, "显示", "坐标", "确定", "取消",
       {QString::fromUtf8("YUV文件 (*.4cif *.cif *.qcif *.yuv)"), QString::fromUtf8("Y4M文件 (*.y4m)"),
        QString::fromUtf8("视频文件 ") + coded, QString::fromUtf8("所有文件 (*)")}},
      {Language::kEnglish, "Visual", "Coordinate", "OK", "Cancel",
       {"YUV files (*.4cif *.cif *.qcif *.yuv)", "Y4M files (*.y4m)", "Video files " + coded, "All files (*)"}},
  };
  for (const Case& c : cases) {
    Apply(c.language);
    SCOPED_TRACE(c.ok);
    ui::CoordinateWindow coords(nullptr);
    EXPECT_EQ(coords.findChild<QGroupBox*>()->title(), QString::fromUtf8(c.group));
    // Wide enough for its title beside the frame's icon and buttons.
    QFont caption = coords.font();
    caption.setBold(true);
    EXPECT_GE(coords.width(),
              QFontMetrics(caption).horizontalAdvance(coords.windowTitle()) + ui::CoordinateWindow::kCaptionRoom);
    QStringList labels;
    for (QLabel* l : coords.findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains(QString::fromUtf8(c.label))) << labels.join('|').toStdString();
    ui::CustomSizeDialog size;
    EXPECT_EQ(size.findChild<QPushButton*>(QStringLiteral("btn%1").arg(ids::kIdOk))->text(), QString::fromUtf8(c.ok));
    EXPECT_EQ(size.findChild<QPushButton*>(QStringLiteral("btn%1").arg(ids::kIdCancel))->text(),
              QString::fromUtf8(c.cancel));
    EXPECT_EQ(filters(), c.filters);
  }
}

// A refusal in the go-to-frame box and a message box show their whole text
// in either language: each label is at least as large as its text asks.
TEST_F(LanguageTest, ErrorsAreSizedToTheirText) {
  auto whole = [](const QLabel* label) {
    const QSize need = label->sizeHint();
    return label->isVisible() && label->width() >= need.width() && label->height() >= need.height() &&
           label->window()->rect().contains(QRect(label->mapTo(label->window(), QPoint()), label->size()));
  };
  for (const Language language : {Language::kChinese, Language::kEnglish}) {
    Apply(language);
    SCOPED_TRACE(int(language));
    ui::GoToFrameBox box(nullptr, 100, 1);
    box.show();
    auto* hint = box.findChild<QLabel*>(QStringLiteral("frameRange"));
    box.Edit()->setText(QStringLiteral("0"));
    QTest::keyClick(box.Edit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_TRUE(box.isVisible());
    EXPECT_EQ(hint->text(), ui::GoToFrameBox::tr("请输入1到%1之间的帧号。").arg(100));
    EXPECT_TRUE(whole(hint)) << hint->text().toStdString() << " in " << hint->width() << " of "
                             << box.width();

    bool seen = false;
    uitest::WhenModal<QMessageBox>([&](QMessageBox* m) {
      for (const QLabel* l : m->findChildren<QLabel*>())
        if (!l->text().isEmpty()) EXPECT_TRUE(whole(l)) << l->text().toStdString();
      seen = true;
      m->accept();
    });
    ui::DialogPrompts().ShowMessage(nullptr, ui::GoToFrameBox::tr("请输入1到%1之间的帧号。").arg(4000000000u),
                                    ui::MessageKind::kWarning);
    EXPECT_TRUE(seen);
  }
}

// The status strip's text follows the language, and the manual opened is the
// one in the interface's language, or the other when only that one is there.
TEST_F(LanguageTest, StatusAndManualFollowTheLanguage) {
  PlayerWindow w;
  w.Initialize();
  auto* status = w.findChild<controls::ColorLabel*>(QStringLiteral("status%1").arg(ids::kStatusText));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->Text(), QString::fromUtf8("准备就绪"));
  Apply(Language::kEnglish);
  EXPECT_EQ(status->Text(), "Ready");

  const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS");
  qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(m_dir.File("share")));
  const QString folder = QString::fromStdString(m_dir.File("share")) + "/corvane/";
  QDir().mkpath(folder);
  testsupport::WriteBytes((folder + ui::kManualFileName).toStdString(), {'%', 'P', 'D', 'F'});
  EXPECT_EQ(ui::FindUserManual(), folder + ui::kManualFileName);  // English is not there: the Chinese one
  testsupport::WriteBytes((folder + ui::kEnglishManualFileName).toStdString(), {'%', 'P', 'D', 'F'});
  EXPECT_EQ(ui::FindUserManual(), folder + ui::kEnglishManualFileName);
  Apply(Language::kChinese);
  EXPECT_EQ(ui::FindUserManual(), folder + ui::kManualFileName);
  EXPECT_EQ(status->Text(), QString::fromUtf8("准备就绪"));
  if (oldDirs.isEmpty())
    qunsetenv("XDG_DATA_DIRS");
  else
    qputenv("XDG_DATA_DIRS", oldDirs);
}

}  // namespace
