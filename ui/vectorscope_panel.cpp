#include "ui/vectorscope_panel.h"

#include <algorithm>
#include <cmath>
#include <numbers>


namespace ui {

using corvane::analysis::Vectorscope;

namespace {

// Each hit grown to 3 × 3 pixels, the brightest where they meet: a flat
// colour is one code value, and a single pixel of it is easily missed.
QImage Grown(const QImage& trace) {
  QImage out(trace.size(), trace.format());
  out.fill(Qt::transparent);
  const int w = trace.width(), h = trace.height();
  for (int y = 0; y < h; ++y) {
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int dy = -1; dy <= 1; ++dy) {
      if (y + dy < 0 || y + dy >= h) continue;
      const auto* src = reinterpret_cast<const QRgb*>(trace.constScanLine(y + dy));
      for (int x = 0; x < w; ++x)
        for (int dx = -1; dx <= 1; ++dx) {
          if (x + dx < 0 || x + dx >= w || qAlpha(src[x + dx]) == 0) continue;
          if (qGreen(src[x + dx]) > qGreen(dst[x])) dst[x] = src[x + dx];
        }
    }
  }
  return out;
}

}  // namespace

void VectorscopePanel::Prepare() {
  m_trace = QImage();
  if (Result() && !Result()->scopes.vectorscope.counts.empty()) {
    const Vectorscope& v = Result()->scopes.vectorscope;
    const uint32_t largest = *std::max_element(v.counts.begin(), v.counts.end());
    const int side = int(Vectorscope::kSide);
    m_trace = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    m_trace.fill(Qt::transparent);
    const QColor trace(120, 255, 140);
    for (int cv = 0; cv < side; ++cv) {
      auto* row = reinterpret_cast<QRgb*>(m_trace.scanLine(side - 1 - cv));  // V up
      for (int cu = 0; cu < side; ++cu)
        if (const uint32_t n = v.At(uint32_t(cu), uint32_t(cv)))
          row[cu] = scope::Shade(trace, scope::Brightness(n, largest));
    }
  }
}

QRect VectorscopePanel::Plot() const {
  const QRect area = rect().adjusted(scope::kPad, scope::kTitleHeight, -scope::kPad, -scope::kPad);
  const int side = std::max(0, std::min(area.width(), area.height()));
  return QRect(area.left() + (area.width() - side) / 2, area.top() + (area.height() - side) / 2, side, side);
}

QPointF VectorscopePanel::PointOf(double u, double v) const {
  const QRect plot = Plot();
  const double scale = double(plot.width()) / Vectorscope::kSide;
  return {plot.left() + (u + 0.5) * scale, plot.top() + (Vectorscope::kSide - 0.5 - v) * scale};
}

void VectorscopePanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QString title = tr("矢量图");
  corvane::ColourSpace colour;
  if (Result()) {
    colour = Result()->request.options.colour;
    static const char* const kMatrices[] = {"BT.601", "BT.709", "BT.2020"};
    title += QStringLiteral("  ") + QString::fromLatin1(kMatrices[int(colour.matrix)]);
  }
  scope::PaintFace(p, rect(), title);
  const QRect plot = Plot();
  if (plot.width() < 32) return;
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre = PointOf(128, 128);
  const double radius = PointOf(256, 128).x() - centre.x();
  p.setPen(QPen(scope::kGrid, 1));
  p.drawEllipse(centre, radius, radius);
  p.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
  p.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));
  if (!m_trace.isNull()) p.drawImage(plot, Grown(scope::Pooled(m_trace, plot.size())));
  // The skin-tone line, from the centre to the circle.
  const double angle = corvane::analysis::kSkinToneDegrees * std::numbers::pi / 180;
  p.setPen(QPen(scope::kLegal, 1, Qt::DashLine));
  p.drawLine(centre, centre + QPointF(std::cos(angle) * radius, -std::sin(angle) * radius));
  // The 75 % bars' targets: a box of ±4 codes round each, named.
  static const char* const kShort[] = {"Yl", "Cy", "G", "Mg", "R", "B"};
  const double box = 4 * radius / 128;
  QFont font = p.font();
  font.setPixelSize(10);
  p.setFont(font);
  const auto targets = corvane::analysis::BarTargets(colour);
  for (size_t i = 0; i < targets.size(); ++i) {
    const QPointF at = PointOf(targets[i].u, targets[i].v);
    p.setPen(QPen(scope::kText, 1));
    p.drawRect(QRectF(at.x() - box, at.y() - box, 2 * box, 2 * box));
    // The name outside the box, away from the centre.
    const QPointF out = at - centre;
    const double len = std::max(1.0, std::hypot(out.x(), out.y()));
    const QPointF label = at + out / len * (box + 8);
    p.drawText(QRectF(label.x() - 10, label.y() - 6, 20, 12), Qt::AlignCenter, QString::fromLatin1(kShort[i]));
  }
}

}  // namespace ui
