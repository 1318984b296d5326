#include "ui/video_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "controls/resources.h"

namespace ui {

namespace {
platform::Rect ToRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

VideoWidget::VideoWidget(QWidget* parent) : QWidget(parent) {
  // The central widget below tracks the mouse (double-click, pixel readout);
  // the picture itself takes no mouse input.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // Every pixel is painted by paintEvent: the picture or black.
  setAttribute(Qt::WA_OpaquePaintEvent);
  const QString statsPath = qEnvironmentVariable("CORVANE_STATS_FILE");
  if (!statsPath.isEmpty()) m_stats = std::make_unique<Stats>(Stats{statsPath, {}, {}});
}

VideoWidget::~VideoWidget() {
  // The player has closed its graph by now: nothing presents any more.
  if (!m_stats) return;
  if (std::FILE* f = std::fopen(m_stats->path.toLocal8Bit().constData(), "w")) {
    for (int64_t t : m_stats->presents) std::fprintf(f, "present %lld\n", static_cast<long long>(t));
    for (int64_t t : m_stats->paints) std::fprintf(f, "paint %lld\n", static_cast<long long>(t));
    std::fclose(f);
  }
}

void VideoWidget::SyncSnapshot() {
  Q_ASSERT(QThread::currentThread() == thread());
  const QWidget* top = window();
  std::scoped_lock lock(m_lock);
  m_clientRect = ToRect(QRect(mapToGlobal(QPoint(0, 0)), size()));
  m_visible = isVisible();
  m_minimized = top->isMinimized();
}

void VideoWidget::ShowIdle() {
  {
    std::scoped_lock lock(m_lock);
    for (auto& picture : m_pictures) picture.reset();
    m_idle = true;
  }
  update();
}

bool VideoWidget::IsIdle() const {
  std::scoped_lock lock(m_lock);
  return m_idle;
}

void VideoWidget::DropPendingSizeNotices() {
  std::scoped_lock lock(m_noticeLock);
  ++m_generation;
}

QImage VideoWidget::LastPicture() const {
  std::scoped_lock lock(m_lock);
  if (!m_pictures[0]) return {};
  const platform::Picture& pic = *m_pictures[0];
  return QImage(pic.pixels.get(), int(pic.width), int(pic.height), int(pic.stride), QImage::Format_RGB32).copy();
}

void VideoWidget::SetLayout(Layout layout, int shownPane) {
  {
    std::scoped_lock lock(m_lock);
    if (m_layout == layout && m_shownPane == shownPane) return;
    m_layout = layout;
    m_shownPane = shownPane == 1 ? 1 : 0;
    for (auto& picture : m_pictures) picture.reset();
  }
  update();
}

VideoWidget::Layout VideoWidget::CurrentLayout() const {
  std::scoped_lock lock(m_lock);
  return m_layout;
}

void VideoWidget::SetWipeX(int x) {
  {
    std::scoped_lock lock(m_lock);
    const int w = std::max(m_clientRect.Width(), 1);
    m_wipe = std::clamp(double(x) / w, 0.0, 1.0);
  }
  update();
}

int VideoWidget::WipeX() const {
  std::scoped_lock lock(m_lock);
  return int(m_wipe * m_clientRect.Width() + 0.5);
}

platform::Rect VideoWidget::PaneClientRect(int pane) const {
  if (m_layout != Layout::kSide) return m_clientRect;
  const int half = m_clientRect.Width() / 2;
  platform::Rect r = m_clientRect;
  if (pane == 0)
    r.right = r.left + half;
  else
    r.left += half;
  return r;
}

QRect VideoWidget::PaneRectLocked(int pane) const {
  const platform::Rect r = PaneClientRect(pane);
  return QRect(r.left - m_clientRect.left, r.top - m_clientRect.top, r.Width(), r.Height());
}

QRect VideoWidget::PaneRect(int pane) const {
  std::scoped_lock lock(m_lock);
  return PaneRectLocked(pane);
}

platform::Rect VideoWidget::ClientRect() const {
  std::scoped_lock lock(m_lock);
  return PaneClientRect(0);
}

bool VideoWidget::SecondPaneWindow::IsVisible() const {
  std::scoped_lock lock(m_owner->m_lock);
  return m_owner->m_visible && !(m_owner->m_layout == Layout::kSingle && m_owner->m_shownPane == 0);
}

platform::Rect VideoWidget::SecondPaneWindow::ClientRect() const {
  std::scoped_lock lock(m_owner->m_lock);
  return m_owner->PaneClientRect(1);
}

bool VideoWidget::IsVisible() const {
  std::scoped_lock lock(m_lock);
  return m_visible;
}

bool VideoWidget::IsMinimized() const {
  std::scoped_lock lock(m_lock);
  return m_minimized;
}

void VideoWidget::Present(std::shared_ptr<const platform::Picture> picture) {
  PresentPane(0, std::move(picture));
}

void VideoWidget::PresentPane(int pane, std::shared_ptr<const platform::Picture> picture) {
  if (!picture) return;
  {
    std::scoped_lock lock(m_lock);
    m_pictures[pane] = std::move(picture);
    m_idle = false;
    if (m_stats && pane == 0) m_stats->presents.push_back(NowNs());
  }
  // Never touch the widget here: ask the GUI thread to repaint, once for any
  // number of pictures that arrive before it gets round to it.
  if (!m_updatePending.exchange(true))
    QMetaObject::invokeMethod(
        this,
        [this] {
          m_updatePending = false;
          update();
          emit picturesArrived();
        },
        Qt::QueuedConnection);
}

void VideoWidget::OnFrameSizeChanged(uint32_t width, uint32_t height) {
  bool post = false;
  {
    std::scoped_lock lock(m_noticeLock);
    m_noticeWidth = width;
    m_noticeHeight = height;
    m_noticeGeneration = m_generation;
    post = !m_noticePending;
    m_noticePending = true;
  }
  if (post) QMetaObject::invokeMethod(this, &VideoWidget::DeliverSizeNotice, Qt::QueuedConnection);
}

void VideoWidget::DeliverSizeNotice() {
  uint32_t w = 0, h = 0;
  {
    std::scoped_lock lock(m_noticeLock);
    m_noticePending = false;
    if (m_noticeGeneration != m_generation) return;  // from a graph since closed
    w = m_noticeWidth;
    h = m_noticeHeight;
  }
  emit frameSizeChanged(w, h);
}

void VideoWidget::paintEvent(QPaintEvent* event) {
  // Shows what was handed over last and never asks the engine to draw: a
  // draw would present again, which would paint again, without end.
  QPainter painter(this);
  std::shared_ptr<const platform::Picture> pictures[2];
  bool idle = false;
  Layout layout = Layout::kSingle;
  int shown = 0, wipe = 0;
  QRect panes[2];
  {
    std::scoped_lock lock(m_lock);
    pictures[0] = m_pictures[0];  // shared references; the pixels stay immutable
    pictures[1] = m_pictures[1];
    idle = m_idle;
    layout = m_layout;
    shown = m_shownPane;
    wipe = int(m_wipe * m_clientRect.Width() + 0.5);
    panes[0] = PaneRectLocked(0);
    panes[1] = PaneRectLocked(1);
  }
  if (idle) {
    painter.fillRect(event->rect(), Qt::black);
    QSvgRenderer idlePicture(QString::fromLatin1(controls::kIdlePicturePath));
    if (idlePicture.isValid()) idlePicture.render(&painter, QRectF(rect()));
    return;
  }
  // Each pane shows its picture inside a clip; a pane without one is black.
  struct PaneDraw {
    int pane;
    QRect clip;
  };
  PaneDraw draws[2] = {{shown, rect()}, {-1, {}}};
  if (layout == Layout::kSide) {
    draws[0] = {0, panes[0]};
    draws[1] = {1, panes[1]};
  } else if (layout == Layout::kWipe) {
    draws[0] = {0, QRect(0, 0, wipe, height())};
    draws[1] = {1, QRect(wipe, 0, width() - wipe, height())};
  }
  // Black goes only where no picture will cover it: the pictures are
  // opaque, and filling the whole area first doubled what every paint
  // wrote (a 1280x720 picture is 3.7 MB).
  QRegion uncovered(event->rect());
  for (const PaneDraw& d : draws)
    if (d.pane >= 0 && pictures[d.pane])
      uncovered -= d.clip & QRect(panes[d.pane].topLeft(),
                                  QSize(int(pictures[d.pane]->width), int(pictures[d.pane]->height)));
  for (const QRect& r : uncovered) painter.fillRect(r, Qt::black);
  for (const PaneDraw& d : draws) {
    if (d.pane < 0 || !pictures[d.pane]) continue;
    const platform::Picture& pic = *pictures[d.pane];
    const QImage image(pic.pixels.get(), int(pic.width), int(pic.height), int(pic.stride), QImage::Format_RGB32);
    painter.save();
    painter.setClipRect(d.clip);
    painter.drawImage(panes[d.pane].topLeft(), image);
    painter.restore();
  }
  if (layout == Layout::kWipe) {
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(wipe, 0, wipe, height() - 1);
  }
  if (m_outlines) {
    // Yellow over black dashes: seen on light and dark pictures alike.
    for (const QRect& r : m_outlines()) {
      const QRect edge = r.adjusted(0, 0, -1, -1);
      painter.setPen(QPen(Qt::black, 1));
      painter.drawRect(edge);
      painter.setPen(QPen(QColor(255, 220, 0), 1, Qt::DashLine));
      painter.drawRect(edge);
    }
  }
  if (m_stats && pictures[0]) m_stats->paints.push_back(NowNs());
}

void VideoWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SyncSnapshot();
}

void VideoWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  SyncSnapshot();
}

void VideoWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  SyncSnapshot();
}

void VideoWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  SyncSnapshot();
}

PictureArea::PictureArea(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  m_video = new VideoWidget(this);
}

void PictureArea::SetInset(int inset) {
  m_inset = std::max(inset, 0);
  m_video->setGeometry(std::min(m_inset, width()) / 2, 0, width() - std::min(m_inset, width()), height());
}

void PictureArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SetInset(m_inset);
}

}  // namespace ui
