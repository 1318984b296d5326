#include "ui/coordinate_tool.h"

#include <QComboBox>
#include <QWindow>
#include <algorithm>

#include "ui/coordinate_window.h"
#include "ui/player_window.h"
#include "ui/video_widget.h"
#include "ui/window_sizing.h"

namespace ui {

CoordinateTool::CoordinateTool(PlayerWindow* player, session::PlayerSession* session)
    : m_player(player), m_session(session) {}

bool CoordinateTool::IsVisible() const { return m_window && m_window->isVisible(); }

bool CoordinateTool::Shows() const { return IsVisible() && m_session->Stops() == m_shownAt; }

void CoordinateTool::Toggle() {
  if (!m_window) {
    m_window = new CoordinateWindow(m_player);
    QObject::connect(m_window, &CoordinateWindow::componentChosen, m_player, [this](int n) {
      m_player->Run(*session::CommandOf(session::Group::kComponent, n));
      m_player->UpdateControls();
    });
    // Queued, as the close box's request reaches the player after the event
    // that carried it; by then a stop may have hidden the window already.
    QObject::connect(
        m_window, &CoordinateWindow::closeRequested, m_player,
        [this] {
          if (IsVisible()) Toggle();
        },
        Qt::QueuedConnection);
  }
  m_window->SelectComponent(m_session->View().component);
  if (m_window->isVisible()) {
    m_window->hide();
    Hold(false);
  } else {
    m_session->ResetZoom();
    m_shownAt = m_session->Stops();
    m_window->show();
    if (m_player->Video()->size() != m_player->PictureBaseSize())
      m_player->ResizeForPicture(uint32_t(m_player->PictureBaseSize().width()),
                                 uint32_t(m_player->PictureBaseSize().height()));
    Hold(true);
  }
  Place();
}

void CoordinateTool::Sync() {
  if (Shows() || !IsVisible()) return;
  m_window->hide();
  Hold(false);
}

void CoordinateTool::Hold(bool hold) {
  if (hold == m_held) return;
  m_held = hold;
  if (hold) {
    m_heldMinimum = m_player->minimumSize();
    m_player->setFixedSize(m_player->size());
  } else {
    m_player->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_player->setMinimumSize(m_heldMinimum);
  }
  // No maximise button while the size is held. Set on the native window, as
  // the widget's setWindowFlags would hide the window and map it afresh; the
  // widget's own record of its flags follows without touching the window.
  Qt::WindowFlags flags = m_player->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
  flags.setFlag(Qt::WindowMaximizeButtonHint, !hold);
  m_player->overrideWindowFlags(flags);
  if (QWindow* native = m_player->windowHandle()) native->setFlags(flags);
}

void CoordinateTool::ReleaseSize(const std::function<void()>& resize) {
  const bool held = m_held;
  Hold(false);
  resize();
  Hold(held);
}

void CoordinateTool::Place() {
  if (!IsVisible()) return;
  const QRect player = m_player->frameGeometry();
  const QRect area = AvailableArea();
  // A window the window manager has not framed yet will get the player's
  // frame (same manager, same decoration): its outer size counts that in.
  const bool framed = m_window->frameGeometry() != m_window->geometry();
  const QMargins frame = framed ? FrameMargins(*m_window) : FrameMargins(*m_player);
  const QSize outer = m_window->size().grownBy(frame);
  // Under the player's frame; where that is off the screen's available
  // area, beside the player (right, else left); where neither fits (a
  // player as large as the screen), over the player's lower right corner.
  // Always whole on the available area.
  QPoint at;
  if (player.bottom() + outer.height() <= area.bottom())
    at = QPoint(player.left(), player.bottom() + 1);
  else if (player.right() + outer.width() <= area.right())
    at = QPoint(player.right() + 1, player.top());
  else if (player.left() - outer.width() >= area.left())
    at = QPoint(player.left() - outer.width(), player.top());
  else
    at = QPoint(player.right() + 1 - outer.width(), player.bottom() + 1 - outer.height());
  at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
  at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
  // move() places a framed window's frame, but an unframed one by its
  // client area: that goes the frame's width and title bar further in.
  if (!framed) at += QPoint(frame.left(), frame.top());
  m_window->move(at);
}

void CoordinateTool::SelectComponent(int n) {
  if (IsVisible()) m_window->SelectComponent(n);
}

void CoordinateTool::EnableList(const session::PlayerView& view) {
  if (m_window && view.state != session::PlayState::NoFile)
    m_window->ComponentList()->setEnabled(view.state == session::PlayState::Playing ||
                                          view.state == session::PlayState::Paused);
}

void CoordinateTool::ShowPixelAt(QPoint picturePoint, QSize pictureSize) {
  // On every pointer move: the state alone, never the engine's view.
  const session::PlayState state = m_session->State();
  corvane::PlaybackGraph* graph = m_session->Graph();
  if (!IsVisible() || !graph || (state != session::PlayState::Playing && state != session::PlayState::Paused))
    return;
  // Through the rectangle the display drew the picture into: over a bar the
  // window keeps what it showed last.
  const corvane::YUVPara& para = m_session->Para();
  std::optional<QPoint> px;
  if (m_session->CurrentView().IsWhole()) {
    px = FramePixelAt(picturePoint, pictureSize, graph->GetAspectMode(), para.width, para.height);
  } else if (const auto zoomed = m_session->FramePixelAt(picturePoint.x(), picturePoint.y(), pictureSize.width(),
                                                         pictureSize.height())) {
    // Through the zoomed view: the pixel drawn under the pointer.
    px = QPoint(int(zoomed->x), int(zoomed->y));
  }
  if (!px) return;
  // Without a value (an RGB format, no frame) the window shows -1 for each.
  const corvane::PixelValue v = graph->GetPixelValue(uint32_t(px->x()), uint32_t(px->y())).value_or(corvane::PixelValue{});
  int c[3] = {v.c1, v.c2, v.c3};
  if (!m_session->HasReference()) {
    m_window->ShowPixel(px->x(), px->y(), c[0], c[1], c[2]);
    return;
  }
  // The second file's samples at the same place of the same frame.
  int b[3] = {-1, -1, -1};
  const bool haveB = m_session->ReferenceSamplesAt(uint32_t(px->x()), uint32_t(px->y()), b);
  m_window->ShowPixelPair(px->x(), px->y(), c, haveB ? b : nullptr);
}

}  // namespace ui
