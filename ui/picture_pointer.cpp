#include "ui/picture_pointer.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdlib>

#include "ui/command_wiring.h"
#include "ui/compare_flow.h"
#include "ui/coordinate_tool.h"
#include "ui/player_window.h"
#include "ui/video_widget.h"

namespace ui {

PicturePointer::PicturePointer(PlayerWindow& window, session::PlayerSession& session, CommandHandlers& handlers)
    : m_window(window), m_session(session) {
  handlers.Add(Command::ZoomIn, [this] { ZoomStep(1); });
  handlers.Add(Command::ZoomOut, [this] { ZoomStep(-1); });
}

bool PicturePointer::OnEvent(QEvent* event) {
  VideoWidget* video = m_window.Video();
  switch (event->type()) {
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = video->mapFrom(m_window.centralWidget(), mouse->position().toPoint());
      const QRect pane = m_window.Compare().PaneAt(at);
      if (m_region && (mouse->buttons() & Qt::LeftButton)) {
        m_window.Compare().DragRegion(at);
      } else if (m_wipe && (mouse->buttons() & Qt::LeftButton)) {
        video->SetWipeX(at.x());
      } else if (m_panning && (mouse->buttons() & Qt::LeftButton)) {
        const QPoint by = at - m_last;
        m_last = at;
        if (m_session.PanBy(by.x(), by.y(), pane.width(), pane.height())) m_window.UpdateStatus();
      }
      m_window.Coordinates()->ShowPixelAt(at - pane.topLeft(), pane.size());
      ShowDragCursor(at);
      return false;
    }
    case QEvent::MouseButtonPress: {
      // A drag with the left button moves a zoomed picture.
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = video->mapFrom(m_window.centralWidget(), mouse->position().toPoint());
      // With Shift held the drag marks the region the figures are measured over.
      m_region = mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier) &&
                 video->rect().contains(at) && m_window.Compare().BeginRegion(at);
      if (m_region) return true;
      m_panning = mouse->button() == Qt::LeftButton && video->rect().contains(at);
      // In the wipe view a press on (or next to) the line drags the line.
      m_wipe = m_panning && video->CurrentLayout() == VideoWidget::Layout::kWipe && std::abs(at.x() - video->WipeX()) <= 6;
      m_last = at;
      ShowDragCursor(at);
      return false;
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (m_region && mouse->button() == Qt::LeftButton) {
        m_region = false;
        m_window.Compare().EndRegion(video->mapFrom(m_window.centralWidget(), mouse->position().toPoint()));
        return true;
      }
      if (mouse->button() == Qt::LeftButton) m_panning = m_wipe = false;
      ShowDragCursor(video->mapFrom(m_window.centralWidget(), mouse->position().toPoint()));
      return false;
    }
    case QEvent::Wheel: {
      // Ctrl + wheel over the picture zooms around the pointer, a step a notch.
      const auto* wheel = static_cast<QWheelEvent*>(event);
      const QPoint at = video->mapFrom(m_window.centralWidget(), wheel->position().toPoint());
      if (!(wheel->modifiers() & Qt::ControlModifier) || !video->rect().contains(at)) return false;
      m_wheel += wheel->angleDelta().y();
      const int steps = m_wheel / 120;
      m_wheel %= 120;
      const QRect pane = m_window.Compare().PaneAt(at);
      const QPoint local = at - pane.topLeft();
      if (steps != 0 && m_session.ZoomAt(steps, local.x(), local.y(), pane.width(), pane.height())) {
        m_window.UpdateStatus();
        m_window.Coordinates()->ShowPixelAt(local, pane.size());
        ShowDragCursor(at);
      }
      return true;
    }
    default:
      return false;
  }
}

void PicturePointer::ShowDragCursor(QPoint at) {
  // A hand over a picture that a drag can move; the plain arrow elsewhere.
  const bool movable = !m_session.CurrentView().IsWhole() && m_window.Video()->rect().contains(at);
  if (!movable)
    m_window.centralWidget()->unsetCursor();
  else
    m_window.centralWidget()->setCursor(m_panning ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
}

void PicturePointer::ZoomStep(int steps) {
  // The keys zoom around the centre of the picture area (of a pane, side by side).
  const QRect pane = m_window.Video()->PaneRect(0);
  if (m_session.ZoomAt(steps, pane.width() / 2, pane.height() / 2, pane.width(), pane.height()))
    m_window.UpdateStatus();
}

}  // namespace ui
