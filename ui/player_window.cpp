#include "ui/player_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>

#include "controls/icon_button.h"
#include "controls/resources.h"
#include "controls/seek_slider.h"
#include "ui/command_table.h"
#include "ui/coordinate_tool.h"
#include "ui/prompts.h"
#include "ui/resource_ids.h"
#include "ui/still_capture.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"

namespace ui {

PlayerWindow::PlayerWindow(const QString& filePath, QWidget* parent) : QMainWindow(parent), m_filePath(filePath) {
  setWindowTitle(tr("Corvane"));
  setWindowIcon(QIcon(controls::IconPath(ids::kImageAppIcon)));
  BuildClient();
  m_session = std::make_unique<session::PlayerSession>(m_video, m_video);
  m_coords = std::make_unique<CoordinateTool>(this, m_session.get());
  m_stills = std::make_unique<StillCapture>(this);
  BuildMenu();
  m_session->SetNoticeHandler([this](corvane::Notice notice) {
    // The engine's one notice may come from any thread; it is worded here.
    QMetaObject::invokeMethod(
        this,
        [this, notice] {
          if (notice == corvane::Notice::kSplicedParaRefused)
            Prompts::Current().ShowMessage(this, tr("该文件为拼接文件，参数不可设置."), MessageKind::kWarning);
        },
        Qt::QueuedConnection);
  });
  // A seek of the slider has run on the session's seeker: the counter and the
  // thumb follow (the thumb stays while the user holds it).
  m_session->SetSeekHandler([this](uint32_t, int32_t) {
    QMetaObject::invokeMethod(this, &PlayerWindow::UpdateStatus, Qt::QueuedConnection);
  });
  // Every widget of the window goes through the key filter, so no control
  // ever reacts to a key of its own (the slider to arrows, buttons to Space)
  // and no key moves the focus. Menus keep their own keys.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>())
    if (!qobject_cast<QMenu*>(w) && !qobject_cast<QMenuBar*>(w)) w->installEventFilter(this);
  m_statusTimer.setInterval(kStatusIntervalMs);
  connect(&m_statusTimer, &QTimer::timeout, this, &PlayerWindow::UpdateStatus);
  connect(m_video, &VideoWidget::frameSizeChanged, this, &PlayerWindow::OnFrameSizeNotice);
  setAcceptDrops(true);
}

// The session ends the graph's threads before the widgets they present into go.
PlayerWindow::~PlayerWindow() { m_session.reset(); }

void PlayerWindow::BuildMenu() {
  QHash<QString, QMenu*> menus;
  QActionGroup* groups[3] = {nullptr, new QActionGroup(this), new QActionGroup(this)};
  for (const MenuEntry& e : MenuEntries()) {
    const QString top = QString::fromUtf8(e.menu);
    QMenu*& menu = menus[top];
    if (!menu) menu = menuBar()->addMenu(QCoreApplication::translate("ui::PlayerWindow", e.menu));
    QMenu* in = menu;
    if (e.submenu) {
      QMenu*& sub = menus[top + u'/' + QString::fromUtf8(e.submenu)];
      if (!sub) sub = menu->addMenu(QCoreApplication::translate("ui::PlayerWindow", e.submenu));
      in = sub;
    }
    QAction* a = in->addAction(QCoreApplication::translate("ui::PlayerWindow", e.text));
    a->setObjectName(QStringLiteral("act%1").arg(e.id));
    a->setCheckable(e.checkable);
    // One of each group is always checked: radio marks, not check boxes.
    if (QActionGroup* g = groups[int(e.group)]) g->addAction(a);
    m_actions.insert(e.id, a);
    // Qt flips a checkable item before it reports the click; the controls
    // are set afresh from the session after every command.
    connect(a, &QAction::triggered, this, [this, c = e.command] {
      Run(c);
      UpdateControls();
    });
  }
}

void PlayerWindow::BuildClient() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  // Pointer moves over the picture feed the coordinate window's readout.
  client->setMouseTracking(true);
  setCentralWidget(client);
  // Black behind the picture: what shows beside a picture narrower than the
  // window (the button row's width).
  m_backdrop = new QWidget(client);
  m_backdrop->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_backdrop->setAutoFillBackground(true);
  QPalette black = m_backdrop->palette();
  black.setColor(QPalette::Window, Qt::black);
  m_backdrop->setPalette(black);
  m_video = new VideoWidget(client);
  m_video->setObjectName(QStringLiteral("picture%1").arg(ids::kPicture));
  m_transport = new TransportBar(client);
  m_status = new StatusStrip(client);
  connect(m_transport, &TransportBar::commandClicked, this, [this](Command c) {
    Run(c);
    UpdateControls();
  });
  connect(m_transport, &TransportBar::seekRequested, this, [this](int pos) { m_session->SeekToSlider(pos); });
}

controls::IconButton* PlayerWindow::Button(int id) const { return m_transport->Button(id); }
controls::SeekSlider* PlayerWindow::Slider() const { return m_transport->Slider(); }

