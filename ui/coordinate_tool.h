// The coordinate window as the player drives it: shown and hidden by its menu
// item and its own close box, placed below the player's frame (beside it
// when there is no room below), fed the pixel under the pointer. While it shows, the player is held at its size (at
// 100 %, so client pixels are frame pixels) and asks for no maximise button.
//
// Threads: GUI thread only.
#pragma once

#include <QPoint>
#include <QSize>
#include <functional>

#include "session/player_session.h"

namespace ui {

class CoordinateWindow;
class PlayerWindow;

class CoordinateTool {
 public:
  CoordinateTool(PlayerWindow* player, session::PlayerSession* session);

  void Toggle();
  // Hides the window when playing has stopped since it was shown (a stop,
  // a file closed or replaced).
  void Sync();
  bool IsVisible() const;
  // It shows, and nothing has stopped since: the fact the command rules ask for.
  bool Shows() const;
  // Under the player's frame, or beside it when that would leave the
  // screen's available area; always whole on that area.
  void Place();
  // The component list follows the view; it takes input only with frames.
  void SelectComponent(int n);
  void EnableList(const session::PlayerView& view);
  // The pixel under a point of the picture widget (of `pictureSize`).
  void ShowPixelAt(QPoint picturePoint, QSize pictureSize);
  // Runs `resize` with the player's size released, then holds it again if it was.
  void ReleaseSize(const std::function<void()>& resize);
  CoordinateWindow* Window() const { return m_window; }  // null before first use

 private:
  void Hold(bool hold);

  PlayerWindow* const m_player;
  session::PlayerSession* const m_session;
  CoordinateWindow* m_window = nullptr;  // a child of the player; made on first use
  bool m_held = false;
  uint64_t m_shownAt = 0;  // the session's stop count when the window was shown
  QSize m_heldMinimum;  // the player's minimum size before the hold
};

}  // namespace ui
