// The player window's side of comparing with a second file (B): choosing
// and opening it, the views on the picture area, the quality graph below the
// picture, and exporting the graph's figures.
#include <QFileInfo>
#include <QDir>
#include <cerrno>
#include <cstring>

#include "platform/file.h"

#include "ui/file_tools.h"
#include "ui/messages.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/quality_graph.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"

namespace ui {

using session::CompareView;

void PlayerWindow::RunCompareCommand(Command c) {
  switch (c) {
    case Command::OpenReference: {
      const QString start = m_session->HasReference() ? QString::fromStdString(m_session->ReferencePath()) : m_filePath;
      if (const std::optional<QString> path = Prompts::Current().ChooseFileToOpen(this, start)) OpenReferenceFile(*path);
      break;
    }
    case Command::ExportCsv:
    case Command::ExportStats:
      ExportQuality(c == Command::ExportStats);
      break;
    default:
      break;
  }
}

bool PlayerWindow::OpenReferenceFile(const QString& path) {
  if (!m_session->Graph() || m_session->State() == PlayState::NoFile) return false;
  const std::string file = path.toStdString();
  const session::DefaultParameters defaults = DefaultsOf(m_settings);
  // B's file is opened once; the session asks for its parameters (at most
  // once) only when it has no record and the defaults do not apply.
  bool playing = false;
  const session::ReferenceResult r =
      m_session->OpenReference(file, defaults, [&]() -> std::optional<corvane::YUVPara> {
        // A stands still while B's parameters are chosen, and plays on after.
        playing = m_session->State() == PlayState::Playing;
        if (playing) {
          m_session->Execute(Command::Pause);
          UpdateControls();
        }
        corvane::YUVPara chosen{};
        if (!AskReferenceParameters(this, path, m_session->Para(), &chosen)) return std::nullopt;
        return chosen;
      });
  if (playing && m_session->State() == PlayState::Paused) m_session->Execute(Command::Play);
  if (r.outcome == session::ReferenceOutcome::kNeedsParameters) {
    // The parameters were asked for and the dialog declined.
    UpdateControls();
    return false;
  }
  if (r.outcome != session::ReferenceOutcome::kOpened) {
    const QString text = tr("打开对比文件失败\n%1").arg(QFileInfo(path).fileName());
    // EINVAL: parameters that give no whole frame of B, which the text covers.
    if (r.error != 0 && r.error != EINVAL)
      Prompts::Current().ShowMessageWithReason(this, text, ErrorText(r.error), MessageKind::kError);
    else
      Prompts::Current().ShowMessage(this, text, MessageKind::kError);
    ApplyCompareView();
    return false;
  }
  // B of another size, sampling or depth: no metrics, but side by side.
  if (!m_session->MetricsStatus().Ok()) {
    Prompts::Current().ShowMessage(this, MetricsRefusalText(m_session->MetricsStatus()), MessageKind::kWarning);
    m_session->Execute(Command::ViewSide);
  } else if (const auto limit = m_session->Track().Limit(); !limit.Ok()) {
    // Spliced files that change at a segment: the frames before it are measured.
    Prompts::Current().ShowMessage(this, MetricsLimitText(limit), MessageKind::kInformation);
  }
  ApplyCompareView();
  UpdateControls();
  return true;
}

QSize PlayerWindow::ViewPictureSize(const session::PlayerView& v) const {
  const int w = int(v.pictureWidth), h = int(v.pictureHeight);
  return v.reference && v.compareView == CompareView::kSide ? QSize(2 * w, h) : QSize(w, h);
}

void PlayerWindow::ShowShownFacts(const session::PlayerView& v) {
  std::optional<session::FrameFacts> facts = m_session->FactsOf(v.frame);
  if (!v.reference || !facts) {
    m_status->ShowFrameFacts(facts, v.view);
    return;
  }
  QString shown = QStringLiteral("A");
  if (v.compareView == CompareView::kB) {
    // B's own format, size and rate at this frame.
    const corvane::YUVPara b = m_session->Reference()->ParaAt(v.frame);
    *facts = {b.format, b.width, b.height, b.EffectiveInterval(), 1, 1};
    shown = QStringLiteral("B");
  } else if (v.compareView == CompareView::kDiff) {
    shown = QStringLiteral("|A−B|×%1").arg(v.diffGain);
  } else if (v.compareView == CompareView::kSide || v.compareView == CompareView::kWipe) {
    shown = QStringLiteral("A|B");
  }
  m_status->ShowFrameFacts(facts, v.view, shown);
}

int PlayerWindow::BelowPicture() const {
  const bool full = m_fullScreen.on;
  return kStripHeight + (m_graphTimer.isActive() && !full ? kGraphHeight : 0);
}

QRect PlayerWindow::PaneAt(QPoint at) const {
  if (m_video->CurrentLayout() != VideoWidget::Layout::kSide) return m_video->rect();
  const QRect right = m_video->PaneRect(1);
  return at.x() >= right.left() ? right : m_video->PaneRect(0);
}

void PlayerWindow::ApplyCompareView() {
  const session::PlayerView v = m_session->View(Facts());
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
  const bool wasSide = m_video->CurrentLayout() == VideoWidget::Layout::kSide;
  m_video->SetLayout(layout, shown);
  // The graph shows while B is open and its quality is measured.
  const bool graph = v.reference && m_session->MetricsStatus().Ok();
  const bool graphChanged = graph != m_graphTimer.isActive();
  if (graph && !m_graphTimer.isActive()) {
    m_graphPanel->SetTrack(&m_session->Track());
    m_graphTimer.start();
  } else if (!graph && m_graphTimer.isActive()) {
    m_graphTimer.stop();
    m_graphPanel->SetTrack(nullptr);
  }
  m_graphPanel->SetShowSsim(v.graphSsim);
  m_graphPanel->setVisible(graph && !v.fullScreen);
  // Side by side at 100 % the window doubles its width (and gives it back).
  const bool side = layout == VideoWidget::Layout::kSide;
  if (v.state != PlayState::NoFile && !v.fullScreen && (graphChanged || side != wasSide))
    ApplyZoom();
  else
    LayoutControls();
  // The layout drew a still picture again; a playing one is drawn now too,
  // not only at its next frame.
  if (v.state == PlayState::Playing) m_session->RefreshPictures();
  if (v.state != PlayState::NoFile) ShowShownFacts(v);
}

void PlayerWindow::ExportQuality(bool stats) {
  const session::QualityTrack& track = m_session->Track();
  if (track.Count() == 0) return;
  // Offered in A's folder, named after A (a_640x360.csv, a_640x360_psnr.log),
  // as a whole path: a file opened by a relative name must not give "./…".
  const QFileInfo a(m_filePath);
  const QString suffix = stats ? QStringLiteral("log") : QStringLiteral("csv");
  const QString suggested = a.absoluteDir().filePath(a.completeBaseName() + (stats ? QStringLiteral("_psnr.log")
                                                                                   : QStringLiteral(".csv")));
  const QString filter = stats ? tr("ffmpeg统计文件 (*.log)") : tr("CSV文件 (*.csv)");
  std::optional<QString> path = Prompts::Current().ChooseExportFile(this, suggested, filter, suffix);
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
  const std::string inputs[] = {m_filePath.toStdString(), m_session->ReferencePath()};
  for (const std::string& target : targets) {
    if (target.empty()) continue;
    if (const auto risk = platform::FindInputAtRisk(target, inputs)) {
      Prompts::Current().ShowMessage(
          this,
          tr("导出失败\n%1").arg(tr("写入%1会毁掉正在对比的文件%2")
                                   .arg(QString::fromStdString(risk->written), QString::fromStdString(inputs[risk->input]))),
          MessageKind::kError);
      return;
    }
  }
  if (QFileInfo::exists(*path) && !Prompts::Current().AskYesNo(this, tr("导出"), tr("文件已存在，是否覆盖？"))) return;
  const std::vector<corvane::analysis::FrameMetrics> frames = track.Results();
  bool ok = false;
  if (!stats) {
    ok = session::WriteQualityCsv(targets[0], frames, track.Ssim());
  } else {
    ok = session::WriteQualityStats(targets[0], frames, false);
    if (ok && ssimBeside) ok = session::WriteQualityStats(targets[1], frames, true);
  }
  if (!ok) Prompts::Current().ShowMessage(this, tr("导出失败\n%1").arg(ErrorText(errno)), MessageKind::kError);
}

}  // namespace ui
