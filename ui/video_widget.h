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
#include <memory>
#include <mutex>
#include <vector>

#include "platform/video_window.h"

namespace ui {

class VideoWidget : public QWidget, public platform::VideoWindow, public platform::FrameSizeListener {
  Q_OBJECT

 public:
  explicit VideoWidget(QWidget* parent = nullptr);
  ~VideoWidget() override;

  // Re-reads geometry, visibility and the screens into the snapshot. The
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

  // platform::VideoWindow, any thread.
  platform::Rect ClientRect() const override;
  bool IsVisible() const override;
  bool IsMinimized() const override;
  platform::Desktop GetDesktop() const override;
  void Present(std::shared_ptr<const platform::Picture> picture, const platform::Rect& dest) override;

  // platform::FrameSizeListener, presenting thread.
  void OnFrameSizeChanged(uint32_t width, uint32_t height) override;

 signals:
  // On the GUI thread, once for a burst of notices, with the latest size.
  void frameSizeChanged(uint32_t width, uint32_t height);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct Piece {
    std::shared_ptr<const platform::Picture> picture;
    platform::Rect dest;
  };
  void DeliverSizeNotice();

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

  mutable std::mutex m_lock;  // guards the members down to m_pieces
  platform::Rect m_rcClient;
  bool m_bVisible = false;
  bool m_bMinimized = false;
  platform::Desktop m_desktop;
  // The last picture for each part of the area (one per monitor the area
  // spans; usually one piece covering it all).
  std::vector<Piece> m_pieces;
  bool m_bIdle = true;

  // Set by the presenting thread when a repaint has been asked for and not
  // yet done, so that a fast stream of pictures queues one update at a time.
  std::atomic<bool> m_bUpdatePending{false};

  // The latest size notice and whether its delivery is queued. A notice
  // carries the generation current when it was made; DropPendingSizeNotices
  // starts a new one, so a notice of a closed graph is told from a current
  // one. A leaf lock, held for a few assignments.
  mutable std::mutex m_noticeLock;
  uint32_t m_nNoticeWidth = 0;   // guarded by m_noticeLock
  uint32_t m_nNoticeHeight = 0;  // guarded by m_noticeLock
  uint64_t m_nNoticeGeneration = 0;  // guarded by m_noticeLock
  bool m_bNoticePending = false;     // guarded by m_noticeLock
  uint64_t m_nGeneration = 0;        // guarded by m_noticeLock
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
