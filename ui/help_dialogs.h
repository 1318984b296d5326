// The two small dialogs of the help menu: the shortcut list and the About box.
// Both are modal and read nothing back.
#pragma once

#include <QDialog>
#include <QStringList>
#include <utility>

namespace ui {

class HelpDialog : public QDialog {
  Q_OBJECT

 public:
  explicit HelpDialog(QWidget* parent = nullptr);
  // The shortcut lines, top to bottom (translated), and one line split into
  // its keys (up to the colon) and what they do.
  static QStringList Lines();
  // How many of Lines() are the written ones (the mouse's and the original
  // keys'); the dialog shows the others in a second pair of columns.
  static int WrittenLineCount();
  static std::pair<QString, QString> SplitLine(const QString& line);
};

// The user manual: its file names (Chinese, English), where it is (beside the
// executable, then in the installed data folders; the one in the interface's
// language, else the other; empty when neither is anywhere), and opening it
// in the desktop's PDF viewer, with its path shown when no viewer can.
extern const QString kManualFileName;
extern const QString kEnglishManualFileName;
QString FindUserManual();
void OpenUserManual(QWidget* parent);

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace ui
