// The picture area. The engine draws into it from its presenting thread: it
// reads the geometry from a snapshot this widget keeps up to date on the GUI
// thread, and hands over finished pictures, which the widget shows at its next
// paint. It also receives the engine's frame-size notices and passes them on
// to the GUI thread as a signal.
//
// Threads: Present, OnFrameSizeChanged and the geometry queries run on the
// presenting thread; everything else on the GUI thread. m_lock guards the
// snapshot and the pictures; the notice hand-over uses atomics only.
#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/video_window.h"

namespace ui {

class VideoWidget : public QWidget, public platform::VideoWindow, public platform::FrameSizeListener {
  Q_OBJECT

 public:
  // Two panes share the area when a second file is compared: pane 0 is this
  // widget's own VideoWindow (the open file), pane 1 is SecondPane() (the
  // reference or the difference picture). Each keeps its own pictures.
  enum class Layout {
    kSingle,  // one pane over the whole area (ShownPane)
    kSide,    // pane 0 on the left half, pane 1 on the right half
    kWipe,    // both over the whole area: pane 0 left of the wipe line, pane 1 right of it
  };

  explicit VideoWidget(QWidget* parent = nullptr);
  ~VideoWidget() override;

  // Re-reads geometry and visibility into the snapshot. The
  // widget does this on its own resize, move, show and hide; the player calls
  // it when its top-level window moves or changes state, which a child does
  // not hear about.
  void SyncSnapshot();

  // Shows the idle picture and lets go of the engine's pictures.
  void ShowIdle();
  bool IsIdle() const;

  // Notices posted before this call are dropped when they arrive: the graph
  // that sent them has been closed (or replaced).
  void DropPendingSizeNotices();

  // The picture last presented for the whole area (null when idle or none);
  // for tests and screenshots.
  QImage LastPicture() const;

  // The layout of the panes and, for kSingle, the pane shown. The pictures
  // of both are dropped (their places change): the caller has them drawn again.
  void SetLayout(Layout layout, int shownPane);
  Layout CurrentLayout() const;
  // The wipe line's x in widget coordinates (kept as a share of the width).
  void SetWipeX(int x);
  int WipeX() const;
  // Pane 1's window (any thread, as this widget's own).
  platform::VideoWindow* SecondPane() { return &m_second; }
  // Pane `pane`'s rectangle in widget coordinates.
  QRect PaneRect(int pane) const;
  // Rectangles outlined over the pictures (the figures' region), asked for
  // at every paint, so they follow zoom, pan, layout and size.
  void SetOutlines(std::function<std::vector<QRect>()> outlines) { m_outlines = std::move(outlines); }

  // platform::VideoWindow, any thread: pane 0.
  platform::Rect ClientRect() const override;
  bool IsVisible() const override;
  bool IsMinimized() const override;
  void Present(std::shared_ptr<const platform::Picture> picture) override;

  // platform::FrameSizeListener, presenting thread.
  void OnFrameSizeChanged(uint32_t width, uint32_t height) override;

 signals:
  // On the GUI thread, once for a burst of notices, with the latest size.
  void frameSizeChanged(uint32_t width, uint32_t height);
  // On the GUI thread, once for the pictures (of either pane) presented
  // since the last: the scopes follow the picture on screen.
  void picturesArrived();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void DeliverSizeNotice();
  platform::Rect PaneClientRect(int pane) const;  // under m_lock, desktop coordinates
  QRect PaneRectLocked(int pane) const;           // under m_lock, widget coordinates
  void PresentPane(int pane, std::shared_ptr<const platform::Picture> picture);

  // Pane 1 as the engine sees it: this widget's geometry, narrowed to the pane.
  class SecondPaneWindow : public platform::VideoWindow {
   public:
    explicit SecondPaneWindow(VideoWidget* owner) : m_owner(owner) {}
    platform::Rect ClientRect() const override;
    // Hidden while the layout shows pane 0 alone: B's display then draws
    // nothing, and is drawn again when the layout changes.
    bool IsVisible() const override;
    bool IsMinimized() const override { return m_owner->IsMinimized(); }
    void Present(std::shared_ptr<const platform::Picture> picture) override {
      m_owner->PresentPane(1, std::move(picture));
    }

   private:
    VideoWidget* const m_owner;
  };
  SecondPaneWindow m_second{this};
  std::function<std::vector<QRect>()> m_outlines;  // GUI thread

  // CORVANE_STATS_FILE=path (read once, at construction): the widget notes
  // the CLOCK_MONOTONIC time in ns of every picture presented and of every
  // paint that drew one, and writes them to that file when it goes, one
  // "present NS" or "paint NS" line each (bench/window_bench.sh reads them).
  // Unset, it is a null pointer and costs one test per picture and paint.
  struct Stats {
    QString path;
    std::vector<int64_t> presents;  // guarded by m_lock
    std::vector<int64_t> paints;    // GUI thread
  };
  std::unique_ptr<Stats> m_stats;

  mutable std::mutex m_lock;  // guards the members down to m_idle
  platform::Rect m_clientRect;
  bool m_visible = false;
  bool m_minimized = false;
  // Each pane's last picture, of the whole pane (null: none).
  std::shared_ptr<const platform::Picture> m_pictures[2];
  Layout m_layout = Layout::kSingle;
  int m_shownPane = 0;
  double m_wipe = 0.5;  // the wipe line, as a share of the width
  bool m_idle = true;

  // Set by the presenting thread when a repaint has been asked for and not
  // yet done, so that a fast stream of pictures queues one update at a time.
  std::atomic<bool> m_updatePending{false};

  // The latest size notice and whether its delivery is queued. A notice
  // carries the generation current when it was made; DropPendingSizeNotices
  // starts a new one, so a notice of a closed graph is told from a current
  // one. A leaf lock, held for a few assignments.
  mutable std::mutex m_noticeLock;
  uint32_t m_noticeWidth = 0;   // guarded by m_noticeLock
  uint32_t m_noticeHeight = 0;  // guarded by m_noticeLock
  uint64_t m_noticeGeneration = 0;  // guarded by m_noticeLock
  bool m_noticePending = false;     // guarded by m_noticeLock
  uint64_t m_generation = 0;        // guarded by m_noticeLock
};

// The picture area of the player: black, with the picture widget on it; a
// picture narrower than the area (by `inset` pixels) keeps its size, centred.
// Takes no mouse input, like the picture itself.
class PictureArea : public QWidget {
  Q_OBJECT

 public:
  explicit PictureArea(QWidget* parent);
  VideoWidget* Video() const { return m_video; }
  void SetInset(int inset);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  VideoWidget* m_video = nullptr;
  int m_inset = 0;
};

}  // namespace ui
