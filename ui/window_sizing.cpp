#include "ui/window_sizing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace ui {

namespace {

int MenuBarHeight(const QMainWindow& window, int width) {
  const QMenuBar* bar = window.menuBar();
  if (!bar->isVisibleTo(&window)) return 0;
  return bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
}

}  // namespace

QRect AvailableArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1, 1);
}

void AwaitFrame(QWidget& window, int timeoutMs) {
  // The window manager frames a window when it maps it; until then Qt knows
  // no frame, and a window sized then would lose its title bar off the top
  // of the screen once the frame is put round it. Exposed means mapped.
  QElapsedTimer clock;
  clock.start();
  while (window.isVisible() && !(window.windowHandle() && window.windowHandle()->isExposed()) &&
         clock.elapsed() < timeoutMs)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

QMargins FrameMargins(const QWidget& window) {
  const QRect inner = window.geometry(), outer = window.frameGeometry();
  return QMargins(std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
                  std::max(0, outer.right() - inner.right()), std::max(0, outer.bottom() - inner.bottom()));
}

void SizeWindowForPicture(QMainWindow& window, uint32_t width, uint32_t height, const PictureSizing& sizing,
                          const std::function<void(int inset)>& layout, Placement placement) {
  // The client area is sized directly: menu bar, picture, strip. Adding a
  // frame measured on one side to the other sides would lose the difference
  // under window managers whose bottom edge is thicker than the sides
  // (openbox's handle), and every frame would be scaled by those rows.
  // In 64 bits and clamped to the screen before anything is narrowed to an
  // int: a 2 x 200 % request of a very large frame must not wrap into a
  // small or negative window.
  // The whole frame, title bar included, stays on the screen's available
  // area (the screen less the desktop's panels), centred in it or, kept in
  // place, moved only as far as it must to stay whole on it.
  const QRect screen = AvailableArea();
  const QPoint was = window.frameGeometry().topLeft();
  const QMargins frame = FrameMargins(window);
  const int64_t screenW = std::max(screen.width(), 1), screenH = std::max(screen.height(), 1);
  const int64_t frameW = frame.left() + frame.right(), frameH = frame.top() + frame.bottom();
  // A picture narrower than the control row is centred in a wider window, at
  // its own size, with black beside it: the buttons stay reachable.
  const int64_t wantW = std::max<int64_t>(int64_t(width) + sizing.beside, sizing.minClientWidth);
  const int clientW = int(std::clamp<int64_t>(wantW, 1, std::max<int64_t>(screenW - frameW, 1)));
  const int inset = int(std::clamp<int64_t>(int64_t(clientW) - sizing.beside - int64_t(width), 0, clientW));
  auto place = [&](int menuBar) {
    const int64_t wantH = int64_t(menuBar) + int64_t(height) + sizing.strip;
    const int clientH = int(std::clamp<int64_t>(wantH, 1, std::max<int64_t>(screenH - frameH, 1)));
    // Sizing by program is not bound by the limit for the user's dragging:
    // a 50 % picture of a small frame gets its exact size.
    window.setMinimumSize(std::min(sizing.minClientWidth, clientW),
                          std::min(int(sizing.minWindowHeight - frameH), clientH));
    window.resize(clientW, clientH);
    const int64_t spareW = screenW - (clientW + frameW), spareH = screenH - (clientH + frameH);
    if (placement == Placement::kCentre)
      window.move(screen.left() + int(spareW / 2), screen.top() + int(spareH / 2));
    else
      window.move(screen.left() + int(std::clamp<int64_t>(was.x() - screen.left(), 0, std::max<int64_t>(spareW, 0))),
                  screen.top() + int(std::clamp<int64_t>(was.y() - screen.top(), 0, std::max<int64_t>(spareH, 0))));
    layout(inset);
  };
  const int menuBar = MenuBarHeight(window, clientW);
  place(menuBar);
  // A width change may fold the menu bar onto more lines or back; then the
  // picture would lose or gain that height, so size once more.
  const int menuBarNow = MenuBarHeight(window, clientW);
  if (menuBarNow != menuBar) place(menuBarNow);
}

}  // namespace ui
