// corvane: the player window. Arguments: the file to open, and optionally
// --compare B (a second file to compare it with) and --view a|b|side|wipe|diff;
// --help and --version print and exit.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <optional>

#include "controls/resources.h"
#include "ui/compare_flow.h"
#include "ui/player_window.h"
#include "ui/language.h"
#include "ui/quit_on_signal.h"

namespace {

constexpr int kExitUsage = 2;

void PrintUsage() {
  std::printf(
      "Usage: corvane [FILE [--compare B] [--view a|b|side|wipe|diff]]\n"
      "Play a raw video file (.yuv), a Y4M file (.y4m) or a coded video file (MP4, MKV, WebM,\n"
      "MOV, IVF, MPEG-TS, raw H.264/HEVC streams) in a window; without FILE the window opens\n"
      "empty.\n\n"
      "  --compare B   open B beside FILE and compare the two (PSNR, SSIM, views)\n"
      "  --view V      the compare view to start in: a, b, side, wipe or diff\n"
      "  --help        print this help and exit\n"
      "  --version     print the version and exit\n"
      "  --            what follows is a file name, even if it starts with '-'\n\n"
      "corvane-tool works on the same files without a window.\n");
}

// --help and --version need no display: they are answered before Qt starts.
// They are flags without values, so Qt's own options cannot hide them.
std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage();
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("corvane %s\n", CORVANE_PACKAGE_VERSION);
      return 0;
    }
  }
  return std::nullopt;
}

struct Arguments {
  QString file;     // the first argument that is not an option
  QString compare;  // --compare B: the second file, compared with the first
  QString view;     // --view a|b|side|wipe|diff
  QString error;    // what was wrong with them, if anything
};

// Qt has already taken its own options (-platform and the like).
Arguments ParseArguments(const QStringList& args) {
  Arguments out;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (!optionsEnded && a == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (a == QLatin1String("--compare") || a == QLatin1String("--view"))) {
      if (i + 1 >= args.size()) {
        out.error = a == QLatin1String("--compare")
                        ? QStringLiteral("--compare needs the file to compare with: corvane A --compare B")
                        : QStringLiteral("--view needs a view: a, b, side, wipe or diff");
        return out;
      }
      (a == QLatin1String("--compare") ? out.compare : out.view) = args[++i];
      continue;
    }
    if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
      out.error = QStringLiteral("unknown option '%1' (a file named so goes after --)").arg(a);
      return out;
    }
    if (out.file.isEmpty()) out.file = a;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> answered = AnswerWithoutWindow(argc, argv)) return *answered;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  // The desktop entry's name: a Wayland compositor matches the window to it
  // (its icon and its name in the task switcher).
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvane.Corvane"));
  controls::InitResources();
  ui::QuitOnTerminationSignals();
  ui::ApplyLanguage(ui::LanguageOf(ui::StoredLanguageChoice()));
  const Arguments args = ParseArguments(QApplication::arguments());
  if (!args.error.isEmpty()) {
    std::fprintf(stderr, "corvane: %s\nTry 'corvane --help'.\n", qPrintable(args.error));
    return kExitUsage;
  }
  std::optional<session::CompareView> view;
  if (!args.view.isEmpty() && !(view = session::CompareViewForName(args.view.toStdString()))) {
    std::fprintf(stderr, "corvane: --view takes a, b, side, wipe or diff, not '%s'\n", qPrintable(args.view));
    return kExitUsage;
  }
  if (!args.compare.isEmpty() && args.file.isEmpty()) {
    std::fprintf(stderr, "corvane: --compare B needs the file to compare it with: corvane A --compare B\n");
    return kExitUsage;
  }
  ui::PlayerWindow window(args.file);
  window.Initialize();
  if (!args.compare.isEmpty() && window.Compare().OpenReferenceFile(args.compare) && view) {
    window.Run(*session::CommandOf(session::Group::kCompareView, int(*view)));
    window.UpdateControls();
  }
  return QApplication::exec();
}
