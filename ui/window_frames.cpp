#include "ui/window_frames.h"

#include <QDialog>
#include <QWidget>

namespace ui {

void UseDialogFrame(QWidget* window, Qt::WindowType type) {
  // CustomizeWindowHint switches the defaults off; only the hints named
  // here are drawn.
  window->setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint);
}

void RestoreFocus(QWidget* window) {
  if (!window || !window->isVisible()) return;
  window->activateWindow();
  if (QWidget* focus = window->focusWidget())
    focus->setFocus(Qt::ActiveWindowFocusReason);
  else
    window->setFocus(Qt::ActiveWindowFocusReason);
}

int RunModal(QDialog& dialog) {
  QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
  const int result = dialog.exec();
  RestoreFocus(owner);
  return result;
}

}  // namespace ui
