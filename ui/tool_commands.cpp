// The window's own commands: those that run dialogs, full screen, stills,
// and the services the file tools ask of the player.

#include "formats/result_codes.h"
#include "ui/coordinate_tool.h"
#include "ui/cut_dialog.h"
#include "ui/help_dialogs.h"
#include "ui/options_dialog.h"
#include "ui/parameter_dialog.h"
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
// Both close the file playing first; they read and set their files' records
// themselves (tools::ProbeSpliceInput, the parameter dialog on a path).

void PlayerWindow::OnCutCommand() {
  if (!BrowseForFile() || m_filePath.isEmpty()) return;
  CloseFile();
  UpdateControls();
  const corvane::tools::SpliceSource probe = corvane::tools::ProbeSpliceInput(m_filePath.toStdString());
  const corvane::tools::ToolCode code = probe.result.code;
  corvane::YUVPara para{};
  if (code == corvane::tools::ToolCode::kOpenSourceFailed || code == corvane::tools::ToolCode::kReadFailed) {
    Prompts::Current().ShowMessage(this, tr("打开文件错误!\n"), MessageKind::kError);
    return;
  }
  if (probe.records.size() > 1) {
    Prompts::Current().ShowMessage(this, tr("文件为拼接文件，不可剪切."), MessageKind::kWarning);
    return;
  }
  if (!probe.records.empty())
    para = probe.records.front();
  else if (!ParameterDialog::AskForTool(this, m_filePath, Defaults(), probe, &para))
    return;
  CutDialog dialog(m_filePath, para, this);
  RunModal(dialog);
}

void PlayerWindow::OnSpliceCommand() {
  CloseFile();
  UpdateControls();
  SpliceDialog dialog(this, Defaults());
  RunModal(dialog);
}

}  // namespace ui
