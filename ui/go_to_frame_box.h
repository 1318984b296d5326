// The go-to-frame box (Ctrl+G): a frame number typed with the main
// keyboard's digits; Enter takes it, Escape closes the box. For keyboards
// without a keypad, where the typed frame number of the keypad cannot be
// used. Numbers count from 1, as the keypad's do.
//
// Threads: GUI thread only.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;

namespace ui {

class GoToFrameBox : public QDialog {
  Q_OBJECT

 public:
  // `total`: the frames of the open file; `current`: the frame on screen,
  // offered selected so typing replaces it.
  GoToFrameBox(QWidget* parent, uint32_t total, uint32_t current);
  // The number taken (1..total) once the box was accepted.
  std::optional<uint32_t> Frame() const { return m_frame; }
  QLineEdit* Edit() const { return m_edit; }

  // Runs the box over `parent`; the frame chosen, or none when closed.
  static std::optional<uint32_t> Ask(QWidget* parent, uint32_t total, uint32_t current);

 public slots:
  void accept() override;

 private:
  QLineEdit* m_edit = nullptr;
  QLabel* m_hint = nullptr;
  uint32_t m_total = 0;
  std::optional<uint32_t> m_frame;
};

}  // namespace ui
