// What each of the twelve play buttons shows in each play state: its image
// (and the image shown while the pointer is away, for the capture button),
// whether it is drawn pressed, whether it is enabled, and its tooltip. Plain
// data: the window draws it, tests read it without widgets.
#pragma once

#include <cstdint>

#include "session/commands.h"
#include "session/player_session.h"

namespace session {

// The button images (res/icons/<id>.svg). A grey image is the disabled look;
// a blue one the pressed or highlighted look.
namespace image {
inline constexpr int kPlay = 145;
inline constexpr int kPlayPressed = 140;
inline constexpr int kPlayOff = 141;
inline constexpr int kPause = 144;
inline constexpr int kPausePressed = 216;
inline constexpr int kPauseOff = 143;
inline constexpr int kStop = 148;
inline constexpr int kStopPressed = 146;
inline constexpr int kStopOff = 147;
inline constexpr int kSlower = 149;
inline constexpr int kSlowerOff = 151;
inline constexpr int kFaster = 150;
inline constexpr int kFasterOff = 152;
inline constexpr int kStepForward = 160;
inline constexpr int kStepForwardOff = 159;
inline constexpr int kStepBack = 162;
inline constexpr int kStepBackOff = 161;
inline constexpr int kEnd = 164;
inline constexpr int kEndOff = 163;
inline constexpr int kStart = 166;
inline constexpr int kStartOff = 165;
inline constexpr int kCaptureHot = 167;  // under the pointer
inline constexpr int kCaptureOff = 168;
inline constexpr int kCapture = 169;     // pointer away
inline constexpr int kBackwards = 177;   // shown while playing backwards
inline constexpr int kForwards = 178;
inline constexpr int kRepeat = 195;
}  // namespace image

// Tooltips, worded by the window.
enum class Tip { kKeep, kPlay, kPause, kStop, kSlower, kFaster, kStepBack, kStepForward, kStart, kEnd, kCapture,
                 kForwards, kBackwards, kRepeat, kNoRepeat };

struct ButtonLook {
  int image = 0;
  int outImage = 0;       // 0: the same image with the pointer away
  bool pressed = false;   // for the check-box buttons (play, pause, stop)
  bool enabled = false;
  Tip tip = Tip::kKeep;   // kKeep: the tooltip set before stays (hidden while disabled)
};

// The buttons in the order of the row, left to right.
inline constexpr Command kButtonRow[12] = {
    Command::Play,      Command::Pause,        Command::Stop,        Command::Reverse,
    Command::GoToStart, Command::Slower,       Command::Faster,      Command::GoToEnd,
    Command::StepBackward, Command::StepForward, Command::Capture, Command::Repeat};

// The look of `button` (one of kButtonRow) for the player as `view` shows it.
ButtonLook LookOf(Command button, const PlayerView& view);

}  // namespace session
