// The player window playing a 3840x2160 clip while the seek slider is dragged
// across it: synthetic mouse events at 60 a second for 5 s, back and forth.
// A 5 ms GUI timer measures how long the GUI thread is kept from running;
// the longest gap is the figure (goal: at most 20 ms). The peer, in the same
// run: the same drag with each seek run on the GUI thread and waited for, as
// the window did before seeks moved to the session's seeker.
//
//   QT_QPA_PLATFORM=offscreen build/bench/slider_drag_bench [--frames N]
//
// The clip (I420, 24 frames of 12.4 MB, with a trailer) is written to the temp
// folder and read once beforehand, so that it is in the page cache. The
// window runs on the offscreen platform with a private settings folder.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/gui_bench_util.h"
#include "controls/resources.h"
#include "controls/seek_slider.h"
#include "session/player_session.h"
#include "ui/player_window.h"

namespace {

constexpr uint32_t kW = 3840, kH = 2160;
constexpr int kDragMs = 5000, kMovesPerSecond = 60;

}  // namespace

int main(int argc, char** argv) {
  uint32_t frames = 24;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--frames") frames = uint32_t(std::max(2, std::atoi(argv[i + 1])));
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvane_slider_bench";
  std::filesystem::create_directories(dir / "config");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  controls::InitResources();
  const std::string clip = benchutil::WritePatternClip((dir / "drag_4k.yuv").string(),
                                                      corvane::MakePara(corvane::fmt::YV12, kW, kH, 40, 0), frames);
  if (clip.empty()) {
    std::fprintf(stderr, "cannot write the clip in %s\n", dir.c_str());
    return 1;
  }
  {  // into the page cache
    std::vector<char> sink(1 << 20);
    std::FILE* f = std::fopen(clip.c_str(), "rb");
    while (f && std::fread(sink.data(), 1, sink.size(), f) == sink.size()) {
    }
    if (f) std::fclose(f);
  }

  struct Figures {
    int moves = 0;
    qint64 ticks = 0, longest = 0;
  };
  auto run = [&](bool onGuiThread) {
    Figures f;
    ui::PlayerWindow window(QString::fromStdString(clip));
    window.Initialize();
    controls::SeekSlider* slider = window.Slider();
    if (onGuiThread) {
      // The peer: every position seeks at once, and the GUI thread waits.
      QObject::disconnect(slider, &controls::SeekSlider::thumbTracked, nullptr, nullptr);
      QObject::connect(slider, &controls::SeekSlider::thumbTracked, [&window](int pos) {
        (void)window.Graph()->SeekToFrame(session::PlayerSession::FrameForSliderPos(pos, window.View().total));
      });
    }
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    // The GUI thread's turns: a 5 ms timer and the longest gap between ticks.
    benchutil::GuiGapProbe probe;
    // The drag: press at the left end, then one move every 1/60 s sweeping
    // the width back and forth (a sweep a second), then release.
    const int width = slider->width(), y = slider->height() / 2;
    QTimer drag;
    drag.setTimerType(Qt::PreciseTimer);
    qint64 dragStart = 0;
    QObject::connect(&drag, &QTimer::timeout, [&] {
      const qint64 t = clock.elapsed() - dragStart;
      const double phase = double(t % 2000) / 1000.0;  // 0..2
      const QPoint at(std::clamp(int((phase <= 1.0 ? phase : 2.0 - phase) * (width - 1)), 0, width - 1), y);
      if (t >= kDragMs) {
        QMouseEvent release(QEvent::MouseButtonRelease, at, slider->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(slider, &release);
        drag.stop();
        probe.Stop();
        f.longest = probe.Longest();
        f.ticks = probe.Ticks();
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        return;
      }
      QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(slider, &move);
      ++f.moves;
    });
    QTimer::singleShot(1000, [&] {  // after a second of playing
      const QPoint at(0, y);
      QMouseEvent press(QEvent::MouseButtonPress, at, slider->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(slider, &press);
      dragStart = clock.elapsed();
      probe.Start(5);
      drag.start(1000 / kMovesPerSecond);
    });
    loop.exec();
    return f;
  };
  const Figures seeker = run(false), gui = run(true);
  std::printf("3840x2160 I420, %u frames; drags of %d ms, 60 moves a second, a 5 ms GUI timer\n", frames, kDragMs);
  std::printf("%-34s %6s %8s %16s\n", "seeks", "moves", "ticks", "longest gap (ms)");
  std::printf("%-34s %6d %8lld %16lld\n", "on the session's seeker (now)", seeker.moves,
              static_cast<long long>(seeker.ticks), static_cast<long long>(seeker.longest));
  std::printf("%-34s %6d %8lld %16lld\n", "on the GUI thread, waited (peer)", gui.moves, static_cast<long long>(gui.ticks),
              static_cast<long long>(gui.longest));
  std::printf("goal: longest gap at most 20 ms with the seeker: %s\n", seeker.longest <= 20 ? "met" : "not met");
  std::filesystem::remove_all(dir);
  return 0;
}
