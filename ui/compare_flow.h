// Comparing with a second file (B) in the player window: choosing and
// opening it, the views on the picture area, the quality graph below the
// picture, and exporting the graph's figures. Runs the window's commands
// OpenReference, ExportCsv and ExportStats; the session runs the others.
//
// Threads: GUI thread only.
#pragma once

#include <QCoreApplication>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <optional>
#include <vector>

#include "session/player_session.h"

class QWidget;

namespace ui {

class CommandHandlers;
class PlayerWindow;
class QualityGraph;

class CompareFlow {
  // Its texts are the window's.
  Q_DECLARE_TR_FUNCTIONS(ui::PlayerWindow)

 public:
  static constexpr int kGraphHeight = 140;  // the quality graph below the picture

  // The graph is a child of `client`, the window's client area.
  CompareFlow(PlayerWindow& window, session::PlayerSession& session, QWidget* client, CommandHandlers& handlers);
  ~CompareFlow();  // the picture widget asks it for outlines no more

  // Opened with its record, the defaults or the parameter dialog; false,
  // with the failure said, when it is not.
  bool OpenReferenceFile(const QString& path);
  // The views as their commands set them; the panes, the graph and the
  // window's size follow.
  void ApplyCompareView();
  QualityGraph* GraphPanel() const { return m_graph; }
  // The graph shows (out of full screen) while B is open and measured.
  bool Measuring() const { return m_graphTimer.isActive(); }
  // The picture's size for 100 %: doubled in width side by side.
  QSize PictureSize(const session::PlayerView& v) const;
  // The pane under a point of the picture widget: its rectangle (the whole
  // widget but side by side).
  QRect PaneAt(QPoint at) const;
  // The status line's facts of the picture on screen: A's, or with a second
  // file B's in the B view, named by which picture it is, and B's offset and
  // the figures' region when set.
  void ShowShownFacts(const session::PlayerView& v);

  // The region the figures are measured over, dragged with Shift over the
  // picture (points in the picture widget's coordinates): a press on a
  // picture while B is measured begins it (false otherwise), moves show
  // the rectangle, the release sets it (on whole chroma samples; a drag
  // under 16 x 16 frame pixels sets nothing).
  bool BeginRegion(QPoint at);
  void DragRegion(QPoint at);
  void EndRegion(QPoint at);
  // The outlines to draw over the picture widget: the rectangle being
  // dragged, or the region set, on each pane that shows a picture.
  std::vector<QRect> RegionOutlines() const;

 private:
  // B's file did not open: said so, with why.
  bool RefuseReference(const QString& path, const corvane::VideoFileError& error);
  void ChooseReference();
  void ExportQuality(bool stats);
  // The frame pixel under `at` in its pane, kept inside the frame; none
  // when `at` is off the picture and `inside` is asked for.
  std::optional<corvane::PixelPos> FramePixelNear(QPoint at, bool inside) const;
  // The dragged rectangle, or the region set, in frame pixels.
  std::optional<corvane::analysis::Region> OutlinedRegion() const;

  PlayerWindow& m_window;
  session::PlayerSession& m_session;
  QualityGraph* m_graph = nullptr;  // owned by the client area
  QTimer m_graphTimer;              // fills the graph and moves its marker
  // The Shift drag: its first and latest frame pixels, while it lasts.
  std::optional<corvane::PixelPos> m_regionStart, m_regionEnd;
};

}  // namespace ui
