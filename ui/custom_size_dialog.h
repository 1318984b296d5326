// "自定义宽高": asks for a frame size that the parameter dialog's list does
// not hold. OK is taken only for a width of 1..10000 and a height of 1..5000.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

#include "session/player_session.h"

class QLineEdit;

namespace ui {

class CustomSizeDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr uint32_t kMaxWidth = session::kMaxCustomWidth;
  static constexpr uint32_t kMaxHeight = session::kMaxCustomHeight;

  explicit CustomSizeDialog(QWidget* parent = nullptr);

  static bool IsValidSize(uint32_t width, uint32_t height) { return session::IsValidCustomSize(width, height); }
  // An edit's text as an unsigned 32-bit decimal; nothing for anything else.
  static std::optional<uint32_t> ParseUnsigned(const QString& text);

  // Puts a size in the edits (they start with 0 and 0).
  void SetResolution(uint32_t width, uint32_t height);
  // The accepted size, after exec() returned Accepted.
  void GetResolution(uint32_t* width, uint32_t* height) const;

 public slots:
  void accept() override;

 private:
  QLineEdit* m_editWidth = nullptr;
  QLineEdit* m_editHeight = nullptr;
  uint32_t m_width = 0;
  uint32_t m_height = 0;
};

}  // namespace ui
