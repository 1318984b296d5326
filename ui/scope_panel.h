// What the three scope panels (histogram, waveform, vectorscope) share: the
// result they show, their dark face and title line, the brightness of a
// count (logarithmic, so a few samples show beside many) and the trace
// fitted into a panel smaller than itself.
//
// Threads: GUI thread only.
#pragma once

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "session/scope_feed.h"

namespace ui {

class ScopePanel : public QWidget {
  Q_OBJECT

 public:
  explicit ScopePanel(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

  // The scopes to show (null: no picture); the panel prepares its trace
  // and repaints.
  void SetResult(std::shared_ptr<const session::ScopeResult> result) {
    m_result = std::move(result);
    Prepare();
    update();
  }
  const session::ScopeResult* Result() const { return m_result.get(); }

 protected:
  // A new result (or none) is in Result(): what is drawn from it is made now.
  virtual void Prepare() {}
  // The title is translated as it is drawn: a new language draws it again.
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) update();
  }

 private:
  std::shared_ptr<const session::ScopeResult> m_result;
};

}  // namespace ui

namespace ui::scope {

inline const QColor kFace(16, 16, 16);
inline const QColor kText(200, 200, 200);
inline const QColor kGrid(90, 90, 90);
inline const QColor kLegal(230, 160, 40);  // the legal-range lines, the skin-tone line
inline constexpr int kTitleHeight = 16;
inline constexpr int kPad = 4;

// Y, U, V; R, G, B: the traces' colours.
inline const QColor kYuvColours[3] = {QColor(235, 235, 235), QColor(80, 150, 255), QColor(255, 90, 80)};
inline const QColor kRgbColours[3] = {QColor(255, 80, 80), QColor(80, 230, 80), QColor(90, 140, 255)};

// The face and the title at the top left; returns the rectangle below it.
inline QRect PaintFace(QPainter& p, const QRect& all, const QString& title) {
  p.fillRect(all, kFace);
  p.setPen(kText);
  QFont font = p.font();
  font.setPixelSize(11);
  p.setFont(font);
  p.drawText(all.adjusted(kPad, 0, -kPad, 0).topLeft() + QPoint(0, 12), title);
  return all.adjusted(kPad, kTitleHeight, -kPad, -kPad);
}

// 0..1 for a count against the largest: log(1 + count) / log(1 + largest).
inline double Brightness(uint32_t count, uint32_t largest) {
  if (count == 0 || largest == 0) return 0;
  return std::log1p(double(count)) / std::log1p(double(largest));
}

// `colour` at a brightness, as an opaque pixel over the face.
inline QRgb Shade(const QColor& colour, double brightness) {
  const double b = 0.25 + 0.75 * brightness;  // the faintest hit still shows
  return qRgb(int(kFace.red() + (colour.red() - kFace.red()) * b),
              int(kFace.green() + (colour.green() - kFace.green()) * b),
              int(kFace.blue() + (colour.blue() - kFace.blue()) * b));
}

// `trace` made no larger than `size` in either direction, each pixel the
// brightest (channel by channel) of those it covers: a hit of one code value
// stays visible in a panel smaller than the trace, where plain scaling would
// drop it. The caller scales the result up to the panel.
inline QImage Pooled(const QImage& trace, QSize size) {
  const int w = std::min(trace.width(), std::max(size.width(), 1));
  const int h = std::min(trace.height(), std::max(size.height(), 1));
  if (w == trace.width() && h == trace.height()) return trace;
  QImage out(w, h, trace.format());
  out.fill(Qt::transparent);
  for (int y = 0; y < trace.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(trace.constScanLine(y));
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(int(int64_t(y) * h / trace.height())));
    for (int x = 0; x < trace.width(); ++x) {
      QRgb& d = dst[int64_t(x) * w / trace.width()];
      const QRgb s = src[x];
      d = qRgba(std::max(qRed(d), qRed(s)), std::max(qGreen(d), qGreen(s)), std::max(qBlue(d), qBlue(s)),
                std::max(qAlpha(d), qAlpha(s)));
    }
  }
  return out;
}

}  // namespace ui::scope
