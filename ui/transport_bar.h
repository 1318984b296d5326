// The strip under the picture: the seek slider, the row of twelve play
// buttons with its two separators, and the two status fields. The buttons
// and their places come from the command table, what they show from the
// session's view (session/button_looks.h).
//
// Threads: GUI thread only.
#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "session/button_looks.h"
#include "session/player_session.h"

namespace controls {
class ColorLabel;
class IconButton;
class SeekSlider;
}  // namespace controls

namespace ui {

class TransportBar : public QWidget {
  Q_OBJECT

 public:
  // Its height in the client area, from the slider's top to the row's bottom.
  static constexpr int kHeight = 46;

  explicit TransportBar(QWidget* parent);

  // Buttons, images, tooltips and the slider's state for the view.
  void Show(const session::PlayerView& view);
  // The slider at the frame on screen, unless the user holds it.
  void ShowPosition(const session::PlayerView& view);
  controls::SeekSlider* Slider() const { return m_slider; }
  controls::IconButton* Button(int id) const;

 signals:
  // A button was clicked: its command.
  void commandClicked(session::Command command);
  // The slider asks for the frame at `pos` (dragged, clicked or a wheel notch).
  void seekRequested(int pos);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;  // a new language: the tooltips again
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  controls::SeekSlider* m_slider = nullptr;
  std::array<controls::IconButton*, 12> m_buttons{};  // in the row's order
  std::array<session::Tip, 12> m_tips{};  // each button's tooltip, kept while a look says kKeep
  QWidget* m_separators[2] = {};
  int m_wheelDelta = 0;  // wheel angle not yet worth a notch
};

// The two status fields: state (or speed) on the left, frame counter on the
// right, white bold on black.
class StatusStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 20;

  explicit StatusStrip(QWidget* parent);
  // The texts for the view. Playing at speed 0 leaves them as they are.
  void Show(const session::PlayerView& view);
  QString StatusText() const;
  QString CounterText() const;
  // The middle of the line: what the frame on screen is (format, size, frame
  // rate: a file's exact one when it states it; interlacing when not
  // progressive, segment of a spliced file), the zoom when not 1×, a coded
  // file's facts (CodedText); first, "解码失败" for a frame the decoder
  // could not decode and "跟不上，速率降低" while frames come later than the
  // speed asks. Empty without a frame.
  // `shown` names the picture while a second file is compared ("A", "B",
  // "A−B"), before the facts of the file it shows.
  void ShowFrameFacts(const std::optional<session::FrameFacts>& facts, const corvane::PictureView& view,
                      const QString& shown = {});
  QString FactsText() const;
  // An exact rate as the line shows it: "29.97" for 30000:1001, "25" for 25:1.
  static QString RateText(corvane::Ratio rate);
  // The interlacing as the line names it; empty for progressive frames.
  static QString InterlacingText(corvane::Interlacing interlacing);
  // A coded file's part of the line: codec, the frame's type, key flag and
  // coded size, the transfer, the decoder's format when frames are
  // converted from it ("h264 I帧(关键帧) 5120字节 PQ"); empty otherwise.
  static QString CodedText(const session::FrameFacts& facts);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;  // a new language: the texts again

 private:
  void Set(const QString& status, const QString& counter);
  void PlaceFacts();
  std::optional<session::PlayerView> m_shown;  // the view the texts were last made for
  controls::ColorLabel* m_status = nullptr;
  controls::ColorLabel* m_counter = nullptr;
  controls::ColorLabel* m_facts = nullptr;
};

}  // namespace ui
