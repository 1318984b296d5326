// A flat button that shows an icon instead of a caption: no frame at rest, a
// raised frame while the pointer is over it, a sunken one while it is pressed
// or checked. It can act as a check box, whose check state the player uses to
// show which of play, pause and stop is in effect.
//
// A button may have two icons. The "in" icon is shown while the button is
// pressed (or checked) and, for an ordinary button, while the pointer is over
// it; the "out" icon is shown otherwise. A button with only an "in" icon
// always shows it. Icons are the compiled-in SVG files named by image id
// (controls/resources.h), drawn at their own size.
#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QSize>
#include <QString>

namespace controls {

class IconButton : public QAbstractButton {
  Q_OBJECT
  // The image id of the icon drawn now (0 when there is none), so tests and
  // scripts can tell what the button shows.
  Q_PROPERTY(int imageId READ ImageId)
  Q_PROPERTY(int inImageId READ InImageId)
  Q_PROPERTY(int outImageId READ OutImageId)

 public:
  enum class Kind { Push, CheckBox };

  explicit IconButton(QWidget* parent = nullptr);
  explicit IconButton(Kind kind, QWidget* parent = nullptr);

  // Loads the icons with these image ids and repaints. outId 0 means no out
  // icon. An id without a compiled-in picture leaves that icon empty.
  void SetIcon(int inId, int outId = 0);

  // A check-box button flips its check state on every click.
  void SetCheckBoxMode(bool checkBox);
  bool IsCheckBox() const { return isCheckable(); }

  // Ignored unless the button is in check-box mode; any non-zero check means
  // checked. Qt schedules a repaint for every state change; with redraw the
  // button is painted before the call returns.
  void SetCheck(int check, bool redraw = true);
  int GetCheck() const { return isChecked() ? 1 : 0; }

  // Sets the one tooltip text of the button and shows it on hover or not. A
  // null text changes nothing.
  void SetTooltipText(const QString& text, bool activate = true);
  QString TooltipText() const { return m_tooltip; }

  int ImageId() const;
  int InImageId() const { return m_in.id; }
  int OutImageId() const { return m_out.id; }
  bool IsHovered() const { return m_mouseOnButton; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Image {
    int id = 0;
    QIcon icon;
    QSize size;
  };
  static Image LoadImage(int id);

  // Drawn sunken: held down, or checked in check-box mode.
  bool IsDrawnPressed() const { return isDown() || isChecked(); }
  bool ShowsOutIcon() const;
  void TrackHover(const QPoint& pos, Qt::MouseButtons buttons);
  void EndHover();

  Image m_in;
  Image m_out;
  bool m_mouseOnButton = false;
  QString m_tooltip;
};

}  // namespace controls
