#include "session/commands.h"

namespace session {

using namespace when;

uint32_t MenuRule(Command c) {
  switch (c) {
    case Command::Close:
    case Command::PlayPause:
    case Command::Stop:
    case Command::Faster:
    case Command::Slower:
    case Command::Reverse:
    case Command::FullScreen:
    case Command::Parameters:
      return kFile;
    case Command::ComponentYUV:
    case Command::ComponentY:
    case Command::ComponentU:
    case Command::ComponentV:
    case Command::Coordinates:
    case Command::ZoomIn:
    case Command::ZoomOut:
    case Command::GoToFrame:
    case Command::CopyFrame:
    case Command::SavePng:
      return kFrames;
    case Command::OpenReference:
      return kFile;
    case Command::CloseReference:
    case Command::ViewA:
    case Command::ViewB:
    case Command::ViewSide:
    case Command::ViewWipe:
    case Command::ViewFlip:
      return kFile | kReference;
    case Command::ViewDiff:
    case Command::DiffGain1:
    case Command::DiffGain4:
    case Command::DiffGain16:
    case Command::GraphSsim:
    case Command::ExportCsv:
    case Command::ExportStats:
      return kFile | kReference | kMetrics;
    default:
      return kAnyState;
  }
}

uint32_t ButtonRule(Command c) {
  switch (c) {
    case Command::Play:  // shown pressed while playing
    case Command::Stop:  // shown pressed while stopped
      return kFile;
    case Command::Repeat:
      return kAnyState;
    default:  // pause, speed, steps, first and last frame, capture, direction
      return kFrames;
  }
}

uint32_t KeyRule(Command c) {
  switch (c) {
    case Command::FullScreen:
      return kFrames | kNoCoordinates;
    case Command::LeaveFullScreen:
      return kAnyState | kFullScreen;
    case Command::Open:
    case Command::Cut:
    case Command::Splice:
    case Command::GoToFrame:
      return (c == Command::GoToFrame ? kFrames : kAnyState) | kNotFullScreen;
    case Command::ZoomIn:
    case Command::ZoomOut:
    case Command::CopyFrame:
      return kFrames;
    case Command::Close:
      return kFile | kNotFullScreen;
    // Seeks need a running reader: not while stopped.
    case Command::GoToStart:
    case Command::GoToEnd:
    case Command::StepForward:
    case Command::StepBackward:
    case Command::Stop:
      return kFrames;
    case Command::Pause:
      return kPlaying;
    case Command::Play:
      return kPaused | kStopped;
    case Command::Zoom50:
    case Command::Zoom100:
    case Command::Zoom200:
      return kPlaying | kPaused | kNoFile;
    case Command::ViewA:
    case Command::ViewB:
    case Command::ViewSide:
    case Command::ViewWipe:
    case Command::ViewFlip:
    case Command::ViewDiff:
      return MenuRule(c);
    default:
      return kAnyState;
  }
}

}  // namespace session
