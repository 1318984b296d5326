// The advanced options: a sheet with a list of page names on its left in
// place of tabs, a coloured title band over the page, and two pages, the
// basic page (default parameters for files without a trailer) and the
// capture page (still-picture folder and type, display ratio).
//
// The pages edit copies of the settings. When the sheet closes, every page
// that was ever shown hands its values back into a PendingSettings; a page
// never shown hands back nothing, so its sentinels survive and the player
// keeps what it had. Whether the pending values are taken is the player's
// decision (only on OK; ApplyPendingSettings).
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "formats/yuv_format.h"
#include "ui/settings_store.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QStackedWidget;

namespace ui {

// What the pages hand back. captureType −1 together with an empty
// capturePath marks the capture page as untouched.
struct PendingSettings {
  int32_t useDefaultPara = 0;
  int32_t defaultWidth = 352;
  int32_t defaultHeight = 288;
  uint32_t defaultFormat = corvane::fmt::YV12;
  int32_t captureType = -1;
  QString capturePath;
  int32_t displayType = 4;
};

// The staging copy the sheet starts from: the basic values as they are, the
// capture page's sentinels set.
PendingSettings PendingFrom(const PlayerSettings& s);
// What an OK takes over: the basic values always; the capture values only
// when the capture page handed something back.
void ApplyPendingSettings(PlayerSettings& s, const PendingSettings& p);

class BasicOptionsPage : public QWidget {
  Q_OBJECT

 public:
  explicit BasicOptionsPage(QWidget* parent = nullptr);
  void SetInitialValues(const PlayerSettings& s);
  // Reads the edits into the values, as leaving the page or confirming does;
  // false (after its message, with the offending edit focused) when an entry
  // is not an unsigned number or the size is out of range.
  bool ExchangeData();
  void HandBack(PendingSettings& p) const;

 private:
  void OnUseDefaultClicked(bool checked);
  void EnableFields();

  QCheckBox* m_check = nullptr;   // 1072
  QLineEdit* m_editWidth = nullptr;   // 1021
  QLineEdit* m_editHeight = nullptr;  // 1023
  QComboBox* m_combo = nullptr;   // 1080
  int32_t m_useDefault = 0;
  uint32_t m_format = corvane::fmt::YV12;
  uint32_t m_width = 352;
  uint32_t m_height = 288;
};

class CaptureOptionsPage : public QWidget {
  Q_OBJECT

 public:
  // The capture folder's field is this many average characters wide.
  static constexpr int kPathFieldChars = 44;

  explicit CaptureOptionsPage(QWidget* parent = nullptr);
  void SetInitialValues(const PlayerSettings& s);
  bool ExchangeData();
  void HandBack(PendingSettings& p) const;

 private:
  void OnBrowse();
  // The path in the field with its end in view.
  void ShowPath(const QString& path);

  QLineEdit* m_editPath = nullptr;  // 1076
  QComboBox* m_combo = nullptr;     // 1078
  QButtonGroup* m_radios = nullptr;  // 1071..1075, ids are the aspect codes
  int32_t m_captureType = -1;
  int32_t m_displayType = 4;
  QString m_capturePath;
};

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
