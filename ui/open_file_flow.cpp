// The player window's opening and closing: choosing a file, the parameters
// it opens with (its record, remembered ones, the defaults or the dialog),
// the recent files, new parameters for the open file, and drops.
#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "ui/coordinate_tool.h"
#include "ui/file_tools.h"
#include "ui/messages.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/recent_files_store.h"
#include "ui/resource_ids.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"

namespace ui {

// ---- Opening and closing -----------------------------------------------------

bool PlayerWindow::BrowseForFile() {
  std::optional<QString> chosen = Prompts::Current().ChooseFileToOpen(this, m_filePath);
  if (!chosen) return false;
  m_filePath = *chosen;
  return true;
}

bool PlayerWindow::OpenCurrentFile(const std::optional<corvane::YUVPara>& remembered) {
  if (m_filePath.isEmpty()) return false;
  CloseFile();
  UpdateControls();
  // Remembered parameters come after the file's record and before the defaults.
  session::DefaultParameters defaults = DefaultsOf(m_settings);
  if (remembered) defaults.use = false;
  session::OpenResult r = m_session->Open(m_filePath.toStdString(), defaults);
  if (r.outcome == session::OpenOutcome::kNeedsParameters && remembered) r = m_session->PlayWith(*remembered);
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
    const QString reason = OpenProblemText(result.problem);
    if (reason.isEmpty())
      Prompts::Current().ShowMessage(this, OpenFailureText(result.failure), MessageKind::kError);
    else
      Prompts::Current().ShowMessageWithReason(this, OpenFailureText(result.failure), reason, MessageKind::kError);
    return false;
  }
  const session::PlayerView v = m_session->View();
  ResizeForPicture(v.pictureWidth, v.pictureHeight);
  m_statusTimer.start();
  // The recent list of the store, which another player may have changed.
  // The path is stored canonical: a file opened by a relative path opens
  // again from the list whatever folder the player runs in later.
  m_recent = RecentFilesStore::Load();
  const QFileInfo info(QString::fromStdString(m_session->Path()));
  const QString canonical = info.canonicalFilePath();
  const std::string stored = canonical.isEmpty() ? info.absoluteFilePath().toStdString() : canonical.toStdString();
  session::RememberFile(m_recent, {stored, m_session->Para(), uint64_t(info.size())});
  RecentFilesStore::Save(m_recent);
  ShowRecentFiles();
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
  m_status->ShowFrameFacts(std::nullopt, {});
}

void PlayerWindow::OnParameterSettings() {
  // The same file in a fresh graph, with the parameters the dialog chose.
  const std::optional<corvane::YUVPara> chosen = AskNewParameters(this, *m_session, DefaultsOf(m_settings));
  if (!chosen) return;
  m_statusTimer.stop();
  m_video->DropPendingSizeNotices();
  if (FinishOpen(m_session->Reopen(*chosen))) m_video->update();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile()) event->acceptProposedAction();
}

// Only the first of the files dropped is opened; with Shift held, and a file
// open, it is opened as the second file to compare with.
void PlayerWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  if ((event->modifiers() & Qt::ShiftModifier) && m_session->CanRun(Command::OpenReference, Facts())) {
    OpenReferenceFile(urls.first().toLocalFile());
    UpdateControls();
    return;
  }
  m_filePath = urls.first().toLocalFile();
  OpenCurrentFile();
  UpdateControls();
}

// ---- Recent files ------------------------------------------------------------

void PlayerWindow::ShowRecentFiles() {
  for (int i = 0; i < session::kRecentCount; ++i) {
    QAction* a = m_actions.value(ids::kFileRecentFirst + i);
    if (!a) continue;
    const bool used = size_t(i) < m_recent.size();
    a->setVisible(used);
    if (used) {
      a->setText(RecentMenuText(i, m_recent[size_t(i)]));
      a->setStatusTip(QString::fromStdString(m_recent[size_t(i)].path));
    }
    // The submenu is greyed while the list is empty.
    if (i == 0)
      if (auto* menu = qobject_cast<QMenu*>(a->parent())) menu->menuAction()->setEnabled(!m_recent.empty());
  }
}

void PlayerWindow::OpenRecent(int n) {
  if (n < 0 || size_t(n) >= m_recent.size()) return;
  const session::RecentFile entry = m_recent[size_t(n)];
  const QFileInfo info(QString::fromStdString(entry.path));
  if (!info.exists()) {
    // Gone (deleted, moved, a disk not mounted): said so, and out of the list.
    m_recent = RecentFilesStore::Load();
    session::ForgetFile(m_recent, entry.path);
    RecentFilesStore::Save(m_recent);
    ShowRecentFiles();
    Prompts::Current().ShowMessage(
        this, tr("文件不存在，已从最近打开的文件中移除:\n%1").arg(QDir::toNativeSeparators(info.filePath())),
        MessageKind::kWarning);
    return;
  }
  m_filePath = info.filePath();
  // A file that has grown or shrunk may hold other frames now: asked about
  // as a newly chosen file is.
  if (session::SizeUnchanged(entry, uint64_t(info.size())))
    OpenCurrentFile(entry.para);
  else
    OpenCurrentFile();
}

}  // namespace ui
