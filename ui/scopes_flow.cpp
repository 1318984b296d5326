#include "ui/scopes_flow.h"

#include <QAction>
#include <QWidget>
#include <algorithm>

#include "ui/command_wiring.h"
#include "ui/coordinate_tool.h"
#include "ui/histogram_panel.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "ui/vectorscope_panel.h"
#include "ui/video_widget.h"
#include "ui/waveform_panel.h"

namespace ui {

using session::CompareView;
using session::ScopeSource;

namespace {
constexpr int kLostRequestMs = 1000;
}

ScopesFlow::ScopesFlow(PlayerWindow& window, session::PlayerSession& session, QWidget* client,
                       CommandHandlers& handlers)
    : m_window(window),
      m_session(session),
      m_histogram(new HistogramPanel(client)),
      m_waveform(new WaveformPanel(client)),
      m_vectorscope(new VectorscopePanel(client)) {
  m_histogram->setObjectName(QStringLiteral("scopeHistogram"));
  m_waveform->setObjectName(QStringLiteral("scopeWaveform"));
  m_vectorscope->setObjectName(QStringLiteral("scopeVectorscope"));
  for (QWidget* w : {static_cast<QWidget*>(m_histogram), static_cast<QWidget*>(m_waveform),
                     static_cast<QWidget*>(m_vectorscope)})
    w->hide();
  m_feed = std::make_unique<session::ScopeFeed>(session, [this](std::shared_ptr<const session::ScopeResult> r) {
    QMetaObject::invokeMethod(this, [this, r = std::move(r)]() mutable { Take(std::move(r)); }, Qt::QueuedConnection);
  });
  handlers.Add(Command::ScopeHistogram, [this] { Toggle(kHistogram); });
  handlers.Add(Command::ScopeWaveform, [this] { Toggle(kWaveform); });
  handlers.Add(Command::ScopeVectorscope, [this] { Toggle(kVectorscope); });
  handlers.Add(Command::ScopeHistogramLog, [this] {
    m_log = !m_log;
    m_histogram->SetLogarithmic(m_log);
  });
  handlers.Add(Command::ScopeParade, [this] { SetOption(&m_parade); });
  handlers.Add(Command::ScopeVisibleOnly, [this] { SetOption(&m_visibleOnly); });
  handlers.Add(Command::ScopeBelow, [this] {
    m_below = !m_below;
    Relayout();
  });
  connect(m_window.Video(), &VideoWidget::picturesArrived, this, &ScopesFlow::OnPicture);
}

// The feed's worker stops here, before the panels (the client's children) go.
ScopesFlow::~ScopesFlow() = default;

void ScopesFlow::Toggle(Panel panel) {
  m_shown[panel] = !m_shown[panel];
  Relayout();
  OnPicture();
}

void ScopesFlow::SetOption(bool* option) {
  *option = !*option;
  OnPicture();
}

void ScopesFlow::Relayout() {
  // The picture keeps its zoom (100 % stays 1:1): the window grows or
  // shrinks by the panels, also while the coordinate window holds its size.
  auto resize = [this] {
    if (m_session.State() == session::PlayState::NoFile)
      m_window.ResizeForPicture(PlayerWindow::kIdleWidth, PlayerWindow::kIdleHeight);
    else
      m_window.ApplyZoom();
  };
  if (CoordinateTool* coordinates = m_window.Coordinates())
    coordinates->ReleaseSize(resize);
  else
    resize();
}

void ScopesFlow::Place(QRect area, bool fullScreen) {
  m_fullScreen = fullScreen;
  QWidget* panels[3] = {m_histogram, m_waveform, m_vectorscope};
  int count = 0;
  for (bool shown : m_shown) count += shown ? 1 : 0;
  int at = 0;
  for (int i = 0; i < 3; ++i) {
    const bool show = m_shown[i] && !fullScreen && count > 0;
    panels[i]->setVisible(show);
    if (!show) continue;
    // A column shares the height, a row the width; a 1-pixel seam between.
    if (m_below) {
      const int x0 = area.left() + at * area.width() / count, x1 = area.left() + (at + 1) * area.width() / count;
      panels[i]->setGeometry(x0, area.top() + 1, x1 - x0 - (at + 1 < count ? 1 : 0), area.height() - 1);
    } else {
      const int y0 = area.top() + at * area.height() / count, y1 = area.top() + (at + 1) * area.height() / count;
      panels[i]->setGeometry(area.left() + 1, y0, area.width() - 1, y1 - y0 - (at + 1 < count ? 1 : 0));
    }
    ++at;
  }
}

void ScopesFlow::ShowMenuState(const QHash<int, QAction*>& items) const {
  const std::pair<int, bool> checks[] = {{ids::kViewScopeHistogram, m_shown[kHistogram]},
                                         {ids::kViewScopeWaveform, m_shown[kWaveform]},
                                         {ids::kViewScopeVectorscope, m_shown[kVectorscope]},
                                         {ids::kViewScopeHistogramLog, m_log},
                                         {ids::kViewScopeParade, m_parade},
                                         {ids::kViewScopeVisibleOnly, m_visibleOnly},
                                         {ids::kViewScopeBelow, m_below}};
  for (const auto& [id, on] : checks)
    if (QAction* a = items.value(id)) a->setChecked(on);
}

void ScopesFlow::Clear() {
  m_histogram->SetResult(nullptr);
  m_waveform->SetResult(nullptr);
  m_vectorscope->SetResult(nullptr);
}

void ScopesFlow::OnPicture() {
  if (!AnyShown() || m_fullScreen) return;
  if (m_asking && m_askedAt.elapsed() < kLostRequestMs) {
    m_again = true;
    return;
  }
  Ask();
}

void ScopesFlow::Ask() {
  m_asking = true;
  m_again = false;
  m_askedAt.start();
  m_feed->Request(MakeRequest());
}

session::ScopeRequest ScopesFlow::MakeRequest() const {
  const session::PlayerView v = m_session.View();
  session::ScopeRequest r;
  const bool paneB = v.reference && (v.compareView == CompareView::kB || v.compareView == CompareView::kDiff);
  r.source = paneB ? ScopeSource::kReferencePane : ScopeSource::kOpenFile;
  corvane::analysis::ScopeOptions& o = r.options;
  o.histogram = m_shown[kHistogram];
  o.waveform = m_shown[kWaveform];
  o.vectorscope = m_shown[kVectorscope];
  o.waveformMode = m_parade ? corvane::analysis::WaveformMode::kParade : corvane::analysis::WaveformMode::kLuma;
  o.colour = v.colour;
  o.component = uint32_t(v.component);
  if (m_visibleOnly && !v.view.IsWhole()) {
    // The frame pixels under the pane's visible rectangle, through the
    // mapping the display draws with.
    const QRect pane = m_window.Video()->PaneRect(paneB ? 1 : 0);
    const corvane::ViewMapping m = m_session.MapView(pane.width(), pane.height());
    const platform::Rect shown = m.Visible();
    corvane::analysis::ScopeRegion region;
    if (shown.Width() > 0 && shown.Height() > 0 && m.frameW > 0 && m.frameH > 0) {
      auto clampTo = [](int64_t at, uint32_t size) { return uint32_t(std::clamp<int64_t>(at, 0, int64_t(size) - 1)); };
      const uint32_t x0 = clampTo(m.ColumnAt(shown.left), m.frameW);
      const uint32_t x1 = clampTo(m.ColumnAt(shown.right - 1), m.frameW);
      const uint32_t y0 = clampTo(m.RowAt(shown.top), m.frameH), y1 = clampTo(m.RowAt(shown.bottom - 1), m.frameH);
      region = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    }
    o.region = region;
  }
  return r;
}

void ScopesFlow::Take(std::shared_ptr<const session::ScopeResult> result) {
  m_asking = false;
  if (m_session.State() == session::PlayState::NoFile) result.reset();
  if (m_shown[kHistogram]) m_histogram->SetResult(result);
  if (m_shown[kWaveform]) m_waveform->SetResult(result);
  if (m_shown[kVectorscope]) m_vectorscope->SetResult(result);
  ++m_updates;
  if (m_again) Ask();
}

}  // namespace ui
