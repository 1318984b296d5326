// What the window knows that the command rules ask about: whether it is in
// full screen and whether the coordinate window shows. The window holds
// them and gives them with each question; the session keeps neither.
#pragma once

namespace session {

struct WindowFacts {
  bool fullScreen = false;
  bool coordinatesShown = false;
};

}  // namespace session
