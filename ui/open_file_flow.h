// Opening and closing files in the player window: choosing a file, the
// parameters it opens with (its record, remembered ones, the defaults or the
// dialog), the recent files, new parameters for the open file, the cut and
// splice tools (which close the file first) and dropped files. Runs the
// window's commands Open, Close, Parameters, Cut, Splice and the recent files.
//
// Threads: GUI thread only.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>
#include <vector>

#include "session/player_session.h"
#include "session/recent_files.h"

class QDropEvent;
class QMimeData;

namespace ui {

class CommandHandlers;
class PlayerWindow;

class OpenFileFlow {
  // Its texts are the window's.
  Q_DECLARE_TR_FUNCTIONS(ui::PlayerWindow)

 public:
  OpenFileFlow(PlayerWindow& window, session::PlayerSession& session, CommandHandlers& handlers);

  // The file chooser; false when nothing was chosen.
  bool BrowseForFile();
  // Opens the file path (the parameters from the record, the defaults or the
  // dialog; false and the window idle on failure or cancel). `remembered`:
  // the parameters of the recent list, used when the file has no record of
  // its own instead of the defaults or the dialog.
  bool OpenCurrentFile(const std::optional<corvane::YUVPara>& remembered = std::nullopt);
  // Entry n of the recent files: without the dialog when the file's size is
  // the one it had; as a newly chosen file otherwise.
  void OpenRecent(int n);
  void CloseFile();
  void SetFilePath(const QString& path) { m_filePath = path; }
  QString FilePath() const { return m_filePath; }
  const std::vector<session::RecentFile>& RecentFiles() const { return m_recent; }
  // The stored list into the menu (at the start).
  void LoadRecentFiles();
  // A drop: whether it carries a file; opening it (with Shift, and a file
  // open, as the second file to compare with).
  static bool CarriesFile(const QMimeData* data);
  void Drop(QDropEvent* event);

 private:
  // After an open: the window sized for the picture, or the failure worded.
  bool FinishOpen(const session::OpenResult& result);
  void NewParameters();
  void RunTool(session::Command c);  // cut or splice
  void ShowRecentFiles();

  PlayerWindow& m_window;
  session::PlayerSession& m_session;
  QString m_filePath;
  std::vector<session::RecentFile> m_recent;  // newest first, as stored
};

}  // namespace ui
