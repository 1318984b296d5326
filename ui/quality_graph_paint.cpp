// The quality graph's painting: the PSNR and SSIM lines, the statistics
// plot, the grid, the legend, the lowest frame and the marker.
#include <QPainter>
#include <QPolygonF>
#include <QVector>
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

#include "ui/quality_graph.h"
#include "ui/quality_graph_look.h"

namespace ui {

using corvane::analysis::Sampling;
using namespace graph_look;

void QualityGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  if (!m_track || m_planned == 0) return;
  const Layout layout = LayOut();
  DrawLegend(p, layout);
  if (!layout.statPlot.isEmpty() && layout.statPlot.width() >= 2 && layout.statPlot.height() >= 2)
    DrawStatistic(p, layout.statPlot);
  if (layout.bitsPlot.width() >= 2 && layout.bitsPlot.height() >= 2) DrawBits(p, layout.bitsPlot);
  const QRect plot = layout.plot;
  if (plot.width() < 2 || plot.height() < 2) return;
  const bool ssimShown = SsimShown();
  const Range psnr = PsnrAxis(), ssim = SsimAxis();
  DrawAxes(p, plot, psnr, ssim, ssimShown);
  p.setClipRect(plot);
  for (int s = 0; s < 4; ++s) {
    if (s >= m_planeCount && s != 3) continue;
    const QColor colour = s == 3 ? kAverageColour : (m_sampling == Sampling::kRgb ? kRgbColours : kYuvColours)[s];
    if (ssimShown) {
      p.setPen(QPen(Paler(colour), 0));
      DrawLine(p, plot, 4 + s, ssim);
    }
    p.setPen(QPen(colour, 0));
    DrawLine(p, plot, s, psnr);
  }
  p.setClipping(false);
  DrawLowest(p, plot, psnr);
  DrawMarker(p, plot);
}

void QualityGraph::DrawAxes(QPainter& p, const QRect& plot, Range psnr, Range ssim, bool ssimShown) const {
  DrawGrid(p, plot, psnr, psnr.high - psnr.low >= 3 ? 0 : 1, ssimShown ? &ssim : nullptr);
  if (!m_statistic && !HasBits()) DrawFrameNumbers(p, plot);  // else under the plot at the bottom
}

void QualityGraph::DrawGrid(QPainter& p, const QRect& plot, Range left, int decimals, const Range* right) const {
  p.setPen(kGrid);
  p.drawRect(plot.adjusted(0, 0, -1, -1));
  for (int i = 0; i <= 2; ++i) {
    const int y = plot.bottom() - i * (plot.height() - 1) / 2;
    p.setPen(kGrid);
    p.drawLine(plot.left(), y, plot.right(), y);
    p.setPen(kText);
    p.drawText(AxisLabelRect(plot, i, false), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(left.low + i * (left.high - left.low) / 2, 'f', decimals));
    if (right)
      p.drawText(AxisLabelRect(plot, i, true), Qt::AlignLeft | Qt::AlignVCenter,
                 QString::number(right->low + i * (right->high - right->low) / 2, 'f', 3));
  }
}

void QualityGraph::DrawFrameNumbers(QPainter& p, const QRect& plot) const {
  const QRect bottomRow(plot.left(), plot.bottom() + 1, plot.width(), height() - plot.bottom() - 1);
  p.drawText(bottomRow, Qt::AlignLeft | Qt::AlignVCenter, QString::number(FrameOfIndex(1)));
  p.drawText(bottomRow, Qt::AlignRight | Qt::AlignVCenter, QString::number(FrameOfIndex(m_planned)));
}

void QualityGraph::DrawMarker(QPainter& p, const QRect& plot) const {
  if (IndexOf(m_current) < 1 || IndexOf(m_current) > m_planned) return;
  const int x = XIn(plot, m_planned, IndexOf(m_current));
  p.setPen(QPen(kMarker, 1));
  p.drawLine(x, plot.top(), x, plot.bottom());
}

void QualityGraph::DrawStatistic(QPainter& p, const QRect& plot) const {
  const Range range = StatisticAxis();
  const double span = range.high - range.low;
  DrawGrid(p, plot, range, span >= 10 ? 0 : span >= 1 ? 1 : 3, nullptr);
  if (!HasBits()) DrawFrameNumbers(p, plot);
  p.setClipRect(plot);
  p.setPen(QPen(kStatisticColour, 0));
  DrawValues(p, plot, m_statistics.size(), [&](size_t i) { return float(m_statistics[i][*m_statistic]); }, range);
  p.setClipping(false);
  DrawMarker(p, plot);
}

