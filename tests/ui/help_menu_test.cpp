// The help menu: the key help and about dialogs and the user manual, found,
// missing or without a viewer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "ui/help_dialogs.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/resource_ids.h"
#include "ui_fixture.h"

namespace {

using ui::PlayerWindow;
namespace ids = ui::ids;

class HelpMenuTest : public testing::Test {
 protected:
  void SetUp() override { uitest::ClearStore(); }
  void TearDown() override { QCoreApplication::processEvents(); }
};

TEST_F(HelpMenuTest, HelpAndAboutDialogsShowTheirTexts) {
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
      "F:  A/B切换",          "F5:  直方图",          "F6:  波形图",  "F7:  矢量图",
      "]:  B偏移+1帧",        "[:  B偏移-1帧",        "\\:  B偏移归零", "Esc:  清除测量区域",
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

TEST_F(HelpMenuTest, UserManualIsFoundOrReportedMissing) {
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
