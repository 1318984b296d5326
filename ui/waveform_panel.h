// The waveform panel: for each column of the picture, how many samples take
// each code value, brighter for more (the luma, or Y, U, V / R, G, B side by
// side as a parade); a graticule in the picture's own code values and the
// legal range (16 and 235, scaled for deeper samples: 64 and 940 at 10 bits).
//
// Threads: GUI thread only.
#pragma once

#include <QImage>

#include "ui/scope_panel.h"

namespace ui {

class WaveformPanel : public ScopePanel {
  Q_OBJECT

 public:
  explicit WaveformPanel(QWidget* parent = nullptr) : ScopePanel(parent) {}

  // The trace as drawn before scaling: one pixel per column and level.
  const QImage& Trace() const { return m_trace; }

  QSize sizeHint() const override { return {300, 200}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void Prepare() override;

 private:
  QImage m_trace;
};

}  // namespace ui
