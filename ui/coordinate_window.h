// The coordinate window: a small tool window under the player that shows the
// frame pixel under the mouse pointer with its Y, U and V values, and offers
// the component view as a list. It belongs to the player window, which shows,
// hides and places it; its close box only asks the player to hide it.
//
// Threads: GUI thread only.
#pragma once

#include <QWidget>
#include <QPoint>
#include <QSize>
#include <cstdint>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace ui {

// The frame pixel under a point of the picture widget. The display fits the
// frame into the widget by the aspect mode (black bars beside or above and
// below it, and any scale when the window is not at 100 % or was clamped to
// the screen), so the point is mapped through that same rectangle. Nothing
// for a point on a bar or outside the widget, or for a frame without a size.
std::optional<QPoint> FramePixelAt(QPoint widgetPoint, QSize widgetSize, int aspectMode, uint32_t frameWidth,
                                   uint32_t frameHeight);

class CoordinateWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 200;
  static constexpr int kHeight = 220;
  static constexpr int kPairWidth = 300;  // wide enough for "A / B (A−B)" of 16-bit samples
  // What a title bar holds besides the title: the window's icon, its three
  // buttons and the margins (openbox, and most window managers, need less).
  static constexpr int kCaptionRoom = 120;

  explicit CoordinateWindow(QWidget* owner);

  // The pixel position as "x*y" and its three values.
  void ShowPixel(int x, int y, int c1, int c2, int c3);
  // With a second file compared: each value as "A / B (A−B)", or "A / -"
  // where B has no sample (past its end, outside its frame).
  void ShowPixelPair(int x, int y, const int a[3], const int* b);
  // Selects entry n of the component list (0 whole picture, 1 Y, 2 U, 3 V)
  // without reporting it as the user's choice.
  void SelectComponent(int n);

  // For the owner and tests.
  QComboBox* ComponentList() const { return m_list; }
  QString PositionText() const;
  QString ValueText(int i) const;  // i 0..2: Y, U, V
  // `base` (kWidth, or kPairWidth with a second file), or wider where the
  // title would not fit between the frame's icon and buttons (the window
  // manager would cut it: "YUV C…inates").
  int WidthFor(int base) const;

 signals:
  // The user accepted entry n of the component list.
  void componentChosen(int n);
  // The close box was used; the owner hides the window (it is kept, with its
  // selection and values, for the next time).
  void closeRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;  // a new language: the texts again

 private:
  void SetTexts();
  QGroupBox* m_group = nullptr;
  QLabel* m_labels[4] = {};  // coordinate, Y, U, V
  QLineEdit* m_position = nullptr;
  QLabel* m_values[3] = {};
  QComboBox* m_list = nullptr;
  bool m_pair = false;  // the values of two files are shown
};

}  // namespace ui
