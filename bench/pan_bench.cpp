// Panning a zoomed 3840x2160 I420 frame in the player window: synthetic
// left-button drags, 60 moves a second for 5 s, at 8x and at 1/4 (paused,
// so every move draws the frame again). Figures: pictures painted a second
// and the longest time the GUI thread is kept from running (a 1 ms timer's
// longest gap). Goal: at least 55 redraws a second, longest gap 20 ms.
//
// The peer, in the same run and the same window size: a widget that does
// what a viewer without a view-aware engine does on every move: convert the
// whole frame (as the player's display converts it, FrameToPicture) and
// let Qt scale the visible part by nearest neighbour.
//
//   QT_QPA_PLATFORM=offscreen build/bench/pan_bench
//
// The clip (2 frames with a trailer) is written to the temp folder; the
// window runs on the offscreen platform with a private settings folder.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/resources.h"
#include "engine/frame_picture.h"
#include "engine/view_transform.h"
#include "bench/gui_bench_util.h"
#include "ui/player_window.h"
#include "ui/video_widget.h"

namespace {

constexpr uint32_t kW = 3840, kH = 2160;
constexpr int kDragMs = 5000, kMovesPerSecond = 60;

struct Figures {
  int moves = 0, paints = 0;
  qint64 longest = 0;
  QSize area;
};

// Counts the paints of a widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// The peer's picture area: the frame converted whole on every change of
// view, the visible part scaled by Qt.
class NaiveView : public QWidget {
 public:
  NaiveView(const std::vector<uint8_t>& frame, QSize size) : m_frame(frame) {
    resize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void SetView(const corvane::PictureView& v) {
    m_view = v;
    platform::Picture pic;
    corvane::FrameToPicture(m_frame.data(), m_frame.size(), {kW, kH, corvane::YUV_YV12}, &pic);
    m_image = QImage(pic.pixels.get(), int(pic.width), int(pic.height), int(pic.stride), QImage::Format_RGB32).copy();
    update();
  }
  const corvane::PictureView& View() const { return m_view; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const corvane::ViewMapping m = corvane::MapView(m_view, {0, 0, width(), height()}, kW, kH);
    const QRectF source(-m.x0 / m.sx, -m.y0 / m.sy, width() / m.sx, height() / m.sy);
    p.drawImage(QRectF(rect()), m_image, source);  // nearest neighbour: no smooth transform
  }

 private:
  const std::vector<uint8_t>& m_frame;
  corvane::PictureView m_view;
  QImage m_image;
};

// 60 moves a second along a circle of 120 pixels for kDragMs, each handed
// to `move` as the step since the last; the GUI thread's gaps measured.
template <class Move>
Figures Drag(Move move) {
  Figures f;
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  benchutil::GuiGapProbe probe;
  QTimer drag;
  drag.setTimerType(Qt::PreciseTimer);
  QPoint at(0, 0);
  QObject::connect(&drag, &QTimer::timeout, [&] {
    const qint64 t = clock.elapsed();
    if (t >= kDragMs) {
      drag.stop();
      probe.Stop();
      f.longest = probe.Longest();
      QTimer::singleShot(300, &loop, &QEventLoop::quit);
      return;
    }
    const double a = 2 * M_PI * double(t) / 2000.0;  // a turn in 2 s
    const QPoint next(int(std::lround(120 * std::cos(a))), int(std::lround(120 * std::sin(a))));
    move(next - at);
    at = next;
    ++f.moves;
  });
  probe.Start(1);
  drag.start(1000 / kMovesPerSecond);
  loop.exec();
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvane_pan_bench";
  std::filesystem::create_directories(dir / "config");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  controls::InitResources();
  std::vector<uint8_t> frame;
  const std::string clip = benchutil::WritePatternClip((dir / "pan_4k.yuv").string(),
                                                      corvane::MakePara(corvane::fmt::YV12, kW, kH), 2, &frame);
  if (clip.empty()) {
    std::fprintf(stderr, "cannot write the clip in %s\n", dir.c_str());
    return 1;
  }
  struct Row {
    const char* name;
    int steps;  // from 1×
  };
  const Row rows[] = {{"8x", 4}, {"1/4", -3}};
  std::printf("3840x2160 I420, paused; drags of %d ms, %d moves a second, a 1 ms GUI timer\n", kDragMs,
              kMovesPerSecond);
  std::printf("%-6s %-38s %6s %9s %13s %16s\n", "zoom", "drawing", "moves", "paints", "redraws/s", "longest gap (ms)");
  bool met = true;
  QSize area;
  for (const Row& r : rows) {
    Figures ours;
    {
      ui::PlayerWindow window(QString::fromStdString(clip));
      window.Initialize();
      ui::VideoWidget* video = window.Video();
      QElapsedTimer wait;
      wait.start();
      while (video->LastPicture().isNull() && wait.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      window.Run(ui::Command::Pause);
      ours.area = video->size();
      window.Session()->ZoomAt(r.steps, video->width() / 2, video->height() / 2, video->width(), video->height());
      PaintCounter counter(video);
      QCoreApplication::processEvents();
      counter.paints = 0;
      // The player's own road: mouse events on the client area, as a drag.
      QWidget* client = window.centralWidget();
      QPoint at = video->mapTo(client, QPoint(video->width() / 2, video->height() / 2));
      QMouseEvent press(QEvent::MouseButtonPress, at, client->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(client, &press);
      const Figures f = Drag([&](QPoint by) {
        at += by;
        QMouseEvent move(QEvent::MouseMove, at, client->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(client, &move);
      });
      ours.moves = f.moves, ours.longest = f.longest, ours.paints = counter.paints;
    }
    Figures peer;
    {
      NaiveView view(frame, ours.area);
      view.show();
      const platform::Rect area{0, 0, ours.area.width(), ours.area.height()};
      view.SetView(corvane::ZoomViewAt({}, r.steps, area.right / 2, area.bottom / 2, area, kW, kH));
      PaintCounter counter(&view);
      QCoreApplication::processEvents();
      counter.paints = 0;
      const Figures f = Drag([&](QPoint by) { view.SetView(corvane::PanView(view.View(), by.x(), by.y(), area, kW, kH)); });
      peer.moves = f.moves, peer.longest = f.longest, peer.paints = counter.paints;
    }
    const double s = kDragMs / 1000.0;
    std::printf("%-6s %-38s %6d %9d %13.1f %16lld\n", r.name, "Corvane (visible part only)", ours.moves, ours.paints,
                ours.paints / s, static_cast<long long>(ours.longest));
    std::printf("%-6s %-38s %6d %9d %13.1f %16lld\n", r.name, "peer (whole frame, Qt scales)", peer.moves, peer.paints,
                peer.paints / s, static_cast<long long>(peer.longest));
    met = met && ours.paints / s >= 55 && ours.longest <= 20;
    area = ours.area;
  }
  std::printf("picture area %dx%d (offscreen screen); goal: >= 55 redraws/s, longest gap <= 20 ms: %s\n",
              area.width(), area.height(), met ? "met" : "not met");
  std::filesystem::remove_all(dir);
  return 0;
}
