// corvane: the player window. One optional argument, the file to open.
#include <QApplication>
#include <QStringList>

#include "controls/resources.h"
#include "ui/player_window.h"
#include "ui/language.h"

namespace {

// The file named on the command line: the first argument that is not an
// option. Qt has already taken its own options (-platform and the like).
QString FileArgument(const QStringList& args) {
  bool optionsEnded = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (!optionsEnded && a == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || !a.startsWith(QLatin1Char('-'))) return a;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  // The desktop entry's name: a Wayland compositor matches the window to it
  // (its icon and its name in the task switcher).
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvane.Corvane"));
  controls::InitResources();
  ui::ApplyLanguage(ui::LanguageOf(ui::StoredLanguageChoice()));
  ui::PlayerWindow window(FileArgument(QApplication::arguments()));
  window.Initialize();
  return QApplication::exec();
}
