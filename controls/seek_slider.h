// The position slider under the picture. A press anywhere on the groove moves
// the handle straight to that place (a plain QSlider would page towards it)
// and a drag with the left button moves it with the pointer. Every change made
// by the mouse is announced once through thumbTracked, which the player turns
// into a seek.
#pragma once

#include <QRect>
#include <QSlider>

class QMouseEvent;

namespace controls {

// The slider value under pointer x: the groove, from grooveLeft up to (not
// including) grooveRight, is split into max - min + 1 equal cells. Computed in
// floating point and truncated towards zero, and not clamped: x == grooveRight
// gives max + 1 and a pointer beyond either end gives values outside the range.
// A groove without width gives min.
int PositionFromPoint(int x, int grooveLeft, int grooveRight, int min, int max);

class SeekSlider : public QSlider {
  Q_OBJECT

 public:
  explicit SeekSlider(QWidget* parent = nullptr);

  // Moves the handle to the value under point (widget coordinates); QSlider
  // clamps it to the range. Returns true when the computed value differs from
  // the current one. The comparison is made before clamping, so a drag beyond
  // either end keeps reporting a change (and notifying) on every move.
  bool SetPosFromPoint(const QPoint& point);

  // The groove in widget coordinates, as the current style lays it out.
  QRect GrooveRect() const;

  // True from the left-button press until its release.
  bool IsTracking() const { return m_tracking; }

 signals:
  // The handle was moved by a press or a drag; position is the clamped value
  // at the time of the move. Always delivered through the event loop, after
  // the mouse handler has returned, so the receiver may do slow work (a seek)
  // without holding up the slider.
  void thumbTracked(int position);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void NotifyParent();

  bool m_tracking = false;
};

}  // namespace controls
