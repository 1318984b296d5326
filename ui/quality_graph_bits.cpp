// The quality graph's bits track: a bar per frame of a coded file, its
// coded size in kbit, coloured by its type.
#include <QPainter>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "session/player_session.h"
#include "ui/quality_graph.h"
#include "ui/quality_graph_look.h"

namespace ui {

using corvane::PictureType;
using namespace graph_look;

namespace {

constexpr double kBitsPerKbit = 1000.0;

double Kbit(uint32_t bytes) { return bytes * 8.0 / kBitsPerKbit; }

// Bars are drawn in this order, so that where the frames of one pixel
// column differ in type, the type that is usually smaller stays visible.
constexpr std::array<PictureType, 4> kDrawOrder = {PictureType::kI, PictureType::kP, PictureType::kUnknown,
                                                   PictureType::kB};

QString TypeName(PictureType type) {
  const std::string_view name = corvane::PictureTypeName(type);
  return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

}  // namespace

QColor QualityGraph::BarColour(PictureType type) {
  switch (type) {
    case PictureType::kI: return QColor(214, 39, 40);
    case PictureType::kP: return QColor(31, 119, 180);
    case PictureType::kB: return QColor(44, 160, 44);
    case PictureType::kUnknown: break;
  }
  return QColor(127, 127, 127);
}

void QualityGraph::SetBits(CodedBars bars) {
  m_bits = std::move(bars);
  m_bitsMax = 0;
  for (const corvane::CodedFrame& f : m_bits.frames) m_bitsMax = std::max(m_bitsMax, f.bytes);
  update();
}

QualityGraph::Range QualityGraph::BitsAxis() const {
  return {0, std::max(1.0, std::ceil(Kbit(m_bitsMax) * 1.1))};
}

QString QualityGraph::BitsOf(uint32_t frame) const {
  // A's frame; B's bars are of B's frame paired with it.
  const int64_t n = int64_t(frame) + (m_bits.side == QLatin1String("B") ? m_pairs.offset : 0);
  if (frame == 0 || n < 1 || n > int64_t(m_bits.frames.size())) return {};
  const corvane::CodedFrame& f = m_bits.frames[size_t(n - 1)];
  return tr("%1 %2帧 %3 kbit").arg(m_bits.side, TypeName(f.type)).arg(Kbit(f.bytes), 0, 'f', 1);
}

void QualityGraph::AddBitsLegend(const std::function<QRect(int w, int keep)>& place,
                                 const std::function<int(const QString&)>& width,
                                 std::vector<LegendEntry>& legend) const {
  const QString name = tr("%1 kbit/帧").arg(m_bits.side);
  const QFontMetrics fm = fontMetrics();
  legend.push_back({place(fm.horizontalAdvance(name), 2 * kPad + width(QStringLiteral("I"))), name, QColor()});
  // Only the types the stream has (an intra-only stream has no P and B).
  for (const PictureType type : {PictureType::kI, PictureType::kP, PictureType::kB, PictureType::kUnknown}) {
    if (std::none_of(m_bits.frames.begin(), m_bits.frames.end(),
                     [type](const corvane::CodedFrame& f) { return f.type == type; }))
      continue;
    const QString text = TypeName(type);
    legend.push_back({place(width(text), 0), text, BarColour(type)});
  }
}

void QualityGraph::DrawBits(QPainter& p, const QRect& plot) const {
  const Range range = BitsAxis();
  DrawGrid(p, plot, range, range.high >= 10 ? 0 : 1, nullptr);
  DrawFrameNumbers(p, plot);
  p.setClipRect(plot);
  const double scale = (plot.height() - 1) / (range.high - range.low);
  // Each pixel column holds one bar a type: as high as the largest frame of
  // that type in the column (a frame wider than a pixel fills its width).
  // The k-th measured pair is A's frame FrameOfIndex(k), B's that plus B's
  // offset: the bars are the coded side's frames of those pairs.
  const int64_t shift = m_bits.side == QLatin1String("B") ? m_pairs.offset : 0;
  for (const PictureType type : kDrawOrder) {
    p.setPen(Qt::NoPen);
    p.setBrush(BarColour(type));
    int column = INT_MIN, right = 0;
    double high = 0;
    auto flush = [&] {
      if (column == INT_MIN || high <= 0) return;
      const int top = int(std::lround(plot.bottom() - std::min(high, range.high) * scale));
      p.drawRect(QRect(QPoint(column, top), QPoint(std::max(column, right), plot.bottom())));
    };
    for (uint32_t k = 1; k <= m_planned; ++k) {
      const int64_t n = int64_t(FrameOfIndex(k)) + shift;
      if (n < 1 || n > int64_t(m_bits.frames.size())) continue;
      const corvane::CodedFrame& f = m_bits.frames[size_t(n - 1)];
      const int x = XIn(plot, m_planned, k);
      if (x != column) {
        flush();
        column = x, high = 0;
        // A frame spans to the column before the next frame's.
        right = k < m_planned ? std::max(x, XIn(plot, m_planned, k + 1) - 2) : x;
      }
      if (f.type == type) high = std::max(high, Kbit(f.bytes));
    }
    flush();
  }
  p.setBrush(Qt::NoBrush);
  p.setClipping(false);
  DrawMarker(p, plot);
}

QualityGraph::CodedBars BitsOf(const session::PlayerSession& session) {
  session::PlayerSession::CodedFrames coded = session.CodedFramesOfPair();
  if (coded.side == 0) return {};
  return {QString(QChar::fromLatin1(coded.side)), std::move(coded.frames)};
}

}  // namespace ui
