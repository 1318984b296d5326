// Opening and closing files as the window does it: the chooser, the
// parameter dialog when the session asks for parameters, the failures worded,
// the window sized for the picture; the menu's parameter settings and
// dropped files.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "ui/coordinate_tool.h"
#include "ui/file_tools.h"
#include "ui/messages.h"
#include "ui/parameter_dialog.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"
#include "ui/window_frames.h"

namespace ui {

bool PlayerWindow::BrowseForFile() {
  std::optional<QString> chosen = Prompts::Current().ChooseFileToOpen(this, m_filePath);
  if (!chosen) return false;
  m_filePath = *chosen;
  return true;
}

bool PlayerWindow::OpenCurrentFile() {
  if (m_filePath.isEmpty()) return false;
  CloseFile();
  UpdateControls();
  session::OpenResult r = m_session->Open(m_filePath.toStdString(), DefaultsOf(m_settings));
  if (r.outcome == session::OpenOutcome::kNeedsParameters) {
    corvane::YUVPara chosen{};
    if (!AskParameters(this, *m_session, DefaultsOf(m_settings), true, &chosen)) {
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
    Prompts::Current().ShowMessage(this, OpenFailureText(result.failure), MessageKind::kError);
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
  if (!AskParameters(this, *m_session, DefaultsOf(m_settings), false, &chosen)) return;
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
