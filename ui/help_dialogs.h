// The two small dialogs of the help menu: the shortcut list and the About box.
// Both are modal and read nothing back.
#pragma once

#include <QDialog>
#include <QStringList>

namespace ui {

class HelpDialog : public QDialog {
  Q_OBJECT

 public:
  explicit HelpDialog(QWidget* parent = nullptr);
  // The shortcut lines as shown, top to bottom (translated).
  static QStringList Lines();
};

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace ui
