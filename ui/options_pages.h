// The options sheet's two pages and what they hand back: the basic page
// (default parameters for files without a trailer) and the capture page
// (still-picture folder and type, display ratio). Each edits a copy of the
// settings and hands its values back into a PendingSettings when the sheet
// closes, if it was ever shown.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "formats/yuv_format.h"
#include "ui/settings_store.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

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

}  // namespace ui