QSize PlayerWindow::PictureBaseSize() const {
  const session::PlayerView v = m_session->View();
  return QSize(int(v.pictureWidth), int(v.pictureHeight));
}

void PlayerWindow::Initialize() {
  m_session->Close();
  m_video->ShowIdle();
  show();
  ResizeForPicture(kIdleWidth, kIdleHeight);
  SettingsStore::InitAtStartup(m_settings);
  m_session->SetAspectMode(m_settings.displayType);
  if (!m_filePath.isEmpty()) OpenCurrentFile();
  UpdateControls();
  m_status->Show(m_session->View());
}

// ---- Commands ----------------------------------------------------------------

void PlayerWindow::OnMenuCommand(int id) {
  if (const MenuEntry* e = MenuEntryForId(id)) Run(e->command);
  UpdateControls();
}

void PlayerWindow::OnButton(int id) {
  if (const ButtonEntry* e = ButtonEntryForId(id)) Run(e->command);
  UpdateControls();
}

void PlayerWindow::Run(Command c) {
  if (c == Command::Close) {
    CloseFile();
    return;
  }
  if (!session::PlayerSession::Runs(c)) {
    RunWindowCommand(c);
    return;
  }
  // "." leaves full screen before it stops.
  if (c == Command::Stop && IsFullScreenOn()) ToggleFullScreen();
  if (!m_session->Execute(c)) return;
  const session::PlayerView v = m_session->View();
  if (c == Command::Stop) m_status->Show(v);
  if (c >= Command::Zoom50 && c <= Command::Zoom200) ApplyZoom();
  if (c >= Command::ComponentYUV && c <= Command::ComponentV) m_coords->SelectComponent(v.component);
  m_coords->Sync();
}

void PlayerWindow::UpdateControls() {
  const session::PlayerView v = m_session->View();
  m_transport->Show(v);
  for (const MenuEntry& e : MenuEntries()) {
    QAction* a = m_actions.value(e.id);
    a->setEnabled(m_session->CanRun(e.command));
    if (e.group == MenuGroup::kZoom) a->setChecked(int(e.command) - int(Command::Zoom50) == int(v.zoom));
    if (e.group == MenuGroup::kComponent)
      a->setChecked(int(e.command) - int(Command::ComponentYUV) == (v.state == PlayState::NoFile ? 0 : v.component));
  }
  m_actions.value(ids::kPlayReverse)->setChecked(v.reverse && v.state != PlayState::NoFile);
  m_coords->EnableList(v);
  if (v.statusTicking && !m_statusTimer.isActive()) m_statusTimer.start();
  if (!v.statusTicking) m_statusTimer.stop();
  if (v.state == PlayState::NoFile) {
    m_video->ShowIdle();
    ResizeForPicture(kIdleWidth, kIdleHeight);
  }
}

void PlayerWindow::UpdateStatus() {
  const session::PlayerView v = m_session->View();
  if (!m_session->Graph() || v.total == 0) return;
  m_status->Show(v);
  m_transport->ShowPosition(v);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      // Alt combinations and F10 belong to the menu bar.
      if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return false;
      // Claiming the override makes the key arrive as a key press, so no
      // shortcut anywhere acts on it; every key-down is consumed, so Enter
      // and Escape never close the window.
      event->accept();
      if (event->type() != QEvent::KeyPress) return true;
      const std::optional<Command> c = CommandForKey(key->key(), key->modifiers());
      if (c && m_session->CanRunKey(*c)) {
        Run(*c);
        UpdateControls();
      }
      return true;
    }
    case QEvent::MouseButtonDblClick:
      if (watched == centralWidget()) {
        centralWidget()->setFocus();
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_session->CanRunKey(Command::FullScreen) &&
            m_video->geometry().contains(mouse->position().toPoint()))
          ToggleFullScreen();
      }
      return false;
    case QEvent::Resize:
      if (watched == centralWidget() && !isMinimized()) LayoutControls();
      return false;
    case QEvent::MouseMove:
      if (watched == centralWidget())
        m_coords->ShowPixelAt(static_cast<QMouseEvent*>(event)->position().toPoint() - m_video->pos(), m_video->size());
      return false;
    default:
      return false;
  }
}

// ---- Geometry ----------------------------------------------------------------

QMargins PlayerWindow::FrameMargins() const {
  // Zero until the window manager has put its frame round the window.
  const QRect inner = geometry(), outer = frameGeometry();
  return QMargins(std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
                  std::max(0, outer.right() - inner.right()), std::max(0, outer.bottom() - inner.bottom()));
}

int PlayerWindow::MenuBarHeight(int width) const {
  const QMenuBar* bar = menuBar();
  if (!bar->isVisibleTo(this)) return 0;
  return bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
}

