// The main window's size for a picture: the client area holds the menu bar,
// the picture and the strip below it, centred on the primary screen and
// clamped to it.
//
// Threads: GUI thread only.
#pragma once

#include <QMargins>
#include <cstdint>
#include <functional>

class QMainWindow;

namespace ui {

struct PictureSizing {
  int strip;           // pixels below the picture
  int minClientWidth;  // the client area is never narrower (the button row)
  int minWindowHeight; // the lowest outer height the user may drag to
};

// The window manager's frame round `window` (zero until it is framed).
QMargins FrameMargins(const QMainWindow& window);

// Sizes and centres `window` so that its picture area is width x height;
// `layout` runs after each resize with the client width beside the picture
// (a picture narrower than the minimum width is centred in it).
void SizeWindowForPicture(QMainWindow& window, uint32_t width, uint32_t height, const PictureSizing& sizing,
                          const std::function<void(int inset)>& layout);

}  // namespace ui
