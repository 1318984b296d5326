#include "ui/command_table.h"

#include <algorithm>
#include <cstdlib>

namespace ui {

const char* const kDoubleClickHelp = QT_TRANSLATE_NOOP("ui::HelpDialog", "左键双击:      正常视图<->全屏");

const CommandUi& UiOf(Command c) {
  for (const CommandUi& r : kCommandUi)
    if (r.command == c) return r;
  std::abort();  // every command has its row (a test holds the tables to it)
}

std::optional<Command> CommandOfItem(int id) {
  for (const CommandUi& r : kCommandUi)
    if (r.item.id != 0 && r.item.id == id) return r.command;
  return std::nullopt;
}

std::optional<Command> CommandOfButton(int id) {
  for (const CommandUi& r : kCommandUi)
    if (r.button.id != 0 && r.button.id == id) return r.command;
  return std::nullopt;
}

const std::vector<const CommandUi*>& ButtonRows() {
  static const std::vector<const CommandUi*> rows = [] {
    std::vector<const CommandUi*> out;
    for (const CommandUi& r : kCommandUi)
      if (r.button.id != 0) out.push_back(&r);
    std::sort(out.begin(), out.end(), [](const CommandUi* a, const CommandUi* b) { return a->button.x < b->button.x; });
    return out;
  }();
  return rows;
}

const std::vector<BoundKey>& BoundKeys() {
  static const std::vector<BoundKey> keys = [] {
    std::vector<BoundKey> out;
    for (const CommandUi& r : kCommandUi)
      for (const KeyBinding& k : r.keys)
        if (k.key != Qt::Key(0)) out.push_back({k, r.command});
    std::sort(out.begin(), out.end(), [](const BoundKey& a, const BoundKey& b) { return a.binding.place < b.binding.place; });
    return out;
  }();
  return keys;
}

std::optional<Command> CommandForKey(int key, Qt::KeyboardModifiers modifiers,
                                     const std::function<bool(Command)>& acts) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool pad = modifiers & Qt::KeypadModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  // Shift bindings first, then the others.
  auto takes = [&](const KeyBinding& e, bool shiftPass) {
    if (e.key != key) return false;
    if (shiftPass != e.shift || (shiftPass && !shift)) return false;
    if ((e.ctrl == Ctrl::kYes && !ctrl) || (e.ctrl == Ctrl::kNo && ctrl)) return false;
    return shiftPass || !((e.pad == Pad::kOnly && !pad) || (e.pad == Pad::kNever && pad));
  };
  for (const bool shiftPass : {true, false}) {
    std::optional<Command> first;
    for (const BoundKey& b : BoundKeys()) {
      if (!takes(b.binding, shiftPass)) continue;
      if (!acts || acts(b.command)) return b.command;
      if (!first) first = b.command;
    }
    if (first) return first;
  }
  return std::nullopt;
}

}  // namespace ui
