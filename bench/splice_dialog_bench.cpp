// The splice dialog during a 1 GiB copy in the page cache: how long the run
// takes beside `cat IN > OUT`, how often the GUI thread gets to run and the
// progress bar moves meanwhile, and how soon "取消拼接" stops the copy.
//
//   QT_QPA_PLATFORM=offscreen build/bench/splice_dialog_bench
//
// The input is the one of tools_bench (345 frames of 1920x1080 I420 with a
// plain trailer), written to the temp folder and read once beforehand. The
// window runs on the offscreen platform with a private settings folder.
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "controls/resources.h"
#include "formats/trailer.h"
#include "platform/file.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/splice_dialog.h"

namespace {

using namespace corvane;

constexpr uint32_t kW = 1920, kH = 1080, kFrames = 345;
constexpr uint64_t kFrameSize = uint64_t(kW) * kH * 3 / 2;
constexpr uint64_t kDataSize = kFrameSize * kFrames;

// Answers for a person who is not there: the input for every chooser, Yes
// for every question; messages are printed.
class BenchPrompts : public ui::Prompts {
 public:
  explicit BenchPrompts(QString input) : m_input(std::move(input)) {}
  void ShowMessage(QWidget*, const QString& text, ui::MessageKind) override { std::printf("message: %s\n", qPrintable(text)); }
  void ShowMessageWithReason(QWidget*, const QString& text, const QString& reason, ui::MessageKind) override {
    std::printf("message: %s (%s)\n", qPrintable(text), qPrintable(reason));
  }
  std::optional<QString> ChooseFileToOpen(QWidget*, const QString&) override { return m_input; }
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
  std::optional<QString> ChooseFileToSave(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<QString> ChooseFolder(QWidget*, const QString&) override { return std::nullopt; }

 private:
  QString m_input;
};

struct RunFigures {
  double ms = 0;          // start to the end of the run, as the GUI thread saw it
  double maxGuiGapMs = 0;  // longest wait between two turns of a 5 ms GUI timer
  double maxBarGapMs = 0;  // longest time the progress bar stood still while running
  double cancelMs = -1;    // cancel click to the run's end, when cancelled
};

// One run through the dialog; cancelled when the bar reaches `cancelAt` %.
RunFigures Run(ui::SpliceDialog& d, const std::string& out, int cancelAt) {
  RunFigures f;
  bool ended = false;
  auto conn = QObject::connect(&d, &ui::SpliceDialog::spliceEnded, [&](tools::ToolCode) { ended = true; });
  QElapsedTimer clock, gui, bar, cancel;
  int lastValue = -1;
  QTimer tick;
  tick.setInterval(5);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    f.maxGuiGapMs = std::max(f.maxGuiGapMs, gui.nsecsElapsed() / 1e6);
    gui.restart();
    if (!d.IsRunning()) return;
    const int v = d.ProgressValue();
    if (v != lastValue) {
      if (lastValue >= 0) f.maxBarGapMs = std::max(f.maxBarGapMs, bar.nsecsElapsed() / 1e6);
      lastValue = v;
      bar.restart();
    }
    if (cancelAt >= 0 && v >= cancelAt && !cancel.isValid()) {
      cancel.start();
      d.findChild<QPushButton*>(QStringLiteral("btn1053"))->click();
    }
  });
  d.findChild<QLineEdit*>(QStringLiteral("edit1048"))->setText(QString::fromStdString(out));
  clock.start();
  gui.start();
  bar.start();
  tick.start();
  d.findChild<QPushButton*>(QStringLiteral("btn1053"))->click();
  while (!ended) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  f.ms = clock.nsecsElapsed() / 1e6;
  if (cancel.isValid()) f.cancelMs = cancel.nsecsElapsed() / 1e6;
  QObject::disconnect(conn);
  std::filesystem::remove(out);
  return f;
}

double CatMs(const std::string& in, const std::string& out) {
  QElapsedTimer t;
  t.start();
  const int st = std::system(("cat '" + in + "' > '" + out + "'").c_str());
  const double ms = t.nsecsElapsed() / 1e6;
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) std::abort();
  std::filesystem::remove(out);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("corvane-dialog-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "config");
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string in = (dir / "in.yuv").string(), out = (dir / "out.yuv").string();
  benchutil::MakeToolsInput(in, kW, kH, kFrames);

  QApplication app(argc, argv);
  controls::InitResources();
  ui::Prompts::Install(std::make_unique<BenchPrompts>(QString::fromStdString(in)));
  {
    ui::PlayerWindow w;
    w.Initialize();
    ui::SpliceDialog d(&w, session::DefaultParameters{});
    d.show();
    d.OnAdd();
    const double gib = double(kDataSize + 40) / (1u << 30);
    for (int i = 0; i < 3; ++i) {
      const double cat = CatMs(in, out);
      const RunFigures full = Run(d, out, -1);
      const RunFigures cancelled = Run(d, out, 40);
      std::printf(
          "run %d: cat %.0f ms (%.2f GiB/s) | dialog splice %.0f ms (%.2f GiB/s, %.0f %% of cat), longest GUI "
          "wait %.1f ms, longest still bar %.1f ms | cancel at 40 %%: stopped %.1f ms after the click\n",
          i + 1, cat, gib / (cat / 1000), full.ms, gib / (full.ms / 1000), 100.0 * cat / full.ms, full.maxGuiGapMs,
          full.maxBarGapMs, cancelled.cancelMs);
    }
  }
  ui::Prompts::Install(nullptr);
  std::filesystem::remove_all(dir);
  return 0;
}
