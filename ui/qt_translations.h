// Qt's own texts (the file chooser's "Open" and "Look in", the message boxes'
// buttons) in the program's language, so that they do not appear in English
// inside a Chinese program.
#pragma once

class QTranslator;

namespace ui {

// The language the program's own texts are written in (their source texts).
inline constexpr const char* kUiLanguage = "zh_CN";

// Loads Qt's translation for `language` (a locale name such as "zh_CN") from
// Qt's translations folder (Debian: qt6-translations-l10n) and installs it in
// the application, which owns it. Null, and Qt's texts stay English, when the
// file is not there.
QTranslator* InstallQtTranslations(const char* language = kUiLanguage);

}  // namespace ui
