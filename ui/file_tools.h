// The dialogs of the player's tools menu and options, run on its behalf:
// each reads and writes what it needs itself (files through the tools core
// and the parameter dialog, settings through the store), so the window only
// starts them.
//
// Threads: GUI thread only.
#pragma once

#include <QString>
#include <optional>

#include "session/player_session.h"
#include "ui/settings_store.h"

class QWidget;

namespace ui {

// The settings' default parameters, as the session takes them.
session::DefaultParameters DefaultsOf(const PlayerSettings& settings);
// The parameter dialog for the file open in `session`: for a file that gets
// its first parameters the offer every road makes, else its parameters as
// they are. True, and the choice in `chosen`, when confirmed.
bool AskParameters(QWidget* parent, const session::PlayerSession& session, const session::DefaultParameters& defaults,
                   bool forNewFile, corvane::YUVPara* chosen);

// The parameter dialog for a second file to compare with the open one,
// titled with its name: it offers the open file's parameters (`open`),
// overridden by what B's name says. True, and the choice, when confirmed.
bool AskReferenceParameters(QWidget* parent, const QString& path, const corvane::YUVPara& open,
                            corvane::YUVPara* chosen);

// The menu's parameter settings for the file playing: a spliced file is
// refused; the dialog shows the parameters in use. The choice, if confirmed.
std::optional<corvane::YUVPara> AskNewParameters(QWidget* parent, const session::PlayerSession& session,
                                                 const session::DefaultParameters& defaults);

// Cut: the file's parameters (its record, or the parameter dialog in tool
// mode); a spliced file is refused; then the cut dialog.
void RunCutTool(QWidget* parent, const QString& path, const session::DefaultParameters& defaults);
// Splice: the splice dialog.
void RunSpliceTool(QWidget* parent, const session::DefaultParameters& defaults);
// The advanced options sheet on the stored settings (another running player
// may have changed them); on OK they are saved and `settings` holds them.
bool RunOptionsSheet(QWidget* parent, PlayerSettings& settings);

}  // namespace ui
