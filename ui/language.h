// The interface language: Chinese (the language the texts are written in)
// or English (res/translations/corvane_en.ts). It follows the system unless
// the user chose one in 帮助 › Language / 语言; a change applies at once: the
// translators are swapped and Qt sends every widget a LanguageChange event,
// on which each sets its texts again.
//
// Threads: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

class QMenu;
class QObject;

namespace ui {

enum class Language { kChinese, kEnglish };
// What the user chose; kSystem also when nothing was ever chosen.
enum class LanguageChoice { kSystem, kChinese, kEnglish };

// The language for the system's list of interface languages, most wanted
// first (QLocale::uiLanguages()): the first decides. Chinese for a Chinese
// locale, and for no language at all ("C", "POSIX", an empty list), which is
// what the program always spoke; English for any other.
Language LanguageForLocales(const QStringList& uiLanguages);
Language SystemLanguage();

// The choice kept in the settings, and keeping one.
LanguageChoice StoredLanguageChoice();
void StoreLanguageChoice(LanguageChoice choice);
Language LanguageOf(LanguageChoice choice);

// Installs the program's and Qt's catalogues for `language`, in place of
// those installed before. The catalogues are compiled into the program.
void ApplyLanguage(Language language);
// The language applied last (Chinese before any).
Language CurrentLanguage();

// Adds the Language / 语言 submenu to `help`: follow the system, 中文,
// English, one of them checked. A choice is stored and applied at once.
void AddLanguageMenu(QMenu* help, QObject* owner);

}  // namespace ui
