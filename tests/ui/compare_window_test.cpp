// Comparing in the window on the offscreen platform: B opened beside the
// file, the side-by-side view doubling the picture area and giving it back,
// the graph below the picture, the CSV export, a Shift+drop as the road to
// B, closing the file closing B, and the figures following B's offset (its
// keys) and the region dragged with Shift.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "controls/seek_slider.h"
#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "support/clip.h"
#include "session/player_session.h"
#include "support/para.h"
#include "support/temp_dir.h"
#include "ui/parameter_dialog.h"
#include "ui/open_file_flow.h"
#include "ui/compare_flow.h"
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
  // A opened by a relative name, as from a shell in its folder.
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir.Path().string()));
  ui::PlayerWindow w(QStringLiteral("a.yuv"));
  w.Initialize();
  ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
  w.Run(Command::Pause);
  w.UpdateControls();
  ASSERT_TRUE(w.Compare().OpenReferenceFile(b));
  EXPECT_TRUE(log->messages.empty());
  EXPECT_TRUE(w.Compare().GraphPanel()->isVisible());
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

  // The figures of every frame both files have, as CSV. The chooser offers
  // *.csv and A's name in A's folder as a whole path; a name typed without
  // an extension gets it. The stats file likewise, as *.log.
  // A's signal statistics follow the metrics.
  ASSERT_TRUE(uitest::WaitFor([&] { return w.Session()->Track().Done() && w.Session()->Track().StatisticsDone(); }));
  log->saveChoice = QString::fromStdString(dir.File("q"));
  w.Run(Command::ExportCsv);
  QFile csv(QString::fromStdString(dir.File("q.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  EXPECT_EQ(lines[0], "frame,psnr_y,psnr_u,psnr_v,psnr_avg,mse_y,mse_u,mse_v,mse_avg,YMIN,YLOW,YAVG,YHIGH,YMAX,"
                      "UMIN,ULOW,UAVG,UHIGH,UMAX,VMIN,VLOW,VAVG,VHIGH,VMAX,SATMIN,SATLOW,SATAVG,SATHIGH,SATMAX,"
                      "HUEMED,HUEAVG,YDIF,UDIF,VDIF,YBITDEPTH,UBITDEPTH,VBITDEPTH,TOUT,VREP,BRNG");
  EXPECT_EQ(lines.size(), 14);  // the header, 12 frames, the empty end
  log->saveChoice = QString::fromStdString(dir.File("s"));
  w.Run(Command::ExportStats);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.File("s.log"))));
  EXPECT_EQ(log->exportOffers, (std::vector<QString>{QString::fromStdString(dir.File("a.csv")) + "|CSV文件 (*.csv)|csv",
                                                     QString::fromStdString(dir.File("a_psnr.log")) +
                                                         "|ffmpeg统计文件 (*.log)|log"}));

  // A file dropped with Shift held becomes B; the open file stays.
  w.Run(Command::CloseReference);
  w.UpdateControls();
  EXPECT_FALSE(w.Compare().GraphPanel()->isVisible());
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(b)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&w, &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&w, &drop);
  EXPECT_TRUE(w.Session()->HasReference());
  EXPECT_EQ(QFileInfo(w.Files().FilePath()).absoluteFilePath(), a);

  w.Run(Command::Close);
  w.UpdateControls();
  EXPECT_FALSE(w.Session()->HasReference());
  EXPECT_FALSE(w.Compare().GraphPanel()->isVisible());
  QDir::setCurrent(cwd);
}

// The figures a comparison makes of the files themselves, B shifted by
// `offset`, over `region` when given.
std::vector<corvane::analysis::FrameMetrics> FiguresOf(const std::string& a, const std::string& b,
                                                       const corvane::YUVPara& para, int32_t offset,
                                                       std::optional<corvane::analysis::Region> region) {
  namespace an = corvane::analysis;
  std::unique_ptr<corvane::VideoFile> files[2];
  int opened = 0;
  auto input = [&](const std::string& path) {
    an::CompareInput in;
    in.path = path;
    in.para = para;
    auto file = corvane::OpenVideoFile(path);
    if (file && (*file)->UseParameters(para, true)) files[opened] = std::move(*file);
    in.file = files[opened++].get();
    return in;
  };
  an::CompareOptions options;
  options.metrics = {true, false};
  options.offset = offset;
  options.region = region;
  const an::CompareInput ia = input(a), ib = input(b);
  const auto plan = an::PlanCompare(ia, ib, options);
  std::vector<an::FrameMetrics> frames;
  if (plan) (void)an::RunCompare(ia, ib, options, *plan, [&](const an::FrameMetrics& m) { frames.push_back(m); });
  return frames;
}