void PlayerWindow::ResizeForPicture(uint32_t width, uint32_t height) {
  // The client area is sized directly: menu bar, picture, strip. Adding a
  // frame measured on one side to the other sides would lose the difference
  // under window managers whose bottom edge is thicker than the sides
  // (openbox's handle), and every frame would be scaled by those rows.
  // In 64 bits and clamped to the screen before anything is narrowed to an
  // int: a 2 x 200 % request of a very large frame must not wrap into a
  // small or negative window.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->geometry().size() : QSize(1, 1);
  const QMargins frame = FrameMargins();
  const int64_t screenW = std::max(screenSize.width(), 1), screenH = std::max(screenSize.height(), 1);
  const int64_t frameW = frame.left() + frame.right(), frameH = frame.top() + frame.bottom();
  // A picture narrower than the control row is centred in a wider window, at
  // its own size, with black beside it: the buttons stay reachable.
  const int64_t wantW = std::max<int64_t>(width, kControlRowWidth);
  const int clientW = int(std::clamp<int64_t>(wantW, 1, std::max<int64_t>(screenW - frameW, 1)));
  m_pictureInset = int(std::clamp<int64_t>(int64_t(clientW) - int64_t(width), 0, clientW));
  auto place = [&](int menuBar) {
    const int64_t wantH = int64_t(menuBar) + int64_t(height) + kStripHeight;
    const int clientH = int(std::clamp<int64_t>(wantH, 1, std::max<int64_t>(screenH - frameH, 1)));
    // Sizing by program is not bound by the limit for the user's dragging:
    // a 50 % picture of a small frame gets its exact size.
    setMinimumSize(std::min(kControlRowWidth, clientW), std::min(int(kMinWindowHeight - frameH), clientH));
    resize(clientW, clientH);
    move(int((screenW - (clientW + frameW)) / 2), int((screenH - (clientH + frameH)) / 2));
    LayoutControls();
  };
  const int menuBar = MenuBarHeight(clientW);
  place(menuBar);
  // A width change may fold the menu bar onto more lines or back; then the
  // picture would lose or gain that height, so size once more.
  const int menuBarNow = MenuBarHeight(clientW);
  if (menuBarNow != menuBar) place(menuBarNow);
}

void PlayerWindow::LayoutControls() {
  const QWidget* client = centralWidget();
  const int W = client->width(), H = client->height();
  if (IsFullScreenOn()) {
    m_video->setGeometry(0, 0, W, H);
    m_backdrop->setGeometry(0, 0, W, H);
  } else {
    const int pictureH = std::max(0, H - kStripHeight);
    // A picture narrower than the control row keeps its size, centred.
    const int inset = std::min(m_pictureInset, W);
    m_backdrop->setGeometry(0, 0, W, pictureH);
    m_video->setGeometry(inset / 2, 0, W - inset, pictureH);
    m_transport->setGeometry(0, H - 76, W, TransportBar::kHeight);
    m_status->setGeometry(0, H - StatusStrip::kHeight, W, StatusStrip::kHeight);
  }
  m_video->SyncSnapshot();
  // A paint never draws through the engine, so a picture area of a new size
  // gets a fresh picture here while nothing else would present one.
  const PlayState state = m_session ? m_session->View().state : PlayState::NoFile;
  if (state != PlayState::Playing && state != PlayState::NoFile) m_session->Graph()->Refresh();
  if (m_coords) m_coords->Place();
}

void PlayerWindow::ApplyZoom() {
  if (IsFullScreenOn()) ToggleFullScreen();
  const session::PlayerView v = m_session->View();
  // 200 % of a large frame exceeds 32 bits only in the sum; ResizeForPicture
  // clamps to the screen, so the doubled size is saturated, not wrapped.
  auto scaled = [&v](uint32_t side) {
    if (v.zoom == session::Zoom::k50) return side / 2;
    if (v.zoom == session::Zoom::k200) return uint32_t(std::min<uint64_t>(2 * uint64_t(side), UINT32_MAX));
    return side;
  };
  ResizeForPicture(scaled(v.pictureWidth), scaled(v.pictureHeight));
}

void PlayerWindow::ToggleFullScreen() {
  const session::PlayerView v = m_session->View();
  if (v.state != PlayState::Playing && v.state != PlayState::Paused) return;
  const bool on = !v.fullScreen;
  m_session->SetFullScreen(on);
  for (QWidget* w : {static_cast<QWidget*>(m_transport), static_cast<QWidget*>(m_status)}) w->setVisible(!on);
  menuBar()->setVisible(!on);
  if (on) {
    m_placement = saveGeometry();
    showFullScreen();
  } else {
    showNormal();
    restoreGeometry(m_placement);
  }
  LayoutControls();
}

void PlayerWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  m_video->SyncSnapshot();
  m_coords->Place();
}

void PlayerWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) m_video->SyncSnapshot();
}

void PlayerWindow::OnFrameSizeNotice(uint32_t width, uint32_t height) {
  if (IsFullScreenOn()) ToggleFullScreen();
  if (isMinimized()) showNormal();
  m_session->OnFrameSizeChanged(width, height);
  if (m_session->Graph() && width != 0 && height != 0) {
    // The held size gives way for the new frame size, then holds again.
    m_coords->ReleaseSize([&] { ResizeForPicture(width, height); });
  }
  UpdateControls();
}

}  // namespace ui
