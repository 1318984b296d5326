#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

QTranslator* InstallQtTranslations(const char* language) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  // qtbase holds the widgets' texts; "qt_" is only a catalogue that names it.
  if (!translator->load(QLocale(QString::fromLatin1(language)), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return nullptr;
  }
  QCoreApplication::installTranslator(translator);
  return translator;
}

}  // namespace ui
