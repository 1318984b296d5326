// The histogram panel: each component's counts per code value (Y, U, V, or
// R, G, B for an RGB picture), each scaled to its own largest count so that
// a spike in one (the neutral chroma of a grey picture) does not flatten
// the others; linear or logarithmic.
//
// Threads: GUI thread only.
#pragma once

#include "ui/scope_panel.h"

namespace ui {

class HistogramPanel : public ScopePanel {
  Q_OBJECT

 public:
  explicit HistogramPanel(QWidget* parent = nullptr) : ScopePanel(parent) {}

  void SetLogarithmic(bool on);
  bool Logarithmic() const { return m_log; }

  QSize sizeHint() const override { return {300, 180}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool m_log = false;
};

}  // namespace ui
