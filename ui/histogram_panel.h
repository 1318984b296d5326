// The histogram panel: each component's counts per code value (Y, U, V, or
// R, G, B for an RGB picture), each scaled to its own largest count so that
// a spike in one (the neutral chroma of a grey picture) does not flatten
// the others; linear or logarithmic.
//
// Threads: GUI thread only.
#pragma once

#include <QWidget>
#include <memory>

#include "session/scope_feed.h"

namespace ui {

class HistogramPanel : public QWidget {
  Q_OBJECT

 public:
  explicit HistogramPanel(QWidget* parent = nullptr);

  // The scopes to show (null: no picture).
  void SetResult(std::shared_ptr<const session::ScopeResult> result);
  const session::ScopeResult* Result() const { return m_result.get(); }
  void SetLogarithmic(bool on);
  bool Logarithmic() const { return m_log; }

  QSize sizeHint() const override { return {300, 180}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::shared_ptr<const session::ScopeResult> m_result;
  bool m_log = false;
};

}  // namespace ui
