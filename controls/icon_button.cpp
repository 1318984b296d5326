#include "controls/icon_button.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <qdrawutil.h>

#include "controls/resources.h"

namespace controls {

namespace {
constexpr QSize kDefaultSize(20, 20);  // the player's buttons
constexpr QPoint kPressedOffset(1, 1);  // how far an ordinary button's icon sinks while held
constexpr int kFrameWidth = 1;
// The grey of the disabled images in res/icons (fill="#a3a7ad").
const QColor kDisabledColor(0xa3, 0xa7, 0xad);
}  // namespace

IconButton::IconButton(QWidget* parent) : IconButton(Kind::Push, parent) {}

IconButton::IconButton(Kind kind, QWidget* parent) : QAbstractButton(parent) {
  SetCheckBoxMode(kind == Kind::CheckBox);
  // Moves are needed without a button held: the hover has to come back when
  // the pointer moves after the focus left with the pointer still inside.
  setMouseTracking(true);
}

IconButton::Image IconButton::LoadImage(int id) {
  Image image;
  if (id == 0) return image;
  const QString path = IconPath(id);
  const QSvgRenderer renderer(path);
  if (!renderer.isValid()) return image;
  image.id = id;
  image.icon = QIcon(path);
  image.size = renderer.defaultSize();
  return image;
}

void IconButton::SetIcon(int inId, int outId) {
  m_in = LoadImage(inId);
  m_out = LoadImage(outId);
  updateGeometry();
  update();
}

void IconButton::SetCheckBoxMode(bool checkBox) {
  setCheckable(checkBox);
  update();
}

void IconButton::SetCheck(int check, bool redraw) {
  if (!isCheckable()) return;
  setChecked(check != 0);
  if (redraw) repaint();
}

void IconButton::SetTooltipText(const QString& text, bool activate) {
  if (text.isNull()) return;
  m_tooltip = text;
  setToolTip(activate ? text : QString());
}

bool IconButton::ShowsOutIcon() const {
  if (m_out.id == 0) return false;
  const bool pressed = IsDrawnPressed();
  // A check box keeps its out icon under the pointer: only the check state
  // decides, so the icon never suggests a state the button is not in.
  return (IsCheckBox() && !pressed) || (!pressed && !m_mouseOnButton);
}

int IconButton::ImageId() const { return ShowsOutIcon() ? m_out.id : m_in.id; }

QSize IconButton::sizeHint() const {
  const QSize frame(2 * (kFrameWidth + 1), 2 * (kFrameWidth + 1));
  return kDefaultSize.expandedTo(m_in.size + frame).expandedTo(m_out.size + frame);
}

void IconButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool pressed = IsDrawnPressed();
  painter.fillRect(rect(), palette().button());
  if (pressed)
    qDrawShadeRect(&painter, rect(), palette(), true, kFrameWidth);
  else if (m_mouseOnButton)
    qDrawShadeRect(&painter, rect(), palette(), false, kFrameWidth);

  const Image& image = ShowsOutIcon() ? m_out : m_in;
  if (image.icon.isNull()) return;
  QRect target(QPoint((width() - image.size.width()) / 2, (height() - image.size.height()) / 2),
               image.size);
  if (pressed && !IsCheckBox()) target.translate(kPressedOffset);
  if (isEnabled()) {
    image.icon.paint(&painter, target, Qt::AlignCenter, QIcon::Normal);
    return;
  }
  // Most buttons have an image of their own for the disabled state, drawn in
  // one grey; a button without one (the direction button) is drawn as its
  // silhouette in that grey. The style's disabled look of a dark icon is
  // still dark enough to pass for an enabled button.
  QPixmap shape = image.icon.pixmap(image.size, devicePixelRatioF());
  {
    QPainter tint(&shape);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(shape.rect(), kDisabledColor);
  }
  painter.drawPixmap(target, shape);
}

void IconButton::TrackHover(const QPoint& pos, Qt::MouseButtons buttons) {
  // A drag that started elsewhere does not light the button up.
  if ((buttons & Qt::LeftButton) && !m_mouseOnButton) return;
  if (!rect().contains(pos)) {
    EndHover();
    return;
  }
  if (!m_mouseOnButton) {
    m_mouseOnButton = true;
    update();
  }
}

void IconButton::EndHover() {
  if (!m_mouseOnButton) return;
  m_mouseOnButton = false;
  update();
}

void IconButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  TrackHover(event->position().toPoint(), QGuiApplication::mouseButtons());
}

void IconButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  EndHover();
}

void IconButton::mouseMoveEvent(QMouseEvent* event) {
  QAbstractButton::mouseMoveEvent(event);
  TrackHover(event->position().toPoint(), event->buttons());
}

void IconButton::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  EndHover();
}

void IconButton::changeEvent(QEvent* event) {
  QAbstractButton::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
    EndHover();
  } else if (event->type() == QEvent::EnabledChange && !isEnabled()) {
    // A disabled button gets no leave event, so its hover frame would stay.
    // (Qt itself passes the focus on to the next widget in the tab order.)
    EndHover();
  }
}

}  // namespace controls
