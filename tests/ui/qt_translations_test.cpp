// Qt's own dialogs in the program's language.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

#include "ui/qt_translations.h"

namespace {

// Qt's own dialogs speak the program's language: the file chooser's texts
// come from Qt's Chinese catalogue.
TEST(QtTranslations, QtsOwnDialogTextsAreChinese) {
  QTranslator* qt = ui::InstallQtTranslations();
  ASSERT_NE(qt, nullptr) << "Qt's qtbase_zh_CN catalogue is missing (qt6-translations-l10n)";
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QString::fromUtf8("打开"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
  QCoreApplication::removeTranslator(qt);
  delete qt;
}

}  // namespace
