// The window's own commands: those that run dialogs, full screen, stills,
// and the services the file tools ask of the player.
#include <QApplication>
#include <span>

#include "formats/result_codes.h"
#include "ui/coordinate_tool.h"
#include "ui/cut_dialog.h"
#include "ui/help_dialogs.h"
#include "ui/options_dialog.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/splice_dialog.h"
#include "ui/still_capture.h"
#include "ui/window_frames.h"

namespace ui {

void PlayerWindow::RunWindowCommand(Command c) {
  switch (c) {
    case Command::Open:
      if (BrowseForFile()) OpenCurrentFile();
      break;
    case Command::Exit:
      close();
      break;
    case Command::FullScreen:
    case Command::LeaveFullScreen:
      ToggleFullScreen();
      break;
    case Command::Capture:
      if (corvane::PlaybackGraph* graph = m_session->Graph()) m_stills->Capture(*graph, m_session->Para());
      break;
    case Command::Options:
      OnAdvancedOptions();
      break;
    case Command::Coordinates:
      m_coords->Toggle();
      break;
    case Command::Parameters:
      OnParameterSettings();
      break;
    case Command::Cut:
      OnCutCommand();
      break;
    case Command::Splice:
      OnSpliceCommand();
      break;
    case Command::Manual:
      OpenUserManual(this);
      break;
    case Command::Shortcuts: {
      HelpDialog dialog(this);
      RunModal(dialog);
      break;
    }
    case Command::About: {
      AboutDialog dialog(this);
      RunModal(dialog);
      break;
    }
    default:
      break;
  }
}

void PlayerWindow::ToggleCoordinateWindow() {
  m_coords->Toggle();
  UpdateControls();
}

void PlayerWindow::OnAdvancedOptions() {
  // Another running player may have changed the settings since.
  SettingsStore::Load(m_settings);
  PendingSettings pending = PendingFrom(m_settings);
  OptionsDialog sheet(m_settings, &pending, this);
  if (RunModal(sheet) != QDialog::Accepted) return;
  ApplyPendingSettings(m_settings, pending);
  SettingsStore::Save(m_settings);
  // The open file takes the new ratio at once, paused or not.
  m_session->SetAspectMode(m_settings.displayType);
}

// ---- The file tools -----------------------------------------------------------

int PlayerWindow::ProbeFile(const QString& path, uint32_t* count) {
  CloseFile();
  UpdateControls();
  if (!m_session->OpenForTool(path.toStdString())) {
    Prompts::Current().ShowMessage(this, tr("打开文件失败\n"), MessageKind::kError);
    return corvane::kGeneralFail;
  }
  if (!m_session->HasRecord()) return 1;
  if (count) *count = m_session->Graph()->GetSegmentCount();
  return 0;
}

bool PlayerWindow::ReadFileParaAt(const QString& path, corvane::YUVPara* records, uint32_t count) {
  CloseFile();
  UpdateControls();
  if (!m_session->OpenForTool(path.toStdString())) {
    Prompts::Current().ShowMessage(this, tr("打开文件失败!\n"), MessageKind::kError);
    return false;
  }
  if (!m_session->HasRecord() || !records) return false;
  corvane::PlaybackGraph* graph = m_session->Graph();
  const uint32_t n = graph->GetSegmentCount();
  const bool all = count == n;
  return graph->ReadFilePara(nullptr, std::span<corvane::YUVPara>(records, all ? n : 1), all) == corvane::kOk;
}

bool PlayerWindow::RunParameterDialog() {
  corvane::YUVPara chosen{};
  return ShowParameterDialog(true, &chosen);
}

void PlayerWindow::OnCutCommand() {
  if (!BrowseForFile() || m_filePath.isEmpty()) return;
  CloseFile();
  UpdateControls();
  corvane::YUVPara para{};
  bool ready = m_session->OpenForTool(m_filePath.toStdString());
  if (!ready) {
    Prompts::Current().ShowMessage(this, tr("打开文件错误!\n"), MessageKind::kError);
  } else if (!m_session->HasRecord()) {
    m_paraForTool = true;
    ready = ShowParameterDialog(true, &para);
    m_paraForTool = false;
  } else if (m_session->Graph()->GetSegmentCount() > 1) {
    Prompts::Current().ShowMessage(this, tr("文件为拼接文件，不可剪切."), MessageKind::kWarning);
    ready = false;
  } else {
    para = m_session->Para();
  }
  if (ready) {
    CutDialog dialog(m_filePath, para, this);
    RunModal(dialog);
  }
  // The cut file's graph goes with the tool.
  CloseFile();
  UpdateControls();
}

void PlayerWindow::OnSpliceCommand() {
  m_paraForTool = true;
  CloseFile();
  UpdateControls();
  {
    SpliceDialog dialog(this);
    RunModal(dialog);
  }
  // The graph of the last file probed goes with the tool.
  m_paraForTool = false;
  CloseFile();
  UpdateControls();
}

}  // namespace ui
