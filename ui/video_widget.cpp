#include "ui/video_widget.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
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
  platform::Desktop desktop;
  for (const QScreen* s : QGuiApplication::screens()) desktop.monitors.push_back(ToRect(s->geometry()));
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    desktop.screenWidth = primary->geometry().width();
    desktop.screenHeight = primary->geometry().height();
  }
  std::scoped_lock lock(m_lock);
  m_rcClient = ToRect(QRect(mapToGlobal(QPoint(0, 0)), size()));
  m_bVisible = isVisible();
  m_bMinimized = top->isMinimized();
  m_desktop = std::move(desktop);
}

void VideoWidget::ShowIdle() {
  {
    std::scoped_lock lock(m_lock);
    m_pieces.clear();
    m_bIdle = true;
  }
  update();
}

bool VideoWidget::IsIdle() const {
  std::scoped_lock lock(m_lock);
  return m_bIdle;
}

void VideoWidget::DropPendingSizeNotices() {
  std::scoped_lock lock(m_noticeLock);
  ++m_nGeneration;
}

QImage VideoWidget::LastPicture() const {
  std::scoped_lock lock(m_lock);
  for (const Piece& p : m_pieces) {
    if (p.dest.left != 0 || p.dest.top != 0 || !p.picture) continue;
    const platform::Picture& pic = *p.picture;
    return QImage(pic.pixels.get(), int(pic.width), int(pic.height), int(pic.stride), QImage::Format_RGB32).copy();
  }
  return {};
}

platform::Rect VideoWidget::ClientRect() const {
  std::scoped_lock lock(m_lock);
  return m_rcClient;
}

bool VideoWidget::IsVisible() const {
  std::scoped_lock lock(m_lock);
  return m_bVisible;
}

bool VideoWidget::IsMinimized() const {
  std::scoped_lock lock(m_lock);
  return m_bMinimized;
}

platform::Desktop VideoWidget::GetDesktop() const {
  std::scoped_lock lock(m_lock);
  return m_desktop;
}

void VideoWidget::Present(std::shared_ptr<const platform::Picture> picture, const platform::Rect& dest) {
  if (!picture) return;
  {
    std::scoped_lock lock(m_lock);
    // A piece covering the whole area replaces all the others; otherwise it
    // replaces the piece of the same place.
    const bool whole = dest.left == 0 && dest.top == 0 && dest.Width() == m_rcClient.Width() &&
                       dest.Height() == m_rcClient.Height();
    if (whole) m_pieces.clear();
    auto same = std::find_if(m_pieces.begin(), m_pieces.end(), [&](const Piece& p) { return p.dest == dest; });
    if (same != m_pieces.end())
      same->picture = std::move(picture);
    else
      m_pieces.push_back({std::move(picture), dest});
    m_bIdle = false;
    if (m_stats) m_stats->presents.push_back(NowNs());
  }
  // Never touch the widget here: ask the GUI thread to repaint, once for any
  // number of pictures that arrive before it gets round to it.
  if (!m_bUpdatePending.exchange(true))
    QMetaObject::invokeMethod(
        this,
        [this] {
          m_bUpdatePending = false;
          update();
        },
        Qt::QueuedConnection);
}

void VideoWidget::OnFrameSizeChanged(uint32_t width, uint32_t height) {
  bool post = false;
  {
    std::scoped_lock lock(m_noticeLock);
    m_nNoticeWidth = width;
    m_nNoticeHeight = height;
    m_nNoticeGeneration = m_nGeneration;
    post = !m_bNoticePending;
    m_bNoticePending = true;
  }
  if (post) QMetaObject::invokeMethod(this, &VideoWidget::DeliverSizeNotice, Qt::QueuedConnection);
}

void VideoWidget::DeliverSizeNotice() {
  uint32_t w = 0, h = 0;
  {
    std::scoped_lock lock(m_noticeLock);
    m_bNoticePending = false;
    if (m_nNoticeGeneration != m_nGeneration) return;  // from a graph since closed
    w = m_nNoticeWidth;
    h = m_nNoticeHeight;
  }
  emit frameSizeChanged(w, h);
}

void VideoWidget::paintEvent(QPaintEvent* event) {
  // Shows what was handed over last and never asks the engine to draw: a
  // draw would present again, which would paint again, without end.
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::black);
  std::vector<Piece> pieces;
  bool idle = false;
  {
    std::scoped_lock lock(m_lock);
    pieces = m_pieces;  // shared references; the pixels stay immutable
    idle = m_bIdle;
  }
  if (idle) {
    QSvgRenderer idlePicture(QString::fromLatin1(controls::kIdlePicturePath));
    if (idlePicture.isValid()) idlePicture.render(&painter, QRectF(rect()));
    return;
  }
  for (const Piece& p : pieces) {
    const platform::Picture& pic = *p.picture;
    const QImage image(pic.pixels.get(), int(pic.width), int(pic.height), int(pic.stride), QImage::Format_RGB32);
    painter.drawImage(QPoint(p.dest.left, p.dest.top), image);
  }
  if (m_stats && !pieces.empty()) m_stats->paints.push_back(NowNs());
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
