#include "ui/language.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QLocale>
#include <QMenu>
#include <QTranslator>

#include "ui/command_wiring.h"
#include "ui/qt_translations.h"
#include "ui/resource_ids.h"
#include "ui/settings_store.h"

namespace ui {

namespace {

// The catalogues installed now: children of the application, deleted here
// when the next language replaces them.
struct Installed {
  Language language = Language::kChinese;
  QTranslator* own = nullptr;  // the program's texts
  QTranslator* qt = nullptr;   // Qt's texts (Chinese only)
};
Installed& Current() {
  static Installed installed;
  return installed;
}

void Remove(QTranslator*& t) {
  if (!t) return;
  QCoreApplication::removeTranslator(t);
  delete t;
  t = nullptr;
}

const char* CodeOf(Language language) { return language == Language::kEnglish ? "en" : kUiLanguage; }

// The stored names of the choices; anything else reads as "follow the system".
struct ChoiceName {
  LanguageChoice choice;
  const char* stored;
  int id;
};
constexpr ChoiceName kChoices[] = {
    {LanguageChoice::kSystem, "system", ids::kHelpLanguageSystem},
    {LanguageChoice::kChinese, "zh_CN", ids::kHelpLanguageChinese},
    {LanguageChoice::kEnglish, "en", ids::kHelpLanguageEnglish},
};

}  // namespace

Language LanguageForLocales(const QStringList& uiLanguages) {
  if (uiLanguages.isEmpty()) return Language::kChinese;
  const QString first = uiLanguages.first();
  if (first.isEmpty() || first == QLatin1String("C") || first == QLatin1String("POSIX")) return Language::kChinese;
  return QLocale(first).language() == QLocale::Chinese ? Language::kChinese : Language::kEnglish;
}

Language SystemLanguage() { return LanguageForLocales(QLocale::system().uiLanguages()); }

LanguageChoice StoredLanguageChoice() {
  const QString stored = SettingsStore::LoadLanguage();
  for (const ChoiceName& c : kChoices)
    if (stored == QLatin1String(c.stored)) return c.choice;
  return LanguageChoice::kSystem;
}

void StoreLanguageChoice(LanguageChoice choice) {
  for (const ChoiceName& c : kChoices)
    if (c.choice == choice) SettingsStore::SaveLanguage(QString::fromLatin1(c.stored));
}

Language LanguageOf(LanguageChoice choice) {
  switch (choice) {
    case LanguageChoice::kChinese: return Language::kChinese;
    case LanguageChoice::kEnglish: return Language::kEnglish;
    case LanguageChoice::kSystem: break;
  }
  return SystemLanguage();
}

void ApplyLanguage(Language language) {
  Installed& now = Current();
  Remove(now.own);
  Remove(now.qt);
  now.language = language;
  // The Chinese catalogue may be empty: the Chinese texts are the source
  // texts, and Qt shows the source where a catalogue has nothing.
  auto* own = new QTranslator(QCoreApplication::instance());
  if (own->load(QStringLiteral(":/i18n/corvane_%1.qm").arg(QLatin1String(CodeOf(language))))) {
    QCoreApplication::installTranslator(own);
    now.own = own;
  } else {
    delete own;
  }
  // Qt's texts are English in its source, so only Chinese needs its catalogue.
  if (language == Language::kChinese) now.qt = InstallQtTranslations(CodeOf(language));
}

Language CurrentLanguage() { return Current().language; }

void AddLanguageMenu(QMenu* help, QObject* owner) {
  // The title in both languages, and each language by its own name, so that
  // whoever cannot read the one on screen still finds the way to the other.
  QMenu* menu = help->addMenu(QStringLiteral("Language / 语言"));
  auto* group = new QActionGroup(owner);
  const LanguageChoice stored = StoredLanguageChoice();
  const char* const texts[] = {QT_TRANSLATE_NOOP("ui::PlayerWindow", "跟随系统"), "中文", "English"};
  for (size_t i = 0; i < std::size(kChoices); ++i) {
    QAction* a = menu->addAction(QString::fromUtf8(texts[i]));
    if (i == 0) SetSourceText(a, texts[i]);
    a->setObjectName(QStringLiteral("act%1").arg(kChoices[i].id));
    a->setCheckable(true);
    a->setChecked(kChoices[i].choice == stored);
    group->addAction(a);
    QObject::connect(a, &QAction::triggered, owner, [choice = kChoices[i].choice] {
      StoreLanguageChoice(choice);
      const Language language = LanguageOf(choice);
      if (language != CurrentLanguage()) ApplyLanguage(language);
    });
  }
}

}  // namespace ui
