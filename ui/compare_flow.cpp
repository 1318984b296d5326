#include "ui/compare_flow.h"

#include <QFileInfo>
#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file.h"

#include "ui/coded_open.h"
#include "ui/command_wiring.h"
#include "ui/file_tools.h"
#include "ui/messages.h"
#include "ui/open_file_flow.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/quality_graph.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"

namespace ui {

using session::CompareView;

CompareFlow::CompareFlow(PlayerWindow& window, session::PlayerSession& session, QWidget* client,
                         CommandHandlers& handlers)
    : m_window(window), m_session(session), m_graph(new QualityGraph(client)) {
  m_graph->hide();
  QObject::connect(m_graph, &QualityGraph::frameClicked, &m_window, [this](uint32_t frame) {
    if (m_session.GoToFrame(frame)) m_window.UpdateStatus();
  });
  // The graph fills as the track measures, and its marker follows the frame.
  m_graphTimer.setInterval(100);
  QObject::connect(&m_graphTimer, &QTimer::timeout, &m_window, [this] {
    m_graph->Poll();
    m_graph->SetCurrentFrame(m_session.View().frame);
  });
  m_window.Video()->SetOutlines([this] { return RegionOutlines(); });
  handlers.Add(Command::OpenReference, [this] { ChooseReference(); });
  handlers.Add(Command::ExportCsv, [this] { ExportQuality(false); });
  handlers.Add(Command::ExportStats, [this] { ExportQuality(true); });
}

CompareFlow::~CompareFlow() { m_window.Video()->SetOutlines({}); }

void CompareFlow::ChooseReference() {
  const QString start =
      m_session.HasReference() ? QString::fromStdString(m_session.ReferencePath()) : m_window.Files().FilePath();
  if (const std::optional<QString> path = Prompts::Current().ChooseFileToOpen(&m_window, start)) OpenReferenceFile(*path);
}

bool CompareFlow::RefuseReference(const QString& path, const corvane::VideoFileError& error) {
  const QString text = tr("打开对比文件失败\n%1").arg(QFileInfo(path).fileName());
  QString reason = OpenProblemText(session::ProblemOfOpen(path.toStdString(), error));
  if (reason.isEmpty() && error.error != 0) reason = ErrorText(error.error);
  if (reason.isEmpty())
    Prompts::Current().ShowMessage(&m_window, text, MessageKind::kError);
  else
    Prompts::Current().ShowMessageWithReason(&m_window, text, reason, MessageKind::kError);
  ApplyCompareView();
  return false;
}

bool CompareFlow::OpenReferenceFile(const QString& path) {
  if (!m_session.Graph() || m_session.State() == PlayState::NoFile) return false;
  const session::DefaultParameters defaults = DefaultsOf(m_window.Settings());
  // B's file is opened once (a coded one's index under a progress dialog);
  // the session asks for its parameters (at most once) only when it has no
  // record and the defaults do not apply.
  OpenedVideo opened = CodedOpen::Open(&m_window, path, corvane::FileAccess::kRead, m_session.Decode());
  if (opened.cancelled) return false;
  if (!opened.file) return RefuseReference(path, opened.error);
  bool playing = false;
  const session::ReferenceResult r =
      m_session.OpenReference(std::move(opened.file), defaults, [&]() -> std::optional<corvane::YUVPara> {
        // A stands still while B's parameters are chosen, and plays on after.
        playing = m_session.State() == PlayState::Playing;
        if (playing) {
          m_session.Execute(Command::Pause);
          m_window.UpdateControls();
        }
        corvane::YUVPara chosen{};
        if (!AskReferenceParameters(&m_window, path, m_session.Para(), &chosen)) return std::nullopt;
        return chosen;
      });
  if (playing && m_session.State() == PlayState::Paused) m_session.Execute(Command::Play);
  if (r.outcome == session::ReferenceOutcome::kNeedsParameters) {
    // The parameters were asked for and the dialog declined.
    m_window.UpdateControls();
    return false;
  }
  if (r.outcome != session::ReferenceOutcome::kOpened) {
    const QString text = tr("打开对比文件失败\n%1").arg(QFileInfo(path).fileName());
    // EINVAL: parameters that give no whole frame of B, which the text covers.
    if (r.error != 0 && r.error != EINVAL)
      Prompts::Current().ShowMessageWithReason(&m_window, text, ErrorText(r.error), MessageKind::kError);
    else
      Prompts::Current().ShowMessage(&m_window, text, MessageKind::kError);
    ApplyCompareView();
    return false;
  }
  // B of another size, sampling or depth: no metrics, but side by side.
  if (!m_session.MetricsStatus().Ok()) {
    Prompts::Current().ShowMessage(&m_window, MetricsRefusalText(m_session.MetricsStatus()), MessageKind::kWarning);
    m_session.Execute(Command::ViewSide);
  } else if (const auto limit = m_session.Track().Limit(); !limit.Ok()) {
    // Spliced files that change at a segment: the frames before it are measured.
    Prompts::Current().ShowMessage(&m_window, MetricsLimitText(limit), MessageKind::kInformation);
  }
  ApplyCompareView();
  m_window.UpdateControls();
  return true;
}

QSize CompareFlow::PictureSize(const session::PlayerView& v) const {
  const int w = int(v.pictureWidth), h = int(v.pictureHeight);
  return v.reference && v.compareView == CompareView::kSide ? QSize(2 * w, h) : QSize(w, h);
}

void CompareFlow::ShowShownFacts(const session::PlayerView& v) {
  std::optional<session::FrameFacts> facts = m_session.FactsOf(v.frame);
  if (!v.reference || !facts) {
    m_window.Status()->ShowFrameFacts(facts, v.view);
    return;
  }
  QString shown = QStringLiteral("A");
  if (v.compareView == CompareView::kB) {
    // B's own format, size and rate at this frame.
    const corvane::YUVPara b = m_session.Reference()->ParaAt(uint32_t(std::max<int64_t>(0, int64_t(v.frame) + v.offset)));
    *facts = {};
    facts->format = b.format;
    facts->width = b.width;
    facts->height = b.height;
    facts->interval = b.EffectiveInterval();
    const corvane::VideoFile* file = m_session.Reference()->ReferenceFile();
    if (const corvane::StreamFacts* own = file->Facts()) {
      facts->rate = own->frameRate;
      facts->interlacing = own->interlacing;
      session::AddCodedFacts(own, file->Coded(v.frame), *facts);
    }
    shown = QStringLiteral("B");
  } else if (v.compareView == CompareView::kDiff) {
    shown = QStringLiteral("|A−B|×%1").arg(v.diffGain);
  } else if (v.compareView == CompareView::kSide || v.compareView == CompareView::kWipe) {
    shown = QStringLiteral("A|B");
  }
  if (const QString pairing = QualityGraph::PairingText(v.offset, v.region); !pairing.isEmpty())
    shown += u' ' + pairing;
  m_window.Status()->ShowFrameFacts(facts, v.view, shown);
}

std::optional<corvane::PixelPos> CompareFlow::FramePixelNear(QPoint at, bool inside) const {
  const QRect pane = PaneAt(at);
  const corvane::ViewMapping map = m_session.MapView(pane.width(), pane.height());
  const QPoint local = at - pane.topLeft();
  if (inside) return map.FramePixelAt(local.x(), local.y());
  if (map.frameW == 0 || map.frameH == 0) return std::nullopt;
  return corvane::PixelPos{uint32_t(std::clamp<int64_t>(map.ColumnAt(local.x()), 0, map.frameW - 1)),
                           uint32_t(std::clamp<int64_t>(map.RowAt(local.y()), 0, map.frameH - 1))};
}

bool CompareFlow::BeginRegion(QPoint at) {
  const session::PlayerView v = m_session.View(m_window.Facts());
  if (!v.reference || !m_session.MetricsStatus().Ok() || v.frame == 0) return false;
  m_regionStart = m_regionEnd = FramePixelNear(at, true);
  return m_regionStart.has_value();
}

void CompareFlow::DragRegion(QPoint at) {
  if (!m_regionStart) return;
  if (const auto end = FramePixelNear(at, false)) m_regionEnd = end;
  m_window.Video()->update();
}

void CompareFlow::EndRegion(QPoint at) {
  if (!m_regionStart) return;
  DragRegion(at);
  const std::optional<corvane::analysis::Region> region = OutlinedRegion();
  m_regionStart.reset(), m_regionEnd.reset();
  // A drag this small is a slip of the hand, not a region.
  constexpr uint32_t kSmallest = 16;
  if (region && region->width >= kSmallest && region->height >= kSmallest) m_session.SetCompareRegion(*region);
  m_window.Video()->update();
  m_window.UpdateStatus();
}

std::optional<corvane::analysis::Region> CompareFlow::OutlinedRegion() const {
  if (!m_regionStart || !m_regionEnd) return m_session.View().region;
  const corvane::YUVPara para = m_session.Para();
  corvane::YUVPara copy = para;
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t size = 0;
  corvane::GetTypeAndFrameSize(&copy, &type, &size);
  return corvane::analysis::RegionBetween(m_regionStart->x, m_regionStart->y, m_regionEnd->x, m_regionEnd->y,
                                          corvane::analysis::SamplingOf(type), para.width, para.height);
}

std::vector<QRect> CompareFlow::RegionOutlines() const {
  const std::optional<corvane::analysis::Region> region = OutlinedRegion();
  if (!region || region->width == 0 || region->height == 0 || !m_session.HasReference()) return {};
  VideoWidget* video = m_window.Video();
  const bool side = video->CurrentLayout() == VideoWidget::Layout::kSide;
  std::vector<QRect> outlines;
  for (int pane = 0; pane < (side ? 2 : 1); ++pane) {
    const QRect area = side ? video->PaneRect(pane) : video->rect();
    const corvane::ViewMapping map = m_session.MapView(area.width(), area.height());
    const QPointF topLeft(map.x0 + region->x * map.sx, map.y0 + region->y * map.sy);
    const QSizeF size(region->width * map.sx, region->height * map.sy);
    outlines.push_back(QRectF(topLeft, size).toAlignedRect().translated(area.topLeft()));
  }
  return outlines;
}

QRect CompareFlow::PaneAt(QPoint at) const {
  if (m_window.Video()->CurrentLayout() != VideoWidget::Layout::kSide) return m_window.Video()->rect();
  const QRect right = m_window.Video()->PaneRect(1);
  return at.x() >= right.left() ? right : m_window.Video()->PaneRect(0);
}

void CompareFlow::ApplyCompareView() {
  const session::PlayerView v = m_session.View(m_window.Facts());
  VideoWidget::Layout layout = VideoWidget::Layout::kSingle;
  int shown = 0;
  if (v.reference) {
    switch (v.compareView) {
      case CompareView::kA: break;
      case CompareView::kB:
      case CompareView::kDiff: shown = 1; break;
      case CompareView::kSide: layout = VideoWidget::Layout::kSide; break;
      case CompareView::kWipe: layout = VideoWidget::Layout::kWipe; break;
    }
  }
  const bool wasSide = m_window.Video()->CurrentLayout() == VideoWidget::Layout::kSide;
  m_window.Video()->SetLayout(layout, shown);
  // The graph shows while B is open and its quality is measured.
  const bool graph = v.reference && m_session.MetricsStatus().Ok();
  const bool graphChanged = graph != m_graphTimer.isActive();
  if (graph && !m_graphTimer.isActive()) {
    m_graph->SetTrack(&m_session.Track());
    m_graph->SetBits(BitsOf(m_session));
    m_graphTimer.start();
  } else if (!graph && m_graphTimer.isActive()) {
    m_graphTimer.stop();
    m_graph->SetTrack(nullptr);
    m_graph->SetBits({});
  }
  m_graph->SetShowSsim(v.graphSsim);
  m_graph->setVisible(graph && !v.fullScreen);
  // Side by side at 100 % the window doubles its width (and gives it back).
  const bool side = layout == VideoWidget::Layout::kSide;
  if (v.state != PlayState::NoFile && !v.fullScreen && (graphChanged || side != wasSide))
    m_window.ApplyZoom();
  else
    m_window.LayoutControls();
  // The layout drew a still picture again; a playing one is drawn now too,
  // not only at its next frame.
  if (v.state == PlayState::Playing) m_session.RefreshPictures();
  if (v.state != PlayState::NoFile) ShowShownFacts(v);
  m_window.Video()->update();  // the region's outline, set or cleared
}

void CompareFlow::ExportQuality(bool stats) {
  const session::QualityTrack& track = m_session.Track();
  if (track.Count() == 0) return;
  // Offered in A's folder, named after A (a_640x360.csv, a_640x360_psnr.log),
  // as a whole path: a file opened by a relative name must not give "./…".
  const QFileInfo a(m_window.Files().FilePath());
  const QString suffix = stats ? QStringLiteral("log") : QStringLiteral("csv");
  const QString suggested = a.absoluteDir().filePath(a.completeBaseName() + (stats ? QStringLiteral("_psnr.log")
                                                                                   : QStringLiteral(".csv")));
  const QString filter = stats ? tr("ffmpeg统计文件 (*.log)") : tr("CSV文件 (*.csv)");
  std::optional<QString> path = Prompts::Current().ChooseExportFile(&m_window, suggested, filter, suffix);
  if (!path || path->isEmpty()) return;
  // A name typed without an extension gets the export's.
  if (QFileInfo(*path).suffix().isEmpty()) *path += u'.' + suffix;
  // The psnr stats file where chosen; with SSIM measured, ssim's beside it.
  const QFileInfo chosen(*path);
  const bool ssimBeside = stats && track.Ssim();
  const std::string targets[] = {
      path->toStdString(),
      ssimBeside ? chosen.dir().filePath(chosen.completeBaseName() + QStringLiteral("_ssim.log")).toStdString()
                 : std::string()};
  // Neither may be a file that is compared (A or B, through any link):
  // refused before anything is asked or written.
  const std::string inputs[] = {m_window.Files().FilePath().toStdString(), m_session.ReferencePath()};
  for (const std::string& target : targets) {
    if (target.empty()) continue;
    if (const auto risk = platform::FindInputAtRisk(target, inputs)) {
      Prompts::Current().ShowMessage(
          &m_window,
          tr("导出失败\n%1").arg(tr("写入%1会毁掉正在对比的文件%2")
                                   .arg(QString::fromStdString(risk->written), QString::fromStdString(inputs[risk->input]))),
          MessageKind::kError);
      return;
    }
  }
  if (QFileInfo::exists(*path) && !Prompts::Current().AskYesNo(&m_window, tr("导出"), tr("文件已存在，是否覆盖？"))) return;
  const std::vector<corvane::analysis::FrameMetrics> frames = track.Results();
  bool ok = false;
  if (!stats) {
    ok = session::WriteQualityCsv(targets[0], frames, track.Ssim(), track.Statistics());
  } else {
    ok = session::WriteQualityStats(targets[0], frames, false);
    if (ok && ssimBeside) ok = session::WriteQualityStats(targets[1], frames, true);
  }
  if (!ok) Prompts::Current().ShowMessage(&m_window, tr("导出失败\n%1").arg(ErrorText(errno)), MessageKind::kError);
}

}  // namespace ui
