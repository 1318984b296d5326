#include "ui/quality_graph.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>
#include <QPainter>
#include <QPolygonF>
#include <QStringList>
#include <QVector>
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "session/quality_track.h"

namespace ui {

using corvane::analysis::FrameMetrics;
using corvane::analysis::PsnrOf;
using corvane::analysis::Sampling;
using corvane::analysis::SignalStats;
using corvane::analysis::StatId;

namespace {

// The graph keeps its own light face whatever the style, so the plane
// colours read the same everywhere.
const QColor kBackground(250, 250, 250);
const QColor kText(60, 60, 60);
const QColor kGrid(225, 225, 225);
const QColor kMarker(156, 39, 176);
const QColor kLowest(0, 0, 0);
// Y, U, V; R, G, B; the average.
const QColor kYuvColours[3] = {QColor(64, 64, 64), QColor(31, 119, 180), QColor(214, 39, 40)};
const QColor kRgbColours[3] = {QColor(214, 39, 40), QColor(44, 160, 44), QColor(31, 119, 180)};
const QColor kAverageColour(255, 127, 14);
const QColor kStatisticColour(23, 150, 170);

constexpr int kPad = 4;

// SSIM's lines: the plane's colour halfway to the background.
QColor Paler(const QColor& c) {
  return QColor((c.red() + kBackground.red()) / 2, (c.green() + kBackground.green()) / 2,
                (c.blue() + kBackground.blue()) / 2);
}

}  // namespace

QualityGraph::QualityGraph(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize QualityGraph::sizeHint() const { return {480, 140}; }
QSize QualityGraph::minimumSizeHint() const { return {160, 80}; }

void QualityGraph::SetTrack(const session::QualityTrack* track) {
  m_track = track;
  Reset();
  Poll();
  update();
}

void QualityGraph::Reset() {
  m_runId = m_track ? m_track->RunId() : 0;
  m_planned = 0;
  const session::QualityTrack::Pairing pairs = m_track ? m_track->Pairs() : session::QualityTrack::Pairing{};
  m_first = pairs.firstFrame;
  m_offset = pairs.offset;
  m_region = pairs.region;
  m_done = false;
  m_trackSsim = false;
  m_status = {};
  m_values.clear();
  m_sampling = Sampling::k420;
  m_planeCount = 3;
  m_psnrMin = m_psnrMax = 0;
  m_ssimMin = 1;
  m_anyFinitePsnr = false;
  m_lowestPsnr = 0;
  m_lowestFrame = 0;
  m_statistics.clear();
}

void QualityGraph::Poll() {
  if (!m_track) return;
  bool changed = false;
  if (m_track->RunId() != m_runId) {
    Reset();
    changed = true;
  }
  // Done before the results: a run seen finished has all its results in.
  const bool done = m_track->Done();
  const std::vector<FrameMetrics> fresh = m_track->Results(m_values.size());
  const std::vector<SignalStats> statistics = m_track->Statistics(m_statistics.size());
  m_statistics.insert(m_statistics.end(), statistics.begin(), statistics.end());
  const uint32_t planned = m_track->Planned();
  changed = changed || !fresh.empty() || !statistics.empty() || done != m_done || planned != m_planned;
  m_done = done;
  m_planned = planned;
  m_trackSsim = m_track->Ssim();
  if (done) m_status = m_track->Status();
  for (const FrameMetrics& m : fresh) {
    m_sampling = m.sampling;
    m_planeCount = m.planeCount;
    Values v{};
    for (int p = 0; p < m.planeCount; ++p) {
      v[size_t(p)] = float(PsnrOf(m.mse[size_t(p)], 1, m.peak));
      v[size_t(4 + p)] = float(m.ssim[size_t(p)]);
    }
    const double average = PsnrOf(m.mseAverage, 1, m.peak);
    v[3] = float(average);
    v[7] = float(m.ssimAll);
    for (int s = 0; s < 4; ++s) {
      if (s < m.planeCount || s == 3) {
        if (std::isfinite(v[size_t(s)])) {
          m_psnrMin = m_anyFinitePsnr ? std::min(m_psnrMin, double(v[size_t(s)])) : v[size_t(s)];
          m_psnrMax = m_anyFinitePsnr ? std::max(m_psnrMax, double(v[size_t(s)])) : v[size_t(s)];
          m_anyFinitePsnr = true;
        }
        if (m_trackSsim) m_ssimMin = std::min(m_ssimMin, double(v[size_t(4 + s)]));
      }
    }
    if (m_lowestFrame == 0 || average < m_lowestPsnr) {
      m_lowestFrame = m.frame;
      m_lowestPsnr = average;
    }
    m_values.push_back(v);
  }
  if (changed) update();
}

void QualityGraph::SetCurrentFrame(uint32_t frame) {
  if (frame == m_current) return;
  m_current = frame;
  update();
}

void QualityGraph::SetShowSsim(bool on) {
  if (on == m_showSsim) return;
  m_showSsim = on;
  update();
}

void QualityGraph::SetStatistic(std::optional<StatId> id, StatisticPlace place) {
  m_statistic = id;
  m_place = place;
  update();
}

float QualityGraph::StatisticOf(uint32_t frame) const {
  const uint32_t k = IndexOf(frame);
  if (!m_statistic || k == 0 || k > m_statistics.size()) return std::numeric_limits<float>::quiet_NaN();
  return float(m_statistics[k - 1][*m_statistic]);
}

QString QualityGraph::PairingText(int32_t offset, const std::optional<corvane::analysis::Region>& region) {
  QStringList parts;
  if (offset != 0) parts << tr("B偏移%1帧").arg(offset > 0 ? QStringLiteral("+%1").arg(offset) : QString::number(offset));
  if (region) parts << tr("区域%1×%2+%3+%4").arg(region->width).arg(region->height).arg(region->x).arg(region->y);
  return parts.join(u' ');
}

QRect QualityGraph::PlotRect() const { return FramePlot(LayOut()); }

QString QualityGraph::StateText() const {
  if (!m_done) return tr("正在计算 %1/%2 帧").arg(m_values.size()).arg(m_planned);
  if (!m_status.Ok()) return tr("第 %1 帧读取失败").arg(m_status.frame);
  if (IndexOf(m_current) >= 1 && IndexOf(m_current) <= m_values.size()) return FiguresOf(m_current, SsimShown());
  return {};
}

QualityGraph::Layout QualityGraph::LayOut() const {
  const QFontMetrics fm = fontMetrics();
  const int rowH = fm.height();
  constexpr int kSwatch = 12;
  Layout l;
  // The header flows left to right, a row further down where an entry
  // would cross the right edge.
  int x = kPad, row = 0;
  // `keep`: the width that must fit beside it on the same row (an axis
  // name goes to the next row with its first entry rather than alone).
  auto place = [&](int w, int keep = 0) {
    if (x > kPad && x + w + keep > width() - kPad) x = kPad, ++row;
    const QRect box(x, kPad / 2 + row * rowH, w, rowH);
    x += w + 2 * kPad;
    return box;
  };
  auto entryWidth = [&](const QString& text) { return kSwatch + kPad + fm.horizontalAdvance(text); };
  const QColor* colours = m_sampling == Sampling::kRgb ? kRgbColours : kYuvColours;
  auto letter = [&](int s) { return QString(QChar(corvane::analysis::PlaneLetter(m_sampling, s, true))); };
  auto group = [&](const QString& name, bool pale) {
    l.legend.push_back({place(fm.horizontalAdvance(name), 2 * kPad + entryWidth(letter(0))), name, QColor()});
    for (int s = 0; s <= m_planeCount; ++s) {
      // Each plane, then their average (SSIM's All) in the average's colour.
      const QString text = s < m_planeCount ? letter(s) : tr("平均");
      const QColor colour = s < m_planeCount ? colours[s] : kAverageColour;
      l.legend.push_back({place(entryWidth(text)), text, pale ? Paler(colour) : colour});
    }
  };
  if (!StatisticInstead()) group(QStringLiteral("PSNR (dB)"), false);
  if (SsimShown()) group(QStringLiteral("SSIM"), true);
  if (m_statistic) {
    const QString name = QString::fromLatin1(corvane::analysis::StatName(*m_statistic));
    l.legend.push_back({place(entryWidth(name)), name, kStatisticColour});
  }
  if (const QString pairing = PairingText(m_offset, m_region); !pairing.isEmpty())
    l.legend.push_back({place(fm.horizontalAdvance(pairing)), pairing, QColor()});
  // The figures at the right of the last row, or on a row of their own.
  l.stateText = StateText();
  if (!l.stateText.isEmpty()) {
    const int want = fm.horizontalAdvance(l.stateText);
    if (x + want > width() - kPad) x = kPad, ++row;
    const int room = std::max(0, width() - kPad - x);
    l.stateText = fm.elidedText(l.stateText, Qt::ElideRight, room);
    const int w = std::min(fm.horizontalAdvance(l.stateText), room);
    l.state = QRect(width() - kPad - w, kPad / 2 + row * rowH, w, rowH);
  }
  const int headerBottom = kPad / 2 + (row + 1) * rowH;

  const int left = fm.horizontalAdvance(QStringLiteral("100.0")) + 2 * kPad;
  const int right = SsimShown() ? fm.horizontalAdvance(QStringLiteral("0.999")) + 2 * kPad : 2 * kPad;
  // The top axis labels are centred on the plot's top line: half a row
  // below the header and a gap.
  const int top = headerBottom + kPad + (rowH + 1) / 2, bottom = rowH + kPad / 2;
  const QRect area(QPoint(left, top), QPoint(width() - 1 - right, height() - 1 - bottom));
  if (!m_statistic) {
    l.plot = area;
  } else if (StatisticInstead()) {
    l.statPlot = area;
  } else {
    // Under: PSNR above, the statistic below, a row apart so that the
    // labels of the one's bottom and the other's top line keep apart.
    const int gap = rowH + kPad;
    const int upper = std::max(2, (area.height() - gap) * 11 / 20);
    l.plot = QRect(area.left(), area.top(), area.width(), upper);
    l.statPlot = QRect(QPoint(area.left(), l.plot.bottom() + 1 + gap), area.bottomRight());
  }
  for (int i = 0; i <= 2; ++i) {
    if (!l.plot.isEmpty()) l.axisLabels.push_back(AxisLabelRect(l.plot, i, false));
    if (SsimShown()) l.axisLabels.push_back(AxisLabelRect(l.plot, i, true));
    if (!l.statPlot.isEmpty()) l.axisLabels.push_back(AxisLabelRect(l.statPlot, i, false));
  }
  return l;
}

QRect QualityGraph::AxisLabelRect(const QRect& plot, int i, bool right) const {
  const QFontMetrics fm = fontMetrics();
  const int y = plot.bottom() - i * (plot.height() - 1) / 2;
  if (right) return QRect(plot.right() + kPad, y - fm.height() / 2, width() - plot.right() - kPad, fm.height());
  return QRect(0, y - fm.height() / 2, plot.left() - kPad, fm.height());
}

namespace {

// Frame (1-based) of `planned` to x in `plot` and back.
int XIn(const QRect& plot, uint32_t planned, uint32_t frame) {
  if (frame == 0 || planned == 0) return -1;
  if (planned == 1) return plot.left();
  return plot.left() + int(std::lround(double(frame - 1) * (plot.width() - 1) / double(planned - 1)));
}

}  // namespace

int QualityGraph::XOf(uint32_t frame) const { return XIn(PlotRect(), m_planned, IndexOf(frame)); }

uint32_t QualityGraph::FrameAt(int x) const {
  const QRect plot = PlotRect();
  if (m_planned == 0 || x < plot.left() || x > plot.right()) return 0;
  if (m_planned == 1 || plot.width() < 2) return FrameOfIndex(1);
  return FrameOfIndex(1 + uint32_t(std::lround(double(x - plot.left()) * double(m_planned - 1) / (plot.width() - 1))));
}

QualityGraph::Range QualityGraph::PsnrAxis() const {
  if (!m_anyFinitePsnr) return {0, 100};
  const double margin = std::max(1.0, 0.1 * (m_psnrMax - m_psnrMin));
  return {std::max(0.0, std::floor(m_psnrMin - margin)), std::ceil(m_psnrMax + margin)};
}

QualityGraph::Range QualityGraph::SsimAxis() const {
  return {m_ssimMin - std::max(0.001, 0.1 * (1 - m_ssimMin)), 1};
}

QualityGraph::Range QualityGraph::StatisticAxis() const {
  if (!m_statistic || m_statistics.empty()) return {0, 1};
  double low = m_statistics.front()[*m_statistic], high = low;
  for (const SignalStats& s : m_statistics) low = std::min(low, s[*m_statistic]), high = std::max(high, s[*m_statistic]);
  // A flat line sits in the middle of an axis of its own size (or of 1).
  const double margin = high > low ? 0.1 * (high - low) : std::max(std::abs(high) * 0.1, 0.5);
  return {low >= 0 ? std::max(0.0, low - margin) : low - margin, high + margin};
}

void QualityGraph::contextMenuEvent(QContextMenuEvent* event) {
  // The statistics line: none or one figure, and its place.
  QMenu menu(this);
  QMenu* figures = menu.addMenu(tr("统计曲线"));
  auto* group = new QActionGroup(figures);
  auto choice = [&](const QString& text, std::optional<StatId> id) {
    QAction* a = figures->addAction(text);
    a->setCheckable(true);
    a->setChecked(id == m_statistic);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, id] { SetStatistic(id, m_place); });
  };
  choice(tr("无"), std::nullopt);
  figures->addSeparator();
  for (int i = 0; i < corvane::analysis::kStatCount; ++i)
    choice(QString::fromLatin1(corvane::analysis::StatName(StatId(i))), StatId(i));
  QAction* instead = menu.addAction(tr("代替PSNR/SSIM曲线"));
  instead->setCheckable(true);
  instead->setChecked(m_place == StatisticPlace::kInstead);
  connect(instead, &QAction::toggled, this, [this](bool on) {
    SetStatistic(m_statistic, on ? StatisticPlace::kInstead : StatisticPlace::kUnder);
  });
  menu.exec(event->globalPos());
}

