// The advanced options: a sheet with a list of page names on its left in
// place of tabs, a coloured title band over the page, and two pages, the
// basic page and the capture page (ui/options_pages.h).
//
// The pages edit copies of the settings. When the sheet closes, every page
// that was ever shown hands its values back into a PendingSettings; a page
// never shown hands back nothing, so its sentinels survive and the player
// keeps what it had. Whether the pending values are taken is the player's
// decision (only on OK; ApplyPendingSettings).
#pragma once

#include <QDialog>
#include <QString>

#include "ui/options_pages.h"

class QListWidget;
class QStackedWidget;

namespace ui {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  enum Page { kBasicPage = 0, kCapturePage = 1 };

  // The pages take their values from `current`; the hand-back goes into
  // `pending`, which must outlive the dialog's run.
  OptionsDialog(const PlayerSettings& current, PendingSettings* pending, QWidget* parent = nullptr);

  // Makes page i current, as a click on its row does; a page whose entries
  // do not read back keeps the sheet where it is. False then, or for a row
  // that does not exist.
  bool ShowPage(int i);
  int CurrentPage() const;
  QString Title() const { return m_title; }
  BasicOptionsPage* Basic() const { return m_basic; }
  CaptureOptionsPage* Capture() const { return m_capture; }

  void accept() override;
  void done(int result) override;

 private:
  QListWidget* m_pageList = nullptr;
  QStackedWidget* m_pages = nullptr;
  QWidget* m_band = nullptr;
  BasicOptionsPage* m_basic = nullptr;
  CaptureOptionsPage* m_capture = nullptr;
  bool m_shown[2] = {true, false};  // the first page is shown when the sheet opens
  QString m_title;
  PendingSettings* m_pending;
};

}  // namespace ui
