// The main window's size for a picture: the client area holds the menu bar,
// the picture and the strip below it, centred on the primary screen's
// available area and clamped to it, frame and title bar included.
//
// Threads: GUI thread only.
#pragma once

#include <QMargins>
#include <QRect>
#include <cstdint>
#include <functional>

class QMainWindow;
class QWidget;

namespace ui {

struct PictureSizing {
  int strip;           // pixels below the picture
  int minClientWidth;  // the client area is never narrower (the button row)
  int minWindowHeight; // the lowest outer height the user may drag to
  int beside = 0;      // pixels beside the picture (the scopes' column)
};

// The primary screen's area for windows: the screen less the desktop's panels.
QRect AvailableArea();
// Runs events until the shown `window` is mapped, and so framed by the
// window manager, at most `timeoutMs`: sizes taken afterwards know the frame.
void AwaitFrame(QWidget& window, int timeoutMs);

// The window manager's frame round `window` (zero until it is framed).
QMargins FrameMargins(const QWidget& window);

enum class Placement { kCentre, kKeep };

// Sizes `window` so that its picture area is width x height, and centres it
// (or keeps its place); `layout` runs after each resize with the client
// width beside the picture (a picture narrower than the minimum width is
// centred in it).
void SizeWindowForPicture(QMainWindow& window, uint32_t width, uint32_t height, const PictureSizing& sizing,
                          const std::function<void(int inset)>& layout, Placement placement = Placement::kCentre);

}  // namespace ui
