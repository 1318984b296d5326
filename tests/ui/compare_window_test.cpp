// Comparing in the window on the offscreen platform: B opened beside the
// file, the side-by-side view doubling the picture area and giving it back,
// the graph below the picture, the CSV export, a Shift+drop as the road to
// B, and closing the file closing B.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <filesystem>

#include "session/player_session.h"
#include "support/para.h"
#include "support/temp_dir.h"
#include "ui/player_window.h"
#include "ui/quality_graph.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

using corvane::fmt::YV12;
using ui::Command;

TEST(CompareWindow, ViewsGraphExportAndDrop) {
  uitest::ClearStore();
  testsupport::TempDir dir;
  const QString a = QString::fromStdString(dir.File("a.yuv")), b = QString::fromStdString(dir.File("b.yuv"));
  uitest::WriteClip(a.toStdString(), testsupport::Para(YV12, 160, 120), 20, true);
  uitest::WriteClip(b.toStdString(), testsupport::Para(YV12, 160, 120), 12, true);
  uitest::PromptsScope prompts;
  const auto& log = prompts.log;
  ui::PlayerWindow w(a);
  w.Initialize();
  ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
  w.Run(Command::Pause);
  w.UpdateControls();
  ASSERT_TRUE(w.OpenReferenceFile(b));
  EXPECT_TRUE(log->messages.empty());
  EXPECT_TRUE(w.GraphPanel()->isVisible());
  EXPECT_EQ(w.Video()->size(), QSize(160, 120));
  // The status line names the picture shown.
  w.Run(Command::ViewFlip);
  EXPECT_TRUE(w.StatusFacts().startsWith(QStringLiteral("B I420 160×120"))) << w.StatusFacts().toStdString();

  // Side by side: the area doubles in width, each pane half of it; A alone gives it back.
  w.Run(Command::ViewSide);
  w.UpdateControls();
  EXPECT_EQ(w.Video()->CurrentLayout(), ui::VideoWidget::Layout::kSide);
  EXPECT_EQ(w.Video()->size(), QSize(320, 120));
  EXPECT_EQ(w.Video()->PaneRect(1), QRect(160, 0, 160, 120));
  // The wipe's line follows a drag that starts on it.
  w.Run(Command::ViewWipe);
  w.UpdateControls();
  ASSERT_EQ(w.Video()->WipeX(), 80);
  for (auto [type, x] : {std::pair{QEvent::MouseButtonPress, 82}, {QEvent::MouseMove, 40}, {QEvent::MouseButtonRelease, 40}}) {
    const QPointF p = w.Video()->mapTo(w.centralWidget(), QPoint(x, 60));
    QMouseEvent e(type, p, w.centralWidget()->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.centralWidget(), &e);
  }
  EXPECT_EQ(w.Video()->WipeX(), 40);
  w.Run(Command::ViewA);
  w.UpdateControls();
  EXPECT_EQ(w.Video()->size(), QSize(160, 120));

  // The figures of every frame both files have, as CSV.
  ASSERT_TRUE(uitest::WaitFor([&] { return w.Session()->Track().Done(); }));
  log->saveChoice = QString::fromStdString(dir.File("q.csv"));
  w.Run(Command::ExportCsv);
  QFile csv(*log->saveChoice);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  EXPECT_EQ(lines[0], "frame,psnr_y,psnr_u,psnr_v,psnr_avg,mse_y,mse_u,mse_v,mse_avg");
  EXPECT_EQ(lines.size(), 14);  // the header, 12 frames, the empty end

  // A file dropped with Shift held becomes B; the open file stays.
  w.Run(Command::CloseReference);
  w.UpdateControls();
  EXPECT_FALSE(w.GraphPanel()->isVisible());
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(b)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&w, &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&w, &drop);
  EXPECT_TRUE(w.Session()->HasReference());
  EXPECT_EQ(w.FilePath(), a);

  w.Run(Command::Close);
  w.UpdateControls();
  EXPECT_FALSE(w.Session()->HasReference());
  EXPECT_FALSE(w.GraphPanel()->isVisible());
}

// An export never replaces a file that is compared, whatever the name it is
// chosen by; asked nothing, it says so. One that fails says the real reason,
// as does a B that cannot be opened.
TEST(CompareWindow, ExportsRefuseTheComparedFilesAndSayWhyTheyFail) {
  uitest::ClearStore();
  testsupport::TempDir dir;
  const std::string a = dir.File("a.yuv"), b = dir.File("b.yuv");
  uitest::WriteClip(a, testsupport::Para(YV12, 64, 48), 4, true);
  uitest::WriteClip(b, testsupport::Para(YV12, 64, 48), 4, true);
  std::filesystem::create_symlink(a, dir.File("link.csv"));
  std::filesystem::create_hard_link(b, dir.File("hard.log"));
  std::filesystem::create_directories(dir.File("busy.csv.part/inside"));  // the temporary name is taken
  const auto aBytes = testsupport::ReadBytes(a), bBytes = testsupport::ReadBytes(b);
  uitest::PromptsScope prompts;
  const auto& log = prompts.log;
  ui::PlayerWindow w(QString::fromStdString(a));
  w.Initialize();
  // A B that is not a file says why beneath the written message.
  ASSERT_FALSE(w.OpenReferenceFile(QStringLiteral("/dev/zero")));
  EXPECT_EQ(log->messages, std::vector<QString>{QStringLiteral("打开对比文件失败\nzero")});
  EXPECT_EQ(log->reasons, std::vector<QString>{QStringLiteral("不是普通文件（是管道、设备或套接字）")});
  ASSERT_TRUE(w.OpenReferenceFile(QString::fromStdString(b)));
  ASSERT_TRUE(uitest::WaitFor([&] { return w.Session()->Track().Done(); }));
  const struct {
    std::string target;
    Command command;
    QString message;
  } rows[] = {
      {b, Command::ExportCsv, QStringLiteral("导出失败\n写入%1会毁掉正在对比的文件%1").arg(QString::fromStdString(b))},
      {dir.File("link.csv"), Command::ExportCsv,
       QStringLiteral("导出失败\n写入%1会毁掉正在对比的文件%2").arg(QString::fromStdString(dir.File("link.csv")),
                                                                  QString::fromStdString(a))},
      {dir.File("hard.log"), Command::ExportStats,
       QStringLiteral("导出失败\n写入%1会毁掉正在对比的文件%2").arg(QString::fromStdString(dir.File("hard.log")),
                                                                  QString::fromStdString(b))},
      {dir.File("busy.csv"), Command::ExportCsv, QStringLiteral("导出失败\nIs a directory")},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.target);
    log->messages.clear();
    log->questions.clear();
    log->saveChoice = QString::fromStdString(r.target);
    w.Run(r.command);
    EXPECT_EQ(log->messages, std::vector<QString>{r.message});
    EXPECT_TRUE(log->questions.empty());
    EXPECT_EQ(testsupport::ReadBytes(a), aBytes);
    EXPECT_EQ(testsupport::ReadBytes(b), bBytes);
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("busy.csv.part/inside")));
}

}  // namespace
