// What the window manager draws round the player's own windows, and the
// keyboard focus after a modal dialog.
//
// Threads: GUI thread only.
#pragma once

#include <Qt>

class QDialog;
class QWidget;

namespace ui {

// Dialogs, message boxes and the coordinate window: a title bar with a close
// button only; none of them can be minimised on its own or maximised.
// Call before the window is first shown (changing flags hides a window).
void UseDialogFrame(QWidget* window, Qt::WindowType type = Qt::Dialog);

// Runs `dialog` modally, then gives the window under it (its parent's
// window) the activation and keyboard focus back, so the next key acts
// there without a click first. Returns exec()'s result.
int RunModal(QDialog& dialog);
// A dialog of type D that needs nothing but its parent, run modally.
template <class D>
int RunDialog(QWidget* parent) {
  D dialog(parent);
  return RunModal(dialog);
}

// Gives `window` the activation and the keyboard focus: its focus widget,
// or the window itself when none of its widgets has the focus.
void RestoreFocus(QWidget* window);

}  // namespace ui
