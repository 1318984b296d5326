#include "ui/quality_graph.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "session/quality_track.h"
#include "ui/quality_graph_look.h"

namespace ui {

using corvane::analysis::FrameMetrics;
using corvane::analysis::PsnrOf;
using corvane::analysis::Sampling;
using corvane::analysis::SignalStats;
using corvane::analysis::StatId;
using namespace graph_look;

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
  m_pairs = m_track ? m_track->Pairs() : session::QualityTrack::Pairing{};
  m_done = false;
  m_trackSsim = false;
  m_status = {};
  m_values.clear();
  m_sampling = Sampling::k420;
  m_planeCount = 3;
  m_extremes = {};
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
          m_extremes.psnrMin = m_extremes.anyFinitePsnr ? std::min(m_extremes.psnrMin, double(v[size_t(s)])) : v[size_t(s)];
          m_extremes.psnrMax = m_extremes.anyFinitePsnr ? std::max(m_extremes.psnrMax, double(v[size_t(s)])) : v[size_t(s)];
          m_extremes.anyFinitePsnr = true;
        }
        if (m_trackSsim) m_extremes.ssimMin = std::min(m_extremes.ssimMin, double(v[size_t(4 + s)]));
      }
    }
    if (m_extremes.lowestFrame == 0 || average < m_extremes.lowestPsnr) {
      m_extremes.lowestFrame = m.frame;
      m_extremes.lowestPsnr = average;
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
  if (const QString pairing = PairingText(m_pairs.offset, m_pairs.region); !pairing.isEmpty())
    l.legend.push_back({place(fm.horizontalAdvance(pairing)), pairing, QColor()});
  if (HasBits()) AddBitsLegend(place, entryWidth, l.legend);
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
  if (HasBits()) {
    // The bits track takes the bottom of the lowest plot, a row apart as
    // the statistic's plot is.
    const int gap = rowH + kPad;
    QRect& above = l.statPlot.isEmpty() ? l.plot : l.statPlot;
    const int kept = std::max(2, (above.height() - gap) * 3 / 5);
    l.bitsPlot = QRect(QPoint(above.left(), above.top() + kept + gap), above.bottomRight());
    above.setBottom(above.top() + kept - 1);
  }
  for (int i = 0; i <= 2; ++i) {
    if (!l.bitsPlot.isEmpty()) l.axisLabels.push_back(AxisLabelRect(l.bitsPlot, i, false));
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

int QualityGraph::XOf(uint32_t frame) const { return XIn(PlotRect(), m_planned, IndexOf(frame)); }

uint32_t QualityGraph::FrameAt(int x) const {
  const QRect plot = PlotRect();
  if (m_planned == 0 || x < plot.left() || x > plot.right()) return 0;
  if (m_planned == 1 || plot.width() < 2) return FrameOfIndex(1);
  return FrameOfIndex(1 + uint32_t(std::lround(double(x - plot.left()) * double(m_planned - 1) / (plot.width() - 1))));
}

QualityGraph::Range QualityGraph::PsnrAxis() const {
  if (!m_extremes.anyFinitePsnr) return {0, 100};
  const double margin = std::max(1.0, 0.1 * (m_extremes.psnrMax - m_extremes.psnrMin));
  return {std::max(0.0, std::floor(m_extremes.psnrMin - margin)), std::ceil(m_extremes.psnrMax + margin)};
}

QualityGraph::Range QualityGraph::SsimAxis() const {
  return {m_extremes.ssimMin - std::max(0.001, 0.1 * (1 - m_extremes.ssimMin)), 1};
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
  const QString bits = BitsOf(frame);
  QToolTip::showText(help->globalPos(),
                     FiguresOf(frame, SsimShown()) + (planes.isEmpty() ? QString() : u'\n' + planes) +
                         (bits.isEmpty() ? QString() : u'\n' + bits),
                     this);
  return true;
}

void QualityGraph::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) update();  // the texts are made at paint
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

}  // namespace ui
