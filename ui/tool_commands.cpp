// The player's commands that run windows of their own: the advanced options
// sheet and the file tools.
#include "formats/result_codes.h"
#include "ui/options_dialog.h"
#include "ui/player_window.h"
#include "ui/prompts.h"

namespace ui {

void PlayerWindow::OnAdvancedOptions() {
  // Another running player may have changed the settings since.
  SettingsStore::Load(m_settings);
  PendingSettings pending = PendingFrom(m_settings);
  OptionsDialog sheet(m_settings, &pending, this);
  if (sheet.exec() != QDialog::Accepted) return;
  ApplyPendingSettings(m_settings, pending);
  SettingsStore::Save(m_settings);
  if (m_pGraph) {
    m_pGraph->SetAspectMode(m_settings.displayType);
    // A paused or stopped picture is not presented again by itself.
    if (m_nPlayState != PlayState::Playing) m_pGraph->Refresh();
  }
}

}  // namespace ui
