// The player's commands as the window offers them, each written once: its
// menu item (menu, id, text, check group), its button, its keys and its line
// in the help dialog's key list. The menu bar, the button row, the key filter
// and the help dialog are all made from these tables; what a command does and
// when is PlayerSession's (session/commands.h).
//
// Threads: plain constant data.
#pragma once

#include <Qt>
#include <optional>
#include <span>

#include "session/commands.h"

namespace ui {

using session::Command;

// Radio groups of the menu: one item of each is always checked.
enum class MenuGroup { kNone, kZoom, kComponent, kMatrix, kRange, kCompareView, kDiffGain };

struct MenuEntry {
  Command command;
  int id;               // the item's id: object name "act<id>"
  const char* menu;     // top-level menu (source text)
  const char* submenu;  // null: directly in the menu
  const char* text;     // the item's text (source text, keys written in it)
  bool checkable;
  MenuGroup group;
};

// How a key binding treats the keypad: keypad digits type a frame number,
// keypad navigation keys (Num Lock off) act as the main ones, and the
// keypad's "." and Ctrl+digits are not the main ones.
enum class Pad { kAny, kOnly, kNever };
// Whether a binding wants Ctrl held, or does not care.
enum class Ctrl { kNo, kYes, kAny };

struct KeyEntry {
  Qt::Key key;
  Ctrl ctrl;
  Pad pad;
  Command command;
  const char* help;  // its line in the help dialog (source text), or null
  // Wants Shift held. Bindings without it do not look at Shift, so Ctrl+C
  // closes with or without Shift unless a Shift binding of the key (looked
  // for first) takes it.
  bool shift = false;
};

struct ButtonEntry {
  Command command;
  int id;          // object name "btn<id>"
  int x;           // left edge in the row (the row's fixed layout)
  bool checkBox;   // keeps a check: play, pause, stop, repeat
};

std::span<const MenuEntry> MenuEntries();
std::span<const KeyEntry> KeyEntries();
std::span<const ButtonEntry> ButtonEntries();

// The first help line (the mouse's), then the keys' lines in table order.
extern const char* const kDoubleClickHelp;
// What a key does, in the help dialog's words (source text of
// "ui::HelpDialog"), for the commands that have neither a written help line
// nor a menu item to take it from; null for the others.
const char* KeyHelpMeaning(Command c);

const MenuEntry* MenuEntryFor(Command c);
const MenuEntry* MenuEntryForId(int id);
const ButtonEntry* ButtonEntryForId(int id);
// The command a key press stands for, if any.
std::optional<Command> CommandForKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace ui
