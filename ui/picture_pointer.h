// The pointer over the player window's picture: a left-button drag pans a
// zoomed picture (or moves the wipe line; with Shift, while a second file is
// measured, marks the figures' region), Ctrl + wheel zooms around the
// pointer, and every move feeds the coordinate window's readout. Runs the
// window's commands ZoomIn and ZoomOut (around the centre of the picture).
//
// Threads: GUI thread only.
#pragma once

#include <QPoint>

#include "session/player_session.h"

class QEvent;

namespace ui {

class CommandHandlers;
class PlayerWindow;

class PicturePointer {
 public:
  PicturePointer(PlayerWindow& window, session::PlayerSession& session, CommandHandlers& handlers);
  // A mouse or wheel event of the client area; true when it is used up.
  bool OnEvent(QEvent* event);

 private:
  void ZoomStep(int steps);
  void ShowDragCursor(QPoint at);  // `at` in picture coordinates

  PlayerWindow& m_window;
  session::PlayerSession& m_session;
  bool m_panning = false;  // the left button went down on the picture: moves pan it
  bool m_wipe = false;     // the left button took the wipe line
  bool m_region = false;   // the left button with Shift marks the figures' region
  QPoint m_last;           // where the last move of the drag was (picture coordinates)
  int m_wheel = 0;         // Ctrl + wheel angle not yet worth a step
};

}  // namespace ui
