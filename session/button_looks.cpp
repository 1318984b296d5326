#include "session/button_looks.h"

namespace session {

namespace {

// Columns in PlayState order: Stopped, Playing, Paused, NoFile.
constexpr ButtonLook kPlayLooks[4] = {{image::kPlay, 0, false, true, Tip::kPlay},
                                      {image::kPlayPressed, 0, true, true, Tip::kKeep},
                                      {image::kPlay, 0, false, true, Tip::kPlay},
                                      {image::kPlayOff, 0, false, false, Tip::kKeep}};
constexpr ButtonLook kPauseLooks[4] = {{image::kPauseOff, 0, false, false, Tip::kKeep},
                                       {image::kPause, 0, false, true, Tip::kPause},
                                       {image::kPausePressed, 0, true, true, Tip::kKeep},
                                       {image::kPauseOff, 0, false, false, Tip::kKeep}};
constexpr ButtonLook kStopLooks[4] = {{image::kStopPressed, 0, true, true, Tip::kKeep},
                                      {image::kStop, 0, false, true, Tip::kStop},
                                      {image::kStop, 0, false, true, Tip::kStop},
                                      {image::kStopOff, 0, false, false, Tip::kKeep}};

// Buttons that only work on a picture: their look while playing or paused,
// and otherwise.
struct Pair {
  Command button;
  ButtonLook on, off;
};
constexpr Pair kFrameButtons[] = {
    {Command::Slower, {image::kSlower, 0, false, true, Tip::kSlower}, {image::kSlowerOff, 0, false, false, Tip::kKeep}},
    {Command::Faster, {image::kFaster, 0, false, true, Tip::kFaster}, {image::kFasterOff, 0, false, false, Tip::kKeep}},
    {Command::StepBackward,
     {image::kStepBack, 0, false, true, Tip::kStepBack},
     {image::kStepBackOff, 0, false, false, Tip::kKeep}},
    {Command::StepForward,
     {image::kStepForward, 0, false, true, Tip::kStepForward},
     {image::kStepForwardOff, 0, false, false, Tip::kKeep}},
    {Command::GoToStart, {image::kStart, 0, false, true, Tip::kStart}, {image::kStartOff, 0, false, false, Tip::kKeep}},
    {Command::GoToEnd, {image::kEnd, 0, false, true, Tip::kEnd}, {image::kEndOff, 0, false, false, Tip::kKeep}},
    {Command::Capture,
     {image::kCaptureHot, image::kCapture, false, true, Tip::kCapture},
     {image::kCaptureOff, 0, false, false, Tip::kKeep}},
};

}  // namespace

ButtonLook LookOf(Command button, const PlayerView& view) {
  const int s = int(view.state);
  const bool frames = view.state == PlayState::Playing || view.state == PlayState::Paused;
  switch (button) {
    case Command::Play:
      return kPlayLooks[s];
    case Command::Pause:
      return kPauseLooks[s];
    case Command::Stop:
      return kStopLooks[s];
    case Command::Reverse: {
      const bool backwards = view.state != PlayState::NoFile && view.reverse;
      return {backwards ? image::kBackwards : image::kForwards, 0, false, frames,
              frames ? (view.reverse ? Tip::kForwards : Tip::kBackwards) : Tip::kKeep};
    }
    case Command::Repeat:
      return {image::kRepeat, 0, view.repeat, true, view.repeat ? Tip::kNoRepeat : Tip::kRepeat};
    default:
      for (const Pair& p : kFrameButtons)
        if (p.button == button) return frames ? p.on : p.off;
      return {};
  }
}

}  // namespace session
