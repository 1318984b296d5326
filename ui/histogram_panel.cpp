#include "ui/histogram_panel.h"

#include <QPainterPath>
#include <algorithm>


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
    QPainterPath path(QPointF(plot.left(), plot.bottom() + 1));
    for (uint32_t bin = 0; bin < h.bins; ++bin) {
      const double share =
          m_log ? scope::Brightness(counts[bin], largest) : double(counts[bin]) / double(largest);
      const double x = plot.left() + (bin + 0.5) * plot.width() / h.bins;
      path.lineTo(x, plot.bottom() + 1 - share * plot.height());
    }
    path.lineTo(plot.right() + 1, plot.bottom() + 1);
    path.closeSubpath();
    QColor fill = colours[c];
    fill.setAlpha(110);
    p.fillPath(path, fill);
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
