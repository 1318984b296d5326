#include "controls/seek_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <climits>

namespace controls {

int PositionFromPoint(int x, int grooveLeft, int grooveRight, int min, int max) {
  if (grooveRight <= grooveLeft) return min;
  const double cells = static_cast<double>(max) - min + 1;
  const double pos =
      static_cast<double>(x - grooveLeft) / (grooveRight - grooveLeft) * cells + min;
  // A pointer far outside a huge range must not overflow the conversion.
  return static_cast<int>(std::clamp(pos, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

QRect SeekSlider::GrooveRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
}

bool SeekSlider::SetPosFromPoint(const QPoint& point) {
  const QRect groove = GrooveRect();
  // The right edge is exclusive: a click on the last pixel column of the
  // groove still lands inside the last cell.
  const int pos = PositionFromPoint(point.x(), groove.x(), groove.x() + groove.width(),
                                    minimum(), maximum());
  if (pos == value()) return false;
  setValue(pos);
  return true;
}

void SeekSlider::NotifyParent() {
  const int position = value();
  QMetaObject::invokeMethod(
      this, [this, position] { emit thumbTracked(position); }, Qt::QueuedConnection);
}

void SeekSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QSlider::mousePressEvent(event);
    return;
  }
  // QSlider's own press handling (paging, grabbing the handle) is replaced
  // entirely; Qt's implicit grab keeps the moves coming while the button is
  // held, even outside the widget.
  m_tracking = true;
  event->accept();
  if (SetPosFromPoint(event->position().toPoint())) NotifyParent();
}

void SeekSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!m_tracking) {
    QSlider::mouseMoveEvent(event);
    return;
  }
  event->accept();
  if (SetPosFromPoint(event->position().toPoint())) NotifyParent();
}

void SeekSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_tracking || event->button() != Qt::LeftButton) {
    QSlider::mouseReleaseEvent(event);
    return;
  }
  // The handle follows the release point, but the last notification was the
  // one of the last move: the release itself starts no seek.
  m_tracking = false;
  event->accept();
  SetPosFromPoint(event->position().toPoint());
}

}  // namespace controls
