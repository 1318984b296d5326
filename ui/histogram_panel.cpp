#include "ui/histogram_panel.h"

#include <QPainterPath>
#include <algorithm>
#include <vector>


namespace ui {

void HistogramPanel::SetLogarithmic(bool on) {
  m_log = on;
  update();
}

void HistogramPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QString title = m_log ? tr("直方图 (对数)") : tr("直方图");
  const QRect plot = scope::PaintFace(p, rect(), title).adjusted(0, 0, 0, -12);
  if (!Result() || Result()->scopes.histogram.channels == 0 || plot.width() < 4 || plot.height() < 4) return;
  const corvane::analysis::Histogram& h = Result()->scopes.histogram;
  const QColor* colours = h.rgb ? scope::kRgbColours : scope::kYuvColours;
  static const char* const kNames[2][3] = {{"Y", "U", "V"}, {"R", "G", "B"}};
  p.setRenderHint(QPainter::Antialiasing);
  p.setCompositionMode(QPainter::CompositionMode_Plus);
  for (int c = 0; c < h.channels; ++c) {
    const std::vector<uint32_t>& counts = h.counts[size_t(c)];
    const uint32_t largest = *std::max_element(counts.begin(), counts.end());
    if (largest == 0) continue;
    // More bins than pixel columns: each column the highest of its bins, so
    // a spike of one code value keeps its height.
    const uint32_t columns = std::min<uint32_t>(h.bins, uint32_t(plot.width()));
    std::vector<uint32_t> highest(columns, 0);
    for (uint32_t bin = 0; bin < h.bins; ++bin) {
      uint32_t& c = highest[uint64_t(bin) * columns / h.bins];
      c = std::max(c, counts[bin]);
    }
    QPainterPath path(QPointF(plot.left(), plot.bottom() + 1));
    for (uint32_t column = 0; column < columns; ++column) {
      const double share =
          m_log ? scope::Brightness(highest[column], largest) : double(highest[column]) / double(largest);
      const double x0 = plot.left() + double(column) * plot.width() / columns;
      const double x1 = plot.left() + double(column + 1) * plot.width() / columns;
      const double y = plot.bottom() + 1 - share * plot.height();
      path.lineTo(x0, y);
      path.lineTo(x1, y);
    }
    path.lineTo(plot.right() + 1, plot.bottom() + 1);
    path.closeSubpath();
    QColor fill = colours[c];
    fill.setAlpha(110);
    p.fillPath(path, fill);
    p.strokePath(path, QPen(colours[c], 1));
  }
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  // The code values at the ends and the middle, and the components' names.
  p.setPen(scope::kText);
  const int top = (1 << h.depth) - 1;
  const QRect axis(plot.left(), plot.bottom() + 1, plot.width(), 12);
  p.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("0"));
  p.drawText(axis, Qt::AlignHCenter | Qt::AlignVCenter, QString::number(1 << (h.depth - 1)));
  p.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, QString::number(top));
  for (int c = 0; c < h.channels; ++c) {
    p.setPen(colours[c]);
    p.drawText(QRect(rect().right() - 14 * (h.channels - c) - scope::kPad, 0, 14, scope::kTitleHeight),
               Qt::AlignCenter, QString::fromLatin1(kNames[h.rgb ? 1 : 0][c]));
  }
}

}  // namespace ui
