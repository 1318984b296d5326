#include "ui/waveform_panel.h"

#include <algorithm>


namespace ui {

using corvane::analysis::Waveform;

void WaveformPanel::Prepare() {
  m_trace = QImage();
  if (Result() && Result()->scopes.waveform.planes > 0) {
    const Waveform& w = Result()->scopes.waveform;
    const uint32_t largest = *std::max_element(w.counts.begin(), w.counts.end());
    const int width = int(w.columns) * w.planes;
    m_trace = QImage(width, int(Waveform::kLevels), QImage::Format_RGB32);
    m_trace.fill(scope::kFace);
    const QColor* colours = w.rgb ? scope::kRgbColours : scope::kYuvColours;
    for (int plane = 0; plane < w.planes; ++plane) {
      // A single trace is drawn in a scope's green; a parade in the components' colours.
      const QColor colour = w.planes == 1 ? QColor(120, 255, 140) : colours[plane];
      for (uint32_t level = 0; level < Waveform::kLevels; ++level) {
        auto* row = reinterpret_cast<QRgb*>(m_trace.scanLine(int(Waveform::kLevels - 1 - level))) + plane * w.columns;
        for (uint32_t column = 0; column < w.columns; ++column)
          if (const uint32_t n = w.At(plane, column, level))
            row[column] = scope::Shade(colour, scope::Brightness(n, largest));
      }
    }
  }
}

void WaveformPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect area = scope::PaintFace(p, rect(), tr("波形图"));
  if (!Result() || m_trace.isNull() || area.width() < 40 || area.height() < 8) return;
  const Waveform& w = Result()->scopes.waveform;
  // The code values' labels at the left; the top label clear of the title.
  const QRect plot = area.adjusted(32, 6, 0, 0);
  p.drawImage(plot, scope::Pooled(m_trace, plot.size()));
  // The graticule: 0, a quarter, half, three quarters and the top code, and
  // the legal range, each at the middle of its level.
  const int depth = w.depth, scale = depth - 8;
  auto yOf = [&](int code) {
    const double level = double(code) / double(1 << scale);
    return plot.bottom() + 1 - (level + 0.5) * plot.height() / Waveform::kLevels;
  };
  QFont font = p.font();
  font.setPixelSize(10);
  p.setFont(font);
  const int top = (1 << depth) - 1;
  for (int code : {0, (top + 1) / 4, (top + 1) / 2, 3 * (top + 1) / 4, top}) {
    const double y = yOf(code);
    p.setPen(QPen(scope::kGrid, 1, Qt::DotLine));
    p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    p.setPen(scope::kText);
    p.drawText(QRectF(area.left(), y - 6, 30, 12), Qt::AlignRight | Qt::AlignVCenter, QString::number(code));
  }
  // The legal range, scaled for the depth: 16 to 235 for luma (and for R,
  // G, B); in a Y/U/V parade the U and V thirds end at 240, the top of
  // chroma's range (BT.601, BT.709).
  struct Span {
    double left, right;
    int top;
  };
  const double third = plot.left() + plot.width() / 3.0;
  const bool chromaThirds = w.planes == 3 && !w.rgb;
  const Span spans[2] = {{double(plot.left()), chromaThirds ? third : plot.right() + 1.0, 235},
                         {third, plot.right() + 1.0, 240}};
  p.setPen(QPen(scope::kLegal, 1, Qt::DashLine));
  for (int i = 0; i < (chromaThirds ? 2 : 1); ++i) {
    const Span& span = spans[i];
    for (int code : {16 << scale, span.top << scale}) {
      const double y = yOf(code);
      p.drawLine(QPointF(span.left, y), QPointF(span.right - 1, y));
      if (code != 16 << scale || i == (chromaThirds ? 1 : 0))  // 16 named once, at the right
        p.drawText(QRectF(span.right - 41, y - 12, 40, 12), Qt::AlignRight | Qt::AlignBottom, QString::number(code));
    }
  }
  if (w.planes == 3) {
    static const char* const kNames[2][3] = {{"Y", "U", "V"}, {"R", "G", "B"}};
    p.setPen(scope::kGrid);
    for (int plane = 0; plane < 3; ++plane) {
      const int x = plot.left() + plane * plot.width() / 3;
      if (plane > 0) p.drawLine(x, plot.top(), x, plot.bottom());
      p.setPen((w.rgb ? scope::kRgbColours : scope::kYuvColours)[plane]);
      p.drawText(QRect(x + 3, plot.top(), 20, 12), Qt::AlignLeft | Qt::AlignTop,
                 QString::fromLatin1(kNames[w.rgb ? 1 : 0][plane]));
      p.setPen(scope::kGrid);
    }
  }
}

}  // namespace ui
