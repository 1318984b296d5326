// corvane: the player window. Arguments: the file to open, and optionally
// --compare B (a second file to compare it with) and --view a|b|side|wipe|diff.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "controls/resources.h"
#include "ui/player_window.h"
#include "ui/language.h"
#include "ui/quit_on_signal.h"

namespace {

struct Arguments {
  QString file;     // the first argument that is not an option
  QString compare;  // --compare B: the second file, compared with the first
  QString view;     // --view a|b|side|wipe|diff
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
    if (!optionsEnded && (a == QLatin1String("--compare") || a == QLatin1String("--view")) && i + 1 < args.size()) {
      (a == QLatin1String("--compare") ? out.compare : out.view) = args[++i];
      continue;
    }
    if ((optionsEnded || !a.startsWith(QLatin1Char('-'))) && out.file.isEmpty()) out.file = a;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  // The desktop entry's name: a Wayland compositor matches the window to it
  // (its icon and its name in the task switcher).
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvane.Corvane"));
  controls::InitResources();
  ui::QuitOnTerminationSignals();
  ui::ApplyLanguage(ui::LanguageOf(ui::StoredLanguageChoice()));
  const Arguments args = ParseArguments(QApplication::arguments());
  std::optional<session::CompareView> view;
  if (!args.view.isEmpty() && !(view = session::CompareViewForName(args.view.toStdString()))) {
    std::fprintf(stderr, "corvane: --view takes a, b, side, wipe or diff, not '%s'\n", qPrintable(args.view));
    return 2;
  }
  if (!args.compare.isEmpty() && args.file.isEmpty()) {
    std::fprintf(stderr, "corvane: --compare B needs the file to compare it with: corvane A --compare B\n");
    return 2;
  }
  ui::PlayerWindow window(args.file);
  window.Initialize();
  if (!args.compare.isEmpty() && window.OpenReferenceFile(args.compare) && view) {
    window.Run(ui::Command(int(ui::Command::ViewA) + int(*view)));
    window.UpdateControls();
  }
  return QApplication::exec();
}
