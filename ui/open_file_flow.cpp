// Opening and closing files as the window does it: the chooser, the
// parameter dialog when the session asks for parameters, the failures worded,
// the window sized for the picture; the menu's parameter settings and
// dropped files.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "ui/coordinate_tool.h"
#include "ui/parameter_dialog.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"
#include "ui/window_frames.h"

namespace ui {

session::DefaultParameters PlayerWindow::Defaults() const {
  session::DefaultParameters d;
  d.use = m_settings.useDefaultPara != 0;
  d.width = uint32_t(std::max(m_settings.defaultWidth, 0));
  d.height = uint32_t(std::max(m_settings.defaultHeight, 0));
  d.format = m_settings.defaultFormat;
  return d;
}

bool PlayerWindow::BrowseForFile() {
  std::optional<QString> chosen = Prompts::Current().ChooseFileToOpen(this, m_filePath);
  if (!chosen) return false;
  m_filePath = *chosen;
  return true;
}

bool PlayerWindow::ShowParameterDialog(bool forNewFile, corvane::YUVPara* chosen) {
  ParameterDialog::Options o;
  std::optional<corvane::NameGuess> guess;
  o.para = m_session->ParametersToOffer(Defaults(), forNewFile ? &guess : nullptr);
  o.guess = guess;
  ParameterDialog dialog(QString::fromStdString(m_session->Path()), o, this);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  *chosen = dialog.WorkPara();
  return true;
}

bool PlayerWindow::OpenCurrentFile() {
  if (m_filePath.isEmpty()) return false;
  CloseFile();
  UpdateControls();
  session::OpenResult r = m_session->Open(m_filePath.toStdString(), Defaults());
  if (r.outcome == session::OpenOutcome::kNeedsParameters) {
    corvane::YUVPara chosen{};
    if (!ShowParameterDialog(true, &chosen)) {
      m_session->CancelOpen();
      return false;
    }
    r = m_session->PlayWith(chosen);
  }
  return FinishOpen(r);
}

bool PlayerWindow::FinishOpen(const session::OpenResult& result) {
  if (result.outcome != session::OpenOutcome::kPlaying) {
    CloseFile();
    if (result.failure == session::OpenFailure::kTooShort)
      Prompts::Current().ShowMessage(this, tr("文件长度不够播放一帧\n"), MessageKind::kError);
    else
      Prompts::Current().ShowMessage(this, tr("打开文件失败\n"), MessageKind::kError);
    return false;
  }
  const session::PlayerView v = m_session->View();
  ResizeForPicture(v.pictureWidth, v.pictureHeight);
  m_statusTimer.start();
  return true;
}

void PlayerWindow::CloseFile() {
  m_session->Close();
  m_coords->Sync();
  // A notice the closed graph posted before it stopped must not resize the
  // window for a file that is gone.
  m_video->DropPendingSizeNotices();
  m_statusTimer.stop();
  m_status->Show(m_session->View());
}

void PlayerWindow::OnParameterSettings() {
  if (!m_session->Graph()) return;
  if (!m_session->CanSetParameters()) {
    Prompts::Current().ShowMessage(this, tr("文件为拼接文件，不可设置参数"), MessageKind::kWarning);
    return;
  }
  // The parameters in use are shown as they are; the name is guessed only
  // for a file that gets its first parameters.
  corvane::YUVPara chosen{};
  if (!ShowParameterDialog(false, &chosen)) return;
  // The same file in a fresh graph, with the new parameters.
  m_statusTimer.stop();
  m_video->DropPendingSizeNotices();
  if (FinishOpen(m_session->Reopen(chosen))) m_video->update();
}

// ---- Dropped files ------------------------------------------------------------

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile()) event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  // Only the first file is opened; the others are ignored.
  m_filePath = urls.first().toLocalFile();
  OpenCurrentFile();
  UpdateControls();
}

}  // namespace ui
