// A line of status text with its own text and background colours and an
// optional bold weight; the player's two status fields are white bold text on
// black. The text painted is the label's own (SetText), not QWidget's
// windowTitle or anything a style would draw.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace controls {

class ColorLabel : public QWidget {
  Q_OBJECT

 public:
  // alignment: the horizontal part (AlignLeft, AlignHCenter or AlignRight)
  // places the text; with AlignVCenter the text is one line, centred
  // vertically and clipped at the sides, otherwise it is word-wrapped from the
  // top.
  explicit ColorLabel(Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop,
                      QWidget* parent = nullptr);

  // With redraw the label is painted before the call returns; without it the
  // change shows at the next paint.
  void SetTextColor(const QColor& color, bool redraw = true);
  void SetBkColor(const QColor& color, bool redraw = true);
  void SetBold(bool bold, bool redraw = true);
  // Takes the family and size of font; the weight always follows SetBold.
  void SetFont(const QFont& font, bool redraw = true);
  // Schedules a repaint; the label is opaque, so nothing is cleared first and
  // setting the same text again does not flicker.
  void SetText(const QString& text);

  void SetAlignment(Qt::Alignment alignment);

  QColor TextColor() const { return m_crText; }
  QColor BkColor() const { return m_crBack; }
  bool IsBold() const { return m_bold; }
  QFont Font() const { return m_font; }
  QString Text() const { return m_text; }
  Qt::Alignment Alignment() const { return m_alignment; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Redraw(bool redraw);

  QFont m_font;
  QColor m_crText;
  QColor m_crBack;
  bool m_bold = false;
  QString m_text;
  Qt::Alignment m_alignment;
};

}  // namespace controls
