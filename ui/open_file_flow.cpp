#include "ui/open_file_flow.h"

#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "ui/coded_open.h"
#include "ui/command_wiring.h"
#include "ui/compare_flow.h"
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

OpenFileFlow::OpenFileFlow(PlayerWindow& window, session::PlayerSession& session, CommandHandlers& handlers)
    : m_window(window), m_session(session) {
  handlers.Add(Command::Open, [this] {
    if (BrowseForFile()) OpenCurrentFile();
  });
  handlers.Add(Command::Close, [this] { CloseFile(); });
  handlers.Add(Command::Parameters, [this] { NewParameters(); });
  handlers.Add(Command::Cut, [this] { RunTool(Command::Cut); });
  handlers.Add(Command::Splice, [this] { RunTool(Command::Splice); });
  for (const session::CommandRow& row : session::CommandRows())
    if (row.group == session::Group::kRecent) handlers.Add(row.command, [this, n = row.value] { OpenRecent(n); });
}

// ---- Opening and closing -----------------------------------------------------

bool OpenFileFlow::BrowseForFile() {
  std::optional<QString> chosen = Prompts::Current().ChooseFileToOpen(&m_window, m_filePath);
  if (!chosen) return false;
  m_filePath = *chosen;
  return true;
}

bool OpenFileFlow::OpenCurrentFile(const std::optional<corvane::YUVPara>& remembered) {
  if (m_filePath.isEmpty()) return false;
  CloseFile();
  m_window.UpdateControls();
  // Remembered parameters come after the file's record and before the defaults.
  session::DefaultParameters defaults = DefaultsOf(m_window.Settings());
  if (remembered) defaults.use = false;
  // Opened on a thread of its own: a coded file may have to be decoded whole
  // to index it, under a progress dialog that can cancel it.
  OpenedVideo opened =
      CodedOpen::Open(&m_window, m_filePath, corvane::FileAccess::kReadOrWrite, m_session.Decode());
  if (opened.cancelled) return false;
  if (!opened.file)
    return FinishOpen({session::OpenOutcome::kFailed, session::OpenFailure::kCannotOpen,
                       session::ProblemOfOpen(m_filePath.toStdString(), opened.error)});
  session::OpenResult r = m_session.Open(m_filePath.toStdString(), defaults, std::move(opened.file));
  if (r.outcome == session::OpenOutcome::kNeedsParameters && remembered) r = m_session.PlayWith(*remembered);
  if (r.outcome == session::OpenOutcome::kNeedsParameters) {
    corvane::YUVPara chosen{};
    if (!AskParameters(&m_window, m_session, DefaultsOf(m_window.Settings()), true, &chosen)) {
      m_session.CancelOpen();
      return false;
    }
    r = m_session.PlayWith(chosen);
  }
  return FinishOpen(r);
}

bool OpenFileFlow::FinishOpen(const session::OpenResult& result) {
  if (result.outcome != session::OpenOutcome::kPlaying) {
    CloseFile();
    const QString reason = OpenProblemText(result.problem);
    if (reason.isEmpty())
      Prompts::Current().ShowMessage(&m_window, OpenFailureText(result.failure), MessageKind::kError);
    else
      Prompts::Current().ShowMessageWithReason(&m_window, OpenFailureText(result.failure), reason,
                                               MessageKind::kError);
    return false;
  }
  const session::PlayerView v = m_session.View();
  m_window.ResizeForPicture(v.pictureWidth, v.pictureHeight);
  m_window.SetStatusTicking(true);
  // The recent list of the store, which another player may have changed.
  // The path is stored canonical: a file opened by a relative path opens
  // again from the list whatever folder the player runs in later.
  m_recent = RecentFilesStore::Load();
  const QFileInfo info(QString::fromStdString(m_session.Path()));
  const QString canonical = info.canonicalFilePath();
  const std::string stored = canonical.isEmpty() ? info.absoluteFilePath().toStdString() : canonical.toStdString();
  session::RememberFile(m_recent, {stored, m_session.Para(), uint64_t(info.size())});
  RecentFilesStore::Save(m_recent);
  ShowRecentFiles();
  return true;
}

void OpenFileFlow::CloseFile() {
  m_session.Close();
  m_window.Coordinates()->Sync();
  // A notice the closed graph posted before it stopped must not resize the
  // window for a file that is gone.
  m_window.Video()->DropPendingSizeNotices();
  m_window.SetStatusTicking(false);
  m_window.Status()->Show(m_session.View());
  m_window.Status()->ShowFrameFacts(std::nullopt, {});
}

void OpenFileFlow::NewParameters() {
  // The same file in a fresh graph, with the parameters the dialog chose.
  const std::optional<corvane::YUVPara> chosen = AskNewParameters(&m_window, m_session, DefaultsOf(m_window.Settings()));
  if (!chosen) return;
  m_window.SetStatusTicking(false);
  m_window.Video()->DropPendingSizeNotices();
  if (FinishOpen(m_session.Reopen(*chosen))) m_window.Video()->update();
}

void OpenFileFlow::RunTool(Command c) {
  // Both tools close the file playing first.
  if (c == Command::Cut && (!BrowseForFile() || m_filePath.isEmpty())) return;
  CloseFile();
  m_window.UpdateControls();
  if (c == Command::Cut)
    RunCutTool(&m_window, m_filePath, DefaultsOf(m_window.Settings()));
  else
    RunSpliceTool(&m_window, DefaultsOf(m_window.Settings()));
}

bool OpenFileFlow::CarriesFile(const QMimeData* data) {
  return data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile();
}

// Only the first of the files dropped is opened; with Shift held, and a file
// open, it is opened as the second file to compare with.
void OpenFileFlow::Drop(QDropEvent* event) {
  if (!CarriesFile(event->mimeData())) return;
  const QString path = event->mimeData()->urls().first().toLocalFile();
  event->acceptProposedAction();
  if ((event->modifiers() & Qt::ShiftModifier) && m_session.CanRun(Command::OpenReference)) {
    m_window.Compare().OpenReferenceFile(path);
    m_window.UpdateControls();
    return;
  }
  m_filePath = path;
  OpenCurrentFile();
  m_window.UpdateControls();
}

// ---- Recent files ------------------------------------------------------------

void OpenFileFlow::LoadRecentFiles() {
  m_recent = RecentFilesStore::Load();
  ShowRecentFiles();
}

void OpenFileFlow::ShowRecentFiles() {
  for (int i = 0; i < session::kRecentCount; ++i) {
    QAction* a = m_window.Action(ids::kFileRecentFirst + i);
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

void OpenFileFlow::OpenRecent(int n) {
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
        &m_window, tr("文件不存在，已从最近打开的文件中移除:\n%1").arg(QDir::toNativeSeparators(info.filePath())),
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