void QualityGraph::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  if (const uint32_t frame = FrameAt(event->position().toPoint().x())) emit frameClicked(frame);
}

bool QualityGraph::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  // The figures of the frame under the pointer, every plane's.
  const auto* help = static_cast<QHelpEvent*>(event);
  const uint32_t frame = FrameAt(help->pos().x());
  if (IndexOf(frame) == 0 || IndexOf(frame) > m_values.size()) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  QString planes;
  for (int s = 0; s < m_planeCount && !StatisticInstead(); ++s)
    planes += QStringLiteral("%1%2 %3").arg(s ? QStringLiteral("  ") : QString())
                  .arg(QChar(corvane::analysis::PlaneLetter(m_sampling, s, true)))
                  .arg(Figure(m_values[IndexOf(frame) - 1][size_t(s)], 2));
  QToolTip::showText(help->globalPos(), FiguresOf(frame, SsimShown()) + (planes.isEmpty() ? QString() : u'\n' + planes),
                     this);
  return true;
}

void QualityGraph::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) update();  // the texts are made at paint
}

void QualityGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  if (!m_track || m_planned == 0) return;
  const Layout layout = LayOut();
  DrawLegend(p, layout);
  if (!layout.statPlot.isEmpty() && layout.statPlot.width() >= 2 && layout.statPlot.height() >= 2)
    DrawStatistic(p, layout.statPlot);
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
  if (!m_statistic) DrawFrameNumbers(p, plot);  // else under the statistic's plot
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
  DrawFrameNumbers(p, plot);
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