void QualityGraph::DrawLegend(QPainter& p, const Layout& layout) const {
  const QFontMetrics fm = fontMetrics();
  for (const LegendEntry& e : layout.legend) {
    int x = e.box.left();
    const int y = e.box.top() + e.box.height() / 2;
    if (e.colour.isValid()) {
      p.setPen(QPen(e.colour, 2));
      p.drawLine(x, y, x + 12, y);
      x += 12 + kPad;
    }
    p.setPen(kText);
    p.drawText(x, e.box.top() + fm.ascent(), e.text);
  }
  p.setPen(kText);
  if (!layout.stateText.isEmpty()) p.drawText(layout.state, Qt::AlignRight | Qt::AlignVCenter, layout.stateText);
}

void QualityGraph::DrawLine(QPainter& p, const QRect& plot, int series, Range range) const {
  DrawValues(p, plot, m_values.size(), [&](size_t i) { return m_values[i][size_t(series)]; }, range);
}

void QualityGraph::DrawValues(QPainter& p, const QRect& plot, size_t count, const std::function<float(size_t)>& value,
                              Range range) const {
  const double scale = (plot.height() - 1) / (range.high - range.low);
  auto yOf = [&](float v) {
    if (std::isinf(v)) return double(plot.top());
    return plot.bottom() - (std::clamp(double(v), range.low, range.high) - range.low) * scale;
  };
  // Where several frames share a pixel column, the column is one vertical
  // stroke from its lowest to its highest value. Strokes of neighbouring
  // columns that overlap need no join; others are joined across the gap
  // between them, and columns further apart (frames wider than a pixel) from
  // one's last value to the next one's first. A noisy stretch is thus a band
  // painted once, at most two lines a column however many frames it holds
  // (a column of one value is a pixel-long line: the painter skips empty ones).
  QVector<QLineF> lines;
  lines.reserve(int(std::min<size_t>(count, size_t(plot.width())) * 2));
  int column = INT_MIN, previousColumn = INT_MIN;
  double first = 0, low = 0, high = 0, last = 0;
  double previousLow = 0, previousHigh = 0, previousLast = 0;
  auto flush = [&] {
    if (column == INT_MIN) return;
    if (previousColumn != INT_MIN) {
      if (column - previousColumn > 1)
        lines << QLineF(previousColumn, previousLast, column, first);
      else if (low > previousHigh)
        lines << QLineF(previousColumn, previousHigh, column, low);
      else if (high < previousLow)
        lines << QLineF(previousColumn, previousLow, column, high);
    }
    lines << (high > low ? QLineF(column, low, column, high) : QLineF(column, low, column + 1, low));
    previousColumn = column, previousLow = low, previousHigh = high, previousLast = last;
  };
  for (size_t i = 0; i < count; ++i) {
    const int x = XIn(plot, m_planned, uint32_t(i + 1));
    const double y = yOf(value(i));
    if (x != column) {
      flush();
      column = x;
      first = low = high = last = y;
    } else {
      low = std::min(low, y), high = std::max(high, y), last = y;
    }
  }
  flush();
  p.drawLines(lines);
}

void QualityGraph::DrawLowest(QPainter& p, const QRect& plot, Range psnr) const {
  if (m_extremes.lowestFrame == 0 || !std::isfinite(m_extremes.lowestPsnr)) return;  // all equal to the reference: nothing low
  const int x = XIn(plot, m_planned, IndexOf(m_extremes.lowestFrame));
  const double scale = (plot.height() - 1) / (psnr.high - psnr.low);
  const int y = int(std::lround(plot.bottom() - (m_extremes.lowestPsnr - psnr.low) * scale));
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kLowest);
  p.drawPolygon(QPolygonF({QPointF(x - 4, y + 9), QPointF(x + 4, y + 9), QPointF(x, y + 2)}));  // points up at it
  p.setRenderHint(QPainter::Antialiasing, false);
  const QFontMetrics fm = fontMetrics();
  const QString label = QString::number(m_extremes.lowestFrame);
  const int labelX = std::clamp(x + 6, plot.left(), plot.right() - fm.horizontalAdvance(label));
  p.setPen(kLowest);
  p.drawText(labelX, std::min(y + 9, plot.bottom() - 1), label);
}

}  // namespace ui
