// The player window on a file of huge frames: how long the GUI thread is
// kept from running while it opens the file, plays it and closes it.
//
//   QT_QPA_PLATFORM=offscreen /usr/bin/time -v build/bench/huge_frame_bench FORMAT WxH [SECONDS]
//
// Writes a sparse file of three frames of FORMAT (a name corvane-tool takes,
// e.g. P016, V210, I410, RGB32) at WxH with a trailer to the temp folder (a
// hole: no disk is used, the frames read as zeros), opens it in the player
// window on the offscreen platform, lets it play SECONDS (default 5), then
// reads a pixel's values (as the coordinate window does), pauses, steps,
// plays again and, a second and a half later, closes it. It prints the time
// each of these took on the GUI thread and the longest gap of a 5 ms GUI
// timer over the whole run. The peak resident memory is /usr/bin/time's.
// The file is deleted at the end.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/gui_bench_util.h"
#include "controls/resources.h"
#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "platform/file.h"
#include "session/commands.h"
#include "ui/open_file_flow.h"
#include "ui/player_window.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: huge_frame_bench FORMAT WxH [SECONDS]\n");
    return 2;
  }
  const auto code = corvane::CodeForUserFormatName(argv[1]);
  unsigned w = 0, h = 0;
  if (!code || std::sscanf(argv[2], "%ux%u", &w, &h) != 2) {
    std::fprintf(stderr, "unknown format or size\n");
    return 2;
  }
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 5;
  const corvane::YUVPara para = corvane::MakePara(*code, w, h, 40, 0);
  corvane::YUVType type;
  uint32_t frameSize = 0;
  if (!corvane::GetTypeAndFrameSize(&para, &type, &frameSize)) {
    std::fprintf(stderr, "no frame size for these parameters\n");
    return 2;
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvane_huge_frame_bench";
  std::filesystem::create_directories(dir / "config");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string path = (dir / "huge.yuv").string();
  {
    platform::File f;
    const uint64_t data = 3ull * frameSize;
    const auto trailer = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&para, 1));
    if (!f.Open(path, platform::File::Mode::kCreate) ||
        f.WriteAt(trailer.data(), trailer.size(), data) != int64_t(trailer.size())) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  QApplication app(argc, argv);
  controls::InitResources();
  benchutil::GuiGapProbe probe;
  probe.Start(5);
  qint64 openMs = 0, closeMs = 0, readoutMs = 0, pauseMs = 0, stepMs = 0, playMs = 0;
  bool playing = false;
  ui::PlayerWindow* window = nullptr;
  QTimer::singleShot(200, [&] {
    QElapsedTimer t;
    t.start();
    window = new ui::PlayerWindow(QString::fromStdString(path));
    window->Initialize();
    openMs = t.elapsed();
    playing = window->Graph() != nullptr;
  });
  // How long fn keeps the GUI thread.
  auto timed = [](auto&& fn) {
    QElapsedTimer t;
    t.start();
    fn();
    return t.elapsed();
  };
  const int commandsAt = 200 + seconds * 1000;
  QTimer::singleShot(commandsAt, [&] {
    if (window->Graph()) readoutMs = timed([&] { (void)window->Graph()->GetPixelValue(w / 2, h / 2); });
    pauseMs = timed([&] { window->Run(session::Command::Pause); });
    stepMs = timed([&] { window->Run(session::Command::StepForward); });
  });
  // The step's frame is being drawn on the seeker meanwhile.
  QTimer::singleShot(commandsAt + 100, [&] { playMs = timed([&] { window->Run(session::Command::Play); }); });
  QTimer::singleShot(commandsAt + 1500, [&] {
    closeMs = timed([&] { window->Files().CloseFile(); });
    delete window;
    window = nullptr;
  });
  QTimer::singleShot(commandsAt + 2500, [&] { app.quit(); });
  app.exec();
  probe.Stop();
  std::filesystem::remove_all(dir);
  std::printf("%s %ux%u (%.2f GB a frame): %s; on the GUI thread: open %lld ms, pixel readout %lld ms, "
              "pause %lld ms, step %lld ms, play %lld ms, close %lld ms; longest GUI gap %lld ms over %lld ticks\n",
              argv[1], w, h, frameSize / 1e9, playing ? "playing" : "refused", static_cast<long long>(openMs),
              static_cast<long long>(readoutMs), static_cast<long long>(pauseMs), static_cast<long long>(stepMs),
              static_cast<long long>(playMs), static_cast<long long>(closeMs), static_cast<long long>(probe.Longest()),
              static_cast<long long>(probe.Ticks()));
  return 0;
}
