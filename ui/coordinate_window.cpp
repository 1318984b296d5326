#include "ui/coordinate_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/display.h"
#include "ui/window_frames.h"

namespace ui {

std::optional<QPoint> FramePixelAt(QPoint p, QSize widget, int aspectMode, uint32_t frameW, uint32_t frameH) {
  if (frameW == 0 || frameH == 0 || widget.width() <= 0 || widget.height() <= 0) return std::nullopt;
  // The very rectangle the display draws the picture into.
  const platform::Rect r = corvane::AspectRect(aspectMode, widget.width(), widget.height(), frameW, frameH);
  if (r.IsEmpty() || p.x() < r.left || p.x() >= r.right || p.y() < r.top || p.y() >= r.bottom) return std::nullopt;
  // The frame pixel whose area holds the centre of the screen pixel, as the
  // scaler samples it: (i + ½) · frame / picture, so a shrunk picture still
  // reaches the frame's last row and column. In 64 bits, since a wide frame
  // times a wide window exceeds 32.
  const int64_t x = (2 * int64_t(p.x() - r.left) + 1) * frameW / (2 * int64_t(r.Width()));
  const int64_t y = (2 * int64_t(p.y() - r.top) + 1) * frameH / (2 * int64_t(r.Height()));
  return QPoint(int(x), int(y));
}

CoordinateWindow::CoordinateWindow(QWidget* owner) : QWidget(owner) {
  setObjectName(QStringLiteral("coordinateWindow"));
  UseDialogFrame(this, Qt::Tool);
  QFont f(QStringLiteral("Tahoma"));
  f.setPointSize(10);
  setFont(f);

  m_group = new QGroupBox(this);
  auto* grid = new QGridLayout(m_group);
  m_labels[0] = new QLabel(m_group);
  grid->addWidget(m_labels[0], 0, 0);
  m_position = new QLineEdit(m_group);
  m_position->setObjectName(QStringLiteral("edit1040"));
  m_position->setReadOnly(true);
  grid->addWidget(m_position, 0, 1);
  for (int i = 0; i < 3; ++i) {
    m_labels[i + 1] = new QLabel(m_group);
    grid->addWidget(m_labels[i + 1], i + 1, 0);
    m_values[i] = new QLabel(QStringLiteral("0"), m_group);
    m_values[i]->setObjectName(QStringLiteral("value%1").arg(1044 + i));
    grid->addWidget(m_values[i], i + 1, 1);
  }
  m_list = new QComboBox(m_group);
  m_list->setObjectName(QStringLiteral("list1039"));
  for (int i = 0; i < 4; ++i) m_list->addItem(QString());
  m_list->setCurrentIndex(0);
  grid->addWidget(m_list, 4, 0, 1, 2);
  SetTexts();
  // `activated` comes only from the user's own choice, never from
  // SelectComponent, so the owner's command cannot loop back here.
  connect(m_list, &QComboBox::activated, this, &CoordinateWindow::componentChosen);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_group);
}

int CoordinateWindow::WidthFor(int base) const {
  QFont caption = font();
  caption.setBold(true);
  return std::max(base, QFontMetrics(caption).horizontalAdvance(windowTitle()) + kCaptionRoom);
}

void CoordinateWindow::SetTexts() {
  setWindowTitle(tr("YUV坐标显示"));
  setFixedSize(WidthFor(m_pair ? kPairWidth : kWidth), kHeight);
  m_group->setTitle(tr("显示"));
  m_labels[0]->setText(tr("坐标"));
  const char* const names[4] = {QT_TR_NOOP("YUV"), QT_TR_NOOP("Y"), QT_TR_NOOP("U"), QT_TR_NOOP("V")};
  for (int i = 0; i < 3; ++i) m_labels[i + 1]->setText(tr(names[i + 1]));
  for (int i = 0; i < 4; ++i) m_list->setItemText(i, tr(names[i]));
}

void CoordinateWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) SetTexts();
}

void CoordinateWindow::ShowPixel(int x, int y, int c1, int c2, int c3) {
  m_pair = false;
  if (width() != WidthFor(kWidth)) setFixedSize(WidthFor(kWidth), kHeight);
  m_position->setText(QStringLiteral("%1*%2").arg(x).arg(y));
  const int v[3] = {c1, c2, c3};
  for (int i = 0; i < 3; ++i) m_values[i]->setText(QString::number(v[i]));
}

void CoordinateWindow::ShowPixelPair(int x, int y, const int a[3], const int* b) {
  m_pair = true;
  if (width() != WidthFor(kPairWidth)) setFixedSize(WidthFor(kPairWidth), kHeight);
  m_position->setText(QStringLiteral("%1*%2").arg(x).arg(y));
  for (int i = 0; i < 3; ++i) {
    if (!b || a[i] < 0 || b[i] < 0)
      m_values[i]->setText(QStringLiteral("%1 / %2").arg(a[i]).arg(b ? QString::number(b[i]) : QStringLiteral("-")));
    else
      m_values[i]->setText(QStringLiteral("%1 / %2 (%3)").arg(a[i]).arg(b[i]).arg(a[i] - b[i]));
  }
}

void CoordinateWindow::SelectComponent(int n) {
  if (n >= 0 && n < m_list->count()) m_list->setCurrentIndex(n);
}

QString CoordinateWindow::PositionText() const { return m_position->text(); }

QString CoordinateWindow::ValueText(int i) const { return (i >= 0 && i < 3) ? m_values[i]->text() : QString(); }

void CoordinateWindow::closeEvent(QCloseEvent* event) {
  // The window is kept for the next time; the owner hides it and gives its
  // own window the sizing border back.
  if (parentWidget()) {
    event->ignore();
    emit closeRequested();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace ui