QString QualityGraph::Figure(float v, int decimals) {
  return std::isinf(v) ? QStringLiteral("inf") : QString::number(double(v), 'f', decimals);
}

QString QualityGraph::FiguresOf(uint32_t frame, bool ssimShown) const {
  const uint32_t k = IndexOf(frame);
  const Values& v = m_values[k - 1];
  QString statistic;
  if (m_statistic && k <= m_statistics.size())
    statistic = QStringLiteral("%1 %2").arg(QString::fromLatin1(corvane::analysis::StatName(*m_statistic)),
                                            QString::fromStdString(m_statistics[k - 1].Text(*m_statistic)));
  if (StatisticInstead()) return tr("第 %1 帧: %2").arg(frame).arg(statistic);
  QString text = tr("第 %1 帧: 平均 %2 dB").arg(frame).arg(Figure(v[3], 2));
  if (ssimShown) text += QStringLiteral("  SSIM %1").arg(Figure(v[7], 4));
  if (!statistic.isEmpty()) text += QStringLiteral("  ") + statistic;
  return text;
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
  if (m_lowestFrame == 0 || !std::isfinite(m_lowestPsnr)) return;  // all equal to the reference: nothing low
  const int x = XIn(plot, m_planned, IndexOf(m_lowestFrame));
  const double scale = (plot.height() - 1) / (psnr.high - psnr.low);
  const int y = int(std::lround(plot.bottom() - (m_lowestPsnr - psnr.low) * scale));
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kLowest);
  p.drawPolygon(QPolygonF({QPointF(x - 4, y + 9), QPointF(x + 4, y + 9), QPointF(x, y + 2)}));  // points up at it
  p.setRenderHint(QPainter::Antialiasing, false);
  const QFontMetrics fm = fontMetrics();
  const QString label = QString::number(m_lowestFrame);
  const int labelX = std::clamp(x + 6, plot.left(), plot.right() - fm.horizontalAdvance(label));
  p.setPen(kLowest);
  p.drawText(labelX, std::min(y + 9, plot.bottom() - 1), label);
}

}  // namespace ui
