// The vectorscope panel: U across, V up, each hit brighter for more; the
// 75 % colour bars' targets of the matrix and range the picture is read with
// (the view's), the circle of the largest chroma, and the skin-tone line.
//
// Threads: GUI thread only.
#pragma once

#include <QImage>
#include <QPointF>

#include "ui/scope_panel.h"

namespace ui {

class VectorscopePanel : public ScopePanel {
  Q_OBJECT

 public:
  explicit VectorscopePanel(QWidget* parent = nullptr) : ScopePanel(parent) {}

  // Where the point (u, v), in 8-bit code values, is drawn.
  QPointF PointOf(double u, double v) const;

  QSize sizeHint() const override { return {220, 220}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void Prepare() override;

 private:
  QRect Plot() const;  // the square the 256 × 256 codes fill

  QImage m_trace;
};

}  // namespace ui
