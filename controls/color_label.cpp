#include "controls/color_label.h"

#include <QFontMetrics>
#include <QPainter>

namespace controls {

namespace {
constexpr int kMargin = 2;  // around the text in sizeHint, so a border never touches it
}

ColorLabel::ColorLabel(Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent),
      m_crText(palette().color(QPalette::ButtonText)),
      m_crBack(palette().color(QPalette::Button)),
      m_alignment(alignment) {
  // Every paint fills the whole label; Qt's backing store already buffers the
  // frame, so skipping the background clear is all it takes to avoid flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  SetFont(font(), false);
}

void ColorLabel::Redraw(bool redraw) {
  if (redraw) repaint();
}

void ColorLabel::SetTextColor(const QColor& color, bool redraw) {
  m_crText = color;
  Redraw(redraw);
}

void ColorLabel::SetBkColor(const QColor& color, bool redraw) {
  m_crBack = color;
  Redraw(redraw);
}

void ColorLabel::SetBold(bool bold, bool redraw) {
  m_bold = bold;
  SetFont(m_font, redraw);
}

void ColorLabel::SetFont(const QFont& font, bool redraw) {
  m_font = font;
  m_font.setWeight(m_bold ? QFont::Bold : QFont::Normal);
  Redraw(redraw);
}

void ColorLabel::SetText(const QString& text) {
  m_text = text;
  update();
}

void ColorLabel::SetAlignment(Qt::Alignment alignment) {
  m_alignment = alignment;
  update();
}

QSize ColorLabel::sizeHint() const {
  const QFontMetrics metrics(m_font);
  return {metrics.horizontalAdvance(m_text) + 2 * kMargin, metrics.height() + 2 * kMargin};
}

void ColorLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), m_crBack);
  painter.setPen(m_crText);
  painter.setFont(m_font);
  int flags = static_cast<int>(m_alignment & Qt::AlignHorizontal_Mask);
  if (m_alignment & Qt::AlignVCenter)
    flags |= Qt::AlignVCenter | Qt::TextSingleLine;
  else
    flags |= Qt::AlignTop | Qt::TextWordWrap;
  // drawText clips to the rectangle, so a long single line is cut at the
  // edges; the margin keeps the first and last glyph off the border.
  painter.drawText(rect().adjusted(kMargin, 0, -kMargin, 0), flags, m_text);
}

}  // namespace controls
