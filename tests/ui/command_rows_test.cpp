// The two rows of every command (session/commands.h and ui/command_table.h)
// held to each other, and the keys to one another.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <set>
#include <string>

#include "session/commands.h"
#include "ui/command_table.h"
#include "ui/player_window.h"

namespace {

using session::Command;
using session::CommandRow;
using ui::CommandUi;
using ui::Ctrl;
using ui::KeyBinding;
using ui::Pad;

TEST(CommandRows, EveryCommandHasBothRowsAndAStableName) {
  std::set<Command> sessionRows, uiRows;
  std::set<std::string> names;
  const QRegularExpression kName(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$"));
  for (const CommandRow& r : session::CommandRows()) {
    EXPECT_TRUE(sessionRows.insert(r.command).second) << r.name;
    EXPECT_TRUE(names.insert(r.name).second) << "two commands are named " << r.name;
    EXPECT_TRUE(kName.match(QString::fromUtf8(r.name)).hasMatch()) << r.name;
    EXPECT_EQ(session::CommandNamed(r.name), r.command) << r.name;
    EXPECT_EQ(&session::RowOf(r.command), &r) << r.name;
  }
  for (const CommandUi& r : ui::kCommandUi) {
    EXPECT_TRUE(uiRows.insert(r.command).second) << session::RowOf(r.command).name;
    // A window row offers its command somewhere: a menu item, a button or a key.
    EXPECT_TRUE(r.item.id != 0 || r.button.id != 0 || r.keys[0].key != Qt::Key(0)) << session::RowOf(r.command).name;
  }
  EXPECT_EQ(sessionRows, uiRows);
}

TEST(CommandRows, ItemAndButtonIdsAreUnique) {
  std::set<int> items, buttons;
  for (const CommandUi& r : ui::kCommandUi) {
    if (r.item.id != 0) EXPECT_TRUE(items.insert(r.item.id).second) << r.item.id;
    if (r.button.id != 0) EXPECT_TRUE(buttons.insert(r.button.id).second) << r.button.id;
  }
}

// Whether `k` takes a press of its key with these modifiers, in the pass of
// the lookup it belongs to (Shift bindings first, then the others).
bool Takes(const KeyBinding& k, bool ctrl, bool shift, bool pad) {
  if (k.shift && !shift) return false;
  if ((k.ctrl == Ctrl::kYes && !ctrl) || (k.ctrl == Ctrl::kNo && ctrl)) return false;
  if (k.shift) return true;
  return !((k.pad == Pad::kOnly && !pad) || (k.pad == Pad::kNever && pad));
}

// Whether the key rules of two commands never hold together: one only in
// full screen, the other only out of it (Esc).
bool NeverTogether(Command a, Command b) {
  using namespace session::when;
  const uint32_t ra = session::RowOf(a).key, rb = session::RowOf(b).key;
  return ((ra & kFullScreen) && (rb & kNotFullScreen)) || ((ra & kNotFullScreen) && (rb & kFullScreen));
}

TEST(CommandRows, NoTwoKeysCollide) {
  const auto& keys = ui::BoundKeys();
  for (size_t i = 0; i < keys.size(); ++i)
    for (size_t j = i + 1; j < keys.size(); ++j) {
      const KeyBinding& a = keys[i].binding;
      const KeyBinding& b = keys[j].binding;
      if (a.key != b.key || a.shift != b.shift || NeverTogether(keys[i].command, keys[j].command)) continue;
      for (int m = 0; m < 8; ++m) {
        const bool ctrl = m & 1, shift = m & 2, pad = m & 4;
        EXPECT_FALSE(Takes(a, ctrl, shift, pad) && Takes(b, ctrl, shift, pad))
            << session::RowOf(keys[i].command).name << " and " << session::RowOf(keys[j].command).name
            << " share key " << a.key << " (ctrl " << ctrl << ", shift " << shift << ", keypad " << pad << ")";
      }
    }
}

// The window's commands each have a handler, from the window or one of its
// flows; the session's have none.
TEST(CommandRows, TheWindowHasAHandlerForEachOfItsCommands) {
  ui::PlayerWindow w;
  for (const CommandRow& r : session::CommandRows())
    EXPECT_EQ(w.Handlers().Has(r.command), r.owner == session::Owner::kWindow) << r.name;
}

}  // namespace
