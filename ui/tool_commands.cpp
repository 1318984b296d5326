// The player's commands that run windows of their own: the advanced options
// sheet and the file tools.
#include <span>

#include "formats/result_codes.h"
#include "ui/cut_dialog.h"
#include "ui/options_dialog.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/window_frames.h"
#include "ui/splice_dialog.h"

namespace ui {

void PlayerWindow::OnAdvancedOptions() {
  // Another running player may have changed the settings since.
  SettingsStore::Load(m_settings);
  PendingSettings pending = PendingFrom(m_settings);
  OptionsDialog sheet(m_settings, &pending, this);
  if (RunModal(sheet) != QDialog::Accepted) return;
  ApplyPendingSettings(m_settings, pending);
  SettingsStore::Save(m_settings);
  if (m_pGraph) {
    m_pGraph->SetAspectMode(m_settings.displayType);
    // A paused or stopped picture is not presented again by itself.
    if (m_nPlayState != PlayState::Playing) m_pGraph->Refresh();
  }
}

void PlayerWindow::OnCutCommand() {
  if (!BrowseForFile() || m_strFilePath.isEmpty()) return;
  CloseFile();
  UpdateControls();
  auto endEarly = [this] {
    m_bParaForTool = false;
    CloseFile();
    UpdateControls();
  };
  NewGraph(nullptr);
  m_strGraphPath = m_strFilePath;
  int readOnly = 0;
  if (m_pGraph->OpenFile(m_strFilePath.toStdString(), &readOnly) < 0) {
    m_pGraph.reset();
    Prompts::Current().ShowMessage(this, tr("打开文件错误!\n"), MessageKind::kError);
    endEarly();
    return;
  }
  m_bReadOnly = readOnly != 0;
  int hasTrailer = 0;
  corvane::YUVPara first{};
  m_bGraphHasRecord =
      m_pGraph->ReadFilePara(&hasTrailer, std::span<corvane::YUVPara>(&first, 1), false) >= 0 && hasTrailer;
  if (!m_bGraphHasRecord) {
    m_bParaForTool = true;
    if (!ShowParameterDialog()) {
      endEarly();
      return;
    }
  } else {
    m_para = first;
    if (m_pGraph->GetSegmentCount() > 1) {
      Prompts::Current().ShowMessage(this, tr("文件为拼接文件，不可剪切."), MessageKind::kWarning);
      endEarly();
      return;
    }
  }
  m_bParaForTool = false;
  {
    CutDialog dialog(m_strFilePath, m_para, this);
    RunModal(dialog);
  }
  // The cut file's graph goes with the tool.
  CloseFile();
  UpdateControls();
}

void PlayerWindow::OnSpliceCommand() {
  m_bParaForTool = true;
  CloseFile();
  UpdateControls();
  {
    SpliceDialog dialog(this);
    RunModal(dialog);
  }
  // The graph of the last file probed goes with the tool.
  m_bParaForTool = false;
  CloseFile();
  UpdateControls();
}

}  // namespace ui