// B's frames are A's two frames late: "]" twice pairs them again (every
// frame equal), "[" then pairs B's frame n - 1 with A's frame n, measured
// from A's frame 2, and B's pane shows B's frame of the pair; "\" resets.
// A drag with Shift over the picture sets the region (on whole chroma
// samples), outlined over the picture, and the figures are those of that
// region; Esc clears it. The status line and the graph's header say both.
TEST(CompareWindow, FiguresFollowBsOffsetAndTheShiftDraggedRegion) {
  uitest::ClearStore();
  testsupport::TempDir dir;
  const corvane::YUVPara para = testsupport::Para(YV12, 64, 48);
  const std::string a = dir.File("a.yuv"), b = dir.File("b.yuv");
  uitest::WriteClip(a, para, 10, true);
  std::vector<uint8_t> late;
  for (uint32_t n = 0; n < 10; ++n) {
    const std::vector<uint8_t> f = corvane::MakePatternFrame(para, n < 2 ? 40 + n : n - 2);
    late.insert(late.end(), f.begin(), f.end());
  }
  const std::vector<uint8_t> trailer = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&para, 1));
  late.insert(late.end(), trailer.begin(), trailer.end());
  testsupport::WriteBytes(b, late);
  uitest::PromptsScope prompts;
  ui::PlayerWindow w(QString::fromStdString(a));
  w.Initialize();
  ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
  w.Run(Command::Pause);
  w.UpdateControls();
  ASSERT_TRUE(w.Compare().OpenReferenceFile(QString::fromStdString(b)));
  const session::QualityTrack& track = w.Session()->Track();
  auto measured = [&] { return uitest::WaitFor([&] { return track.Done(); }) ? track.Results() : decltype(track.Results()){}; };
  auto key = [&](Qt::Key k) {
    QTest::keyClick(w.Slider(), k);
    QCoreApplication::processEvents();
  };
  ASSERT_GT(measured().front().mseAverage, 0.0);

  key(Qt::Key_BracketRight);
  key(Qt::Key_BracketRight);
  EXPECT_EQ(w.View().offset, 2);
  std::vector<corvane::analysis::FrameMetrics> frames = measured();
  ASSERT_EQ(frames.size(), 8u);
  for (const auto& f : frames) EXPECT_EQ(f.mseAverage, 0.0) << "A's frame " << f.frame;
  EXPECT_TRUE(w.StatusFacts().contains(QString::fromUtf8("B偏移+2帧"))) << w.StatusFacts().toStdString();
  // B's pane shows B's frame 3 beside A's frame 1: A's own picture.
  ASSERT_TRUE(w.Session()->Reference()->WaitIdle(std::chrono::seconds(5)));
  const std::vector<uint8_t> first = corvane::MakePatternFrame(para, 0);
  int samples[3] = {};
  ASSERT_EQ(w.View().frame, 1u);
  ASSERT_TRUE(w.Session()->ReferenceSamplesAt(37, 21, samples));
  EXPECT_EQ(samples[0], first[21 * 64 + 37]);

  key(Qt::Key_BracketLeft);
  key(Qt::Key_BracketLeft);
  key(Qt::Key_BracketLeft);
  EXPECT_EQ(w.View().offset, -1);
  frames = measured();
  const auto expected = FiguresOf(a, b, para, -1, std::nullopt);
  ASSERT_EQ(frames.size(), 9u);
  ASSERT_EQ(expected.size(), 9u);
  EXPECT_EQ(track.Pairs().firstFrame, 2u);
  for (size_t k = 0; k < frames.size(); ++k) {
    EXPECT_EQ(frames[k].frame, k + 2);
    EXPECT_EQ(frames[k].mseAverage, expected[k].mseAverage) << "A's frame " << frames[k].frame;
  }
  // The graph's header says the offset; its x axis runs over A's frames 2 to 10.
  ui::QualityGraph* graph = w.Compare().GraphPanel();
  graph->Poll();
  EXPECT_TRUE(graph->LayOut().legend.back().text.contains(QString::fromUtf8("B偏移-1帧")));
  const QRect plot = graph->LayOut().plot;
  EXPECT_EQ(graph->XOf(2), plot.left());
  EXPECT_EQ(graph->XOf(10), plot.right());
  EXPECT_EQ(graph->FrameAt(plot.left()), 2u);
  EXPECT_EQ(graph->XOf(1), -1);
  key(Qt::Key_Backslash);
  EXPECT_EQ(w.View().offset, 0);
  EXPECT_FALSE(w.StatusFacts().contains(QString::fromUtf8("B偏移")));

  // Shift + drag from frame pixel (11, 7) to (40, 29): 4:2:0 widens it to
  // 30 x 24 from (10, 6).
  const corvane::ViewMapping map = w.Session()->MapView(w.Video()->width(), w.Video()->height());
  auto at = [&](int x, int y) {
    return w.Video()->mapTo(w.centralWidget(), QPoint(int(map.x0 + (x + 0.5) * map.sx), int(map.y0 + (y + 0.5) * map.sy)));
  };
  const std::pair<QEvent::Type, QPoint> drag[] = {
      {QEvent::MouseButtonPress, at(11, 7)}, {QEvent::MouseMove, at(30, 20)}, {QEvent::MouseMove, at(39, 29)},
      {QEvent::MouseButtonRelease, at(39, 29)}};
  for (const auto& [type, p] : drag) {
    QMouseEvent e(type, QPointF(p), w.centralWidget()->mapToGlobal(QPointF(p)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(w.centralWidget(), &e);
  }
  const corvane::analysis::Region region{10, 6, 30, 24};
  ASSERT_EQ(w.View().region, region);
  EXPECT_EQ(w.View().view.step, corvane::kZoomStepWhole);  // the drag did not pan
  frames = measured();
  const auto inRegion = FiguresOf(a, b, para, 0, region);
  ASSERT_EQ(frames.size(), 10u);
  ASSERT_EQ(inRegion.size(), 10u);
  for (size_t k = 0; k < frames.size(); ++k) EXPECT_EQ(frames[k].mse, inRegion[k].mse) << "frame " << k + 1;
  EXPECT_NE(frames[2].mse, FiguresOf(a, b, para, 0, std::nullopt)[2].mse);
  EXPECT_TRUE(w.StatusFacts().contains(QString::fromUtf8("区域30×24+10+6"))) << w.StatusFacts().toStdString();
  const std::vector<QRect> outlines = w.Compare().RegionOutlines();
  ASSERT_EQ(outlines.size(), 1u);
  EXPECT_EQ(outlines[0], QRect(int(map.x0 + 10 * map.sx), int(map.y0 + 6 * map.sy), int(30 * map.sx), int(24 * map.sy)));
  // Side by side, both panes are outlined.
  w.Run(Command::ViewSide);
  w.UpdateControls();
  EXPECT_EQ(w.Compare().RegionOutlines().size(), 2u);
  key(Qt::Key_Escape);
  EXPECT_EQ(w.View().region, std::nullopt);
  EXPECT_TRUE(w.Compare().RegionOutlines().empty());
  frames = measured();
  ASSERT_EQ(frames.size(), 10u);
  EXPECT_EQ(frames[2].mse, FiguresOf(a, b, para, 0, std::nullopt)[2].mse);
  EXPECT_TRUE(prompts.log->messages.empty());
}

// Y4M files on either side: a raw file and its Y4M twin compare as equal
// (no error in any frame: PSNR inf) whichever is A, and B's own facts (its exact
// rate) show when B is shown.
TEST(CompareWindow, AY4mFileComparesWithItsRawTwinOnEitherSide) {
  uitest::ClearStore();
  testsupport::TempDir dir;
  const corvane::YUVPara para = testsupport::Para(YV12, 64, 48, 0, 40);
  const QString raw = QString::fromStdString(dir.File("a.yuv")), y4m = QString::fromStdString(dir.File("a.y4m"));
  uitest::WriteClip(raw.toStdString(), para, 6, true);
  testsupport::WriteY4mClip(y4m.toStdString(), para, 6, {30000, 1001});
  uitest::PromptsScope prompts;
  for (const auto& [a, b] : {std::pair{raw, y4m}, std::pair{y4m, raw}, std::pair{y4m, y4m}}) {
    SCOPED_TRACE(QFileInfo(a).fileName().toStdString() + " against " + QFileInfo(b).fileName().toStdString());
    ui::PlayerWindow w(a);
    w.Initialize();
    ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
    w.Run(Command::Pause);
    ASSERT_TRUE(w.Compare().OpenReferenceFile(b));
    EXPECT_TRUE(w.Session()->MetricsStatus().Ok());
    ASSERT_TRUE(uitest::WaitFor([&] { return w.Session()->Track().Done(); }));
    EXPECT_TRUE(w.Session()->Track().Status().Ok());
    const std::vector<corvane::analysis::FrameMetrics> frames = w.Session()->Track().Results();
    ASSERT_EQ(frames.size(), 6u);
    for (const auto& f : frames) EXPECT_EQ(f.mseAverage, 0.0) << "frame " << f.frame;
    w.Run(Command::ViewFlip);
    const QString rate = b == y4m ? QStringLiteral("29.97") : QStringLiteral("25");
    EXPECT_EQ(w.StatusFacts(), QString::fromUtf8("B I420 64×48 %1帧/秒").arg(rate));
  }
  EXPECT_TRUE(prompts.log->messages.empty());
}

// B without a record or a size in its name: its parameter dialog names it,
// offers A's size and format, and A is paused while it is open and plays on
// after.
TEST(CompareWindow, BsParameterDialogNamesBOffersAsSizeAndPausesA) {
  uitest::ClearStore();
  testsupport::TempDir dir;
  const QString a = QString::fromStdString(dir.File("a.yuv")), b = QString::fromStdString(dir.File("b.yuv"));
  uitest::WriteClip(a.toStdString(), testsupport::Para(corvane::fmt::NV12, 160, 120), 200, true);
  uitest::WriteClip(b.toStdString(), testsupport::Para(corvane::fmt::NV12, 160, 120), 20, false);
  uitest::PromptsScope prompts;
  ui::PlayerWindow w(a);
  w.Initialize();
  ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
  ASSERT_EQ(w.View().state, ui::PlayState::Playing);
  struct Seen {
    QString title, size, format;
    ui::PlayState state = ui::PlayState::NoFile;
  };
  auto seen = std::make_shared<Seen>();
  uitest::WhenModal<ui::ParameterDialog>([seen, &w](ui::ParameterDialog* d) {
    seen->title = d->windowTitle();
    seen->size = d->findChild<QComboBox*>(QStringLiteral("combo1027"))->currentText();
    seen->format = d->findChild<QComboBox*>(QStringLiteral("combo1025"))->currentText();
    seen->state = w.View().state;
    d->accept();
  });
  ASSERT_TRUE(w.Compare().OpenReferenceFile(b));
  EXPECT_EQ(seen->title, QString::fromUtf8("参数设置 — 对比文件 b.yuv"));
  EXPECT_EQ(seen->size, QString::fromUtf8(" 自定义宽高 (160×120)"));
  EXPECT_EQ(seen->format, QStringLiteral("NV12"));
  EXPECT_EQ(seen->state, ui::PlayState::Paused);
  EXPECT_EQ(w.View().state, ui::PlayState::Playing);
  EXPECT_EQ(w.Session()->Reference()->ParaAt(1).width, 160u);
  EXPECT_TRUE(prompts.log->messages.empty());
}

// Two spliced files, 8-bit I420 for three frames and then 10-bit I010: the
// window says so, as corvane-tool compare does, and measures frames 1 to 3.
TEST(CompareWindow, SplicedFilesWhoseDepthChangesAreMeasuredUpToTheChange) {
  uitest::ClearStore();
  testsupport::TempDir dir;
  const auto spliced = [&](const char* name, uint32_t shift) {
    const corvane::YUVPara segments[2] = {testsupport::Para(YV12, 64, 48), testsupport::Para(corvane::fmt::I010, 64, 48)};
    std::vector<corvane::YUVPara> records;
    std::vector<uint8_t> bytes;
    for (const corvane::YUVPara& p : segments) {
      records.push_back(p);
      records.back().SetOffset(bytes.size());
      for (uint32_t n = 0; n < 3; ++n) {
        const std::vector<uint8_t> f = corvane::MakePatternFrame(p, n + shift);
        bytes.insert(bytes.end(), f.begin(), f.end());
      }
    }
    const std::vector<uint8_t> t = corvane::EncodeTrailer(records);
    bytes.insert(bytes.end(), t.begin(), t.end());
    testsupport::WriteBytes(dir.File(name), bytes);
    return QString::fromStdString(dir.File(name));
  };
  const QString a = spliced("a.yuv", 0), b = spliced("b.yuv", 1);
  uitest::PromptsScope prompts;
  ui::PlayerWindow w(a);
  w.Initialize();
  ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
  w.Run(Command::Pause);
  ASSERT_TRUE(w.Compare().OpenReferenceFile(b));
  ASSERT_EQ(prompts.log->messages.size(), 1u);
  EXPECT_EQ(prompts.log->messages[0],
            QString::fromUtf8("比较的样本在第4帧由8位、3个平面变为10位、3个平面，一个汇总不能包含两者（A：第2段 I010 64×48 4:2:0 10位；"
                              "B：第2段 I010 64×48 4:2:0 10位）。\n只计算第1至3帧的PSNR/SSIM。"));
  EXPECT_EQ(prompts.log->kinds[0], ui::MessageKind::kInformation);
  // The graph and the difference view work for the frames measured.
  EXPECT_TRUE(w.Session()->MetricsStatus().Ok());
  EXPECT_TRUE(w.Compare().GraphPanel()->isVisible());
  ASSERT_TRUE(uitest::WaitFor([&] { return w.Session()->Track().Done(); }));
  EXPECT_TRUE(w.Session()->Track().Status().Ok());
  EXPECT_EQ(w.Session()->Track().Count(), 3u);
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
  ASSERT_FALSE(w.Compare().OpenReferenceFile(QStringLiteral("/dev/zero")));
  EXPECT_EQ(log->messages, std::vector<QString>{QStringLiteral("打开对比文件失败\nzero")});
  EXPECT_EQ(log->reasons, std::vector<QString>{QStringLiteral("不是普通文件（是管道、设备或套接字）")});
  ASSERT_TRUE(w.Compare().OpenReferenceFile(QString::fromStdString(b)));
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

// The picture area paints each picture where it lies and black only where
// no picture covers it: a picture smaller than its pane, and a pane with
// none, side by side and alone.
TEST(CompareWindow, PanesShowTheirPicturesAndBlackElsewhere) {
  ui::VideoWidget v;
  v.resize(200, 100);
  v.show();
  QCoreApplication::processEvents();
  auto solid = [](uint32_t w, uint32_t h, uint32_t argb) {
    auto pic = std::make_shared<platform::Picture>(platform::Picture::Make(w, h));
    for (uint32_t y = 0; y < h; ++y) std::fill_n(reinterpret_cast<uint32_t*>(pic->Row(y)), w, argb);
    return pic;
  };
  v.SetLayout(ui::VideoWidget::Layout::kSide, 0);
  v.Present(solid(60, 40, 0xFFFF0000));  // pane 0 is 100 x 100; pane 1 has no picture
  const QImage side = v.grab().toImage();
  EXPECT_EQ(side.pixel(10, 10), 0xFFFF0000u);
  EXPECT_EQ(side.pixel(59, 39), 0xFFFF0000u);
  EXPECT_EQ(side.pixel(60, 10), 0xFF000000u);  // right of the picture, in its pane
  EXPECT_EQ(side.pixel(10, 40), 0xFF000000u);  // below it
  EXPECT_EQ(side.pixel(150, 50), 0xFF000000u);  // the pane without a picture

  v.SetLayout(ui::VideoWidget::Layout::kSingle, 0);
  v.Present(solid(200, 100, 0xFF00FF00));
  const QImage single = v.grab().toImage();
  EXPECT_EQ(single.pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(single.pixel(199, 99), 0xFF00FF00u);
}

}  // namespace
