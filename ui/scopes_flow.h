// The scopes in the player window (视图 › 示波器): the histogram, waveform
// and vectorscope panels, each shown or hidden by its command, in a column
// beside the picture or a row below it; their options; and asking the
// session's ScopeFeed for the scopes of the picture on screen whenever it
// changes (a frame presented, a step, a seek, the view).
//
// At most one request is on its way: a picture that arrives meanwhile is
// remembered, and the latest is asked for when the result comes back. So
// the scopes follow playback as fast as they are computed and never queue
// up behind it.
//
// The picture they read: A's frame, or in the B and difference views what
// B's pane shows; side by side and in the wipe, A's. The component view
// applies as the display applies it, and zoomed in, with 只统计可见部分, only
// the frame pixels on screen count.
//
// Threads: GUI thread only; results arrive through a queued call.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QRect>
#include <memory>

#include "session/player_session.h"
#include "session/scope_feed.h"

class QAction;
class QWidget;

namespace ui {

class CommandHandlers;
class HistogramPanel;
class PlayerWindow;
class VectorscopePanel;
class WaveformPanel;

class ScopesFlow : public QObject {
  Q_OBJECT

 public:
  static constexpr int kBesideWidth = 320;  // the column beside the picture
  static constexpr int kBelowHeight = 200;  // the row below it

  // The panels are children of `client`, the window's client area.
  ScopesFlow(PlayerWindow& window, session::PlayerSession& session, QWidget* client, CommandHandlers& handlers);
  ~ScopesFlow() override;

  bool AnyShown() const { return m_shown[0] || m_shown[1] || m_shown[2]; }
  // Pixels the panels take beside the picture and below it (one is 0).
  int Beside() const { return AnyShown() && !m_below ? kBesideWidth : 0; }
  int Below() const { return AnyShown() && m_below ? kBelowHeight : 0; }
  // Lays the shown panels out in `area` (the column or the row); in full
  // screen none shows.
  void Place(QRect area, bool fullScreen);
  // Checks the items of the scopes' commands.
  void ShowMenuState(const QHash<int, QAction*>& items) const;
  // The picture on screen changed: its scopes are asked for.
  void OnPicture();
  // No file: the panels show nothing.
  void Clear();

  HistogramPanel* Histogram() const { return m_histogram; }
  WaveformPanel* Waveform() const { return m_waveform; }
  VectorscopePanel* Vectorscope() const { return m_vectorscope; }
  uint64_t Updates() const { return m_updates; }  // results shown so far

 private:
  enum Panel { kHistogram, kWaveform, kVectorscope };
  void Toggle(Panel panel);
  void SetOption(bool* option);
  void Relayout();
  void Ask();
  void Take(std::shared_ptr<const session::ScopeResult> result);
  session::ScopeRequest MakeRequest() const;

  PlayerWindow& m_window;
  session::PlayerSession& m_session;
  HistogramPanel* m_histogram = nullptr;  // owned by the client area
  WaveformPanel* m_waveform = nullptr;
  VectorscopePanel* m_vectorscope = nullptr;
  bool m_shown[3] = {false, false, false};
  bool m_log = false, m_parade = false, m_visibleOnly = false, m_below = false;
  bool m_fullScreen = false;
  // One request on its way at a time; a picture arriving meanwhile is
  // asked for when it is back (a request lost with a closed file is given
  // up after a second).
  bool m_asking = false, m_again = false;
  QElapsedTimer m_askedAt;
  uint64_t m_updates = 0;
  std::unique_ptr<session::ScopeFeed> m_feed;
};

}  // namespace ui
