// The command table put to work: the menu bar made from it and kept in step
// with the session, and key events turned into commands.
//
// Threads: GUI thread only.
#pragma once

#include <QHash>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "session/player_session.h"

class QAction;
class QEvent;
class QMenuBar;
class QObject;
class QWidget;

namespace ui {

// Who runs each of the window's commands (the session rows' owner kWindow):
// the window and its flows each add theirs when they are made.
class CommandHandlers {
 public:
  void Add(session::Command c, std::function<void()> run) { m_handlers.push_back({c, std::move(run)}); }
  bool Has(session::Command c) const;
  // Runs `c`'s handler; false when it has none.
  bool Run(session::Command c) const;

 private:
  std::vector<std::pair<session::Command, std::function<void()>>> m_handlers;
};

// Fills `bar` from the command table; each item runs `run` with its command.
// Returns the items by their ids (object names "act<id>").
QHash<int, QAction*> BuildMenuBar(QMenuBar* bar, QObject* owner, std::function<void(session::Command)> run);

// Gives an item (or a menu's own action) a text that follows the language:
// `source` (a source text of the context "ui::PlayerWindow", kept with the
// item) translated now and again by RetranslateMenus.
void SetSourceText(QAction* action, const char* source);
// Sets the text of every such item under `bar` for the language now
// installed; the items, their checks and connections stay as they are.
void RetranslateMenus(QWidget* bar);

// Enables each item by the session's rules and checks the zoom, component
// and reverse items from the view.
void ShowMenuState(const QHash<int, QAction*>& items, const session::PlayerSession& session);

// A key event of the player's widgets: every key-down is claimed (so no
// control acts on a key of its own, no shortcut fires, and Enter or Escape
// never close the window), except Alt combinations and F10, which belong to
// the menu bar. `handled` says whether the event was claimed; the command is
// the key's, when it has one and a key press is what came.
struct KeyOutcome {
  bool handled = false;
  std::optional<session::Command> command;
};
KeyOutcome CommandForKeyEvent(QEvent* event, const std::function<bool(session::Command)>& acts = {});

}  // namespace ui
