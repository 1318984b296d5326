#include "ui/player_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include "controls/icon_button.h"
#include "controls/resources.h"
#include "controls/seek_slider.h"
#include "ui/command_table.h"
#include "ui/compare_flow.h"
#include "ui/coordinate_tool.h"
#include "ui/file_tools.h"
#include "ui/go_to_frame_box.h"
#include "ui/help_dialogs.h"
#include "ui/coded_open.h"
#include "ui/language.h"
#include "ui/messages.h"
#include "ui/open_file_flow.h"
#include "ui/parameter_dialog.h"
#include "ui/picture_pointer.h"
#include "ui/quality_graph.h"
#include "ui/resource_ids.h"
#include "ui/scopes_flow.h"
#include "ui/still_capture.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"
#include "ui/window_frames.h"
#include "ui/window_sizing.h"

namespace ui {

PlayerWindow::PlayerWindow(const QString& filePath, QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(tr("Corvane"));
  setWindowIcon(QIcon(controls::IconPath(ids::kImageAppIcon)));
  BuildClient();
  m_session = std::make_unique<session::PlayerSession>(Video(), Video());
  m_session->SetReferencePane(Video()->SecondPane());
  m_coords = std::make_unique<CoordinateTool>(this, m_session.get());
  m_stills = std::make_unique<StillCapture>(this, m_session.get());
  m_files = std::make_unique<OpenFileFlow>(*this, *m_session, m_handlers);
  m_files->SetFilePath(filePath);
  m_compare = std::make_unique<CompareFlow>(*this, *m_session, centralWidget(), m_handlers);
  m_pointer = std::make_unique<PicturePointer>(*this, *m_session, m_handlers);
  m_scopes = std::make_unique<ScopesFlow>(*this, *m_session, centralWidget(), m_handlers);
  AddOwnCommands();
  m_actions = BuildMenuBar(menuBar(), this, [this](Command c) {
    Run(c);
    UpdateControls();
  });
  // The language items act on the window only, so they are not commands of
  // the table: they sit at the end of the help menu.
  if (auto* help = qobject_cast<QMenu*>(m_actions.value(ids::kHelpAbout)->parent())) AddLanguageMenu(help, this);
  // So is the cache of decoded frames (a setting for coded files opened
  // later), at the end of the view menu.
  m_session->SetDecodeCache(uint64_t(SettingsStore::LoadCacheMiB()) << 20);
  if (auto* view = qobject_cast<QMenu*>(m_actions.value(ids::kViewOptions)->parent()))
    CodedOpen::AddCacheMenu(view, this, [this](int mib) { m_session->SetDecodeCache(uint64_t(mib) << 20); });
  m_session->SetNoticeHandler(NoticeHandlerFor(this));
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
  connect(Video(), &VideoWidget::frameSizeChanged, this, &PlayerWindow::OnFrameSizeNotice);
  setAcceptDrops(true);
}

PlayerWindow::~PlayerWindow() { m_session.reset(); }  // its threads draw into the widgets

void PlayerWindow::BuildClient() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  // Pointer moves over the picture feed the coordinate window's readout.
  client->setMouseTracking(true);
  setCentralWidget(client);
  m_area = new PictureArea(client);
  Video()->setObjectName(QStringLiteral("picture%1").arg(ids::kPicture));
  m_transport = new TransportBar(client);
  m_status = new StatusStrip(client);
  connect(m_transport, &TransportBar::commandClicked, this, [this](Command c) {
    Run(c);
    UpdateControls();
  });
  connect(m_transport, &TransportBar::seekRequested, this, [this](int pos) { m_session->SeekToSlider(pos); });
}

VideoWidget* PlayerWindow::Video() const { return m_area->Video(); }
QSize PlayerWindow::PictureBaseSize() const { return m_compare->PictureSize(m_session->View()); }
session::WindowFacts PlayerWindow::Facts() const { return {m_layout.fullScreen, m_coords && m_coords->Shows()}; }

QString PlayerWindow::StatusFacts() const { return m_status->FactsText(); }
controls::IconButton* PlayerWindow::Button(int id) const { return m_transport->Button(id); }
controls::SeekSlider* PlayerWindow::Slider() const { return m_transport->Slider(); }
void PlayerWindow::Initialize() {
  m_session->Close();
  Video()->ShowIdle();
  show();
  // Every size from here on counts the frame in, the first file's too.
  AwaitFrame(*this, kFrameWaitMs);
  ResizeForPicture(kIdleWidth, kIdleHeight);
  SettingsStore::InitAtStartup(m_settings);
  m_files->LoadRecentFiles();
  m_session->SetAspectMode(session::AspectModeOf(m_settings.displayType));
  m_session->SetColourSpace(SettingsStore::LoadColourSpace());
  if (!m_files->FilePath().isEmpty()) m_files->OpenCurrentFile();
  UpdateControls();
  m_status->Show(m_session->View());
}

// ---- Commands ----------------------------------------------------------------

void PlayerWindow::OnMenuCommand(int id) {
  if (const std::optional<Command> c = CommandOfItem(id)) Run(*c);
  UpdateControls();
}

void PlayerWindow::OnButton(int id) {
  if (const std::optional<Command> c = CommandOfButton(id)) Run(*c);
  UpdateControls();
}

void PlayerWindow::Run(Command c) {
  const session::CommandRow& row = session::RowOf(c);
  if (row.owner == session::Owner::kWindow) {
    m_handlers.Run(c);
    return;
  }
  // "." leaves full screen before it stops.
  if (c == Command::Stop && m_layout.fullScreen) ToggleFullScreen();
  if (!m_session->Execute(c, Facts())) return;
  const session::PlayerView v = m_session->View();
  if (c == Command::Stop) m_status->Show(v);
  if (row.group == session::Group::kZoom) ApplyZoom();
  if (row.group == session::Group::kComponent) m_coords->SelectComponent(v.component);
  if (row.group == session::Group::kMatrix || row.group == session::Group::kRange)
    SettingsStore::SaveColourSpace(v.chosenColour);
  if (row.menu & session::when::kReference) m_compare->ApplyCompareView();  // the comparison's commands
  m_coords->Sync();
}

void PlayerWindow::AddOwnCommands() {
  m_handlers.Add(Command::Exit, [this] { close(); });
  m_handlers.Add(Command::FullScreen, [this] { ToggleFullScreen(); });
  m_handlers.Add(Command::LeaveFullScreen, [this] { ToggleFullScreen(); });
  m_handlers.Add(Command::Capture, [this] {
    if (m_session->Graph()) m_stills->Capture(m_session->Para());
  });
  m_handlers.Add(Command::Options, [this] {
    // The open file takes the new ratio at once, paused or not.
    if (RunOptionsSheet(this, m_settings)) m_session->SetAspectMode(session::AspectModeOf(m_settings.displayType));
  });
  m_handlers.Add(Command::Coordinates, [this] { m_coords->Toggle(); });
  m_handlers.Add(Command::GoToFrame, [this] { GoToFrameBoxCommand(); });
  m_handlers.Add(Command::CopyFrame, [this] { m_stills->CopyToClipboard(); });
  m_handlers.Add(Command::SavePng, [this] {
    if (m_session->Graph()) m_stills->CapturePng();
  });
  m_handlers.Add(Command::Manual, [this] { OpenUserManual(this); });
  m_handlers.Add(Command::Shortcuts, [this] { RunDialog<HelpDialog>(this); });
  m_handlers.Add(Command::About, [this] { RunDialog<AboutDialog>(this); });
}

void PlayerWindow::GoToFrameBoxCommand() {
  const session::PlayerView v = m_session->View();
  if (v.total == 0) return;
  if (const std::optional<uint32_t> n = GoToFrameBox::Ask(this, v.total, v.frame)) {
    m_session->GoToFrame(*n);
    UpdateStatus();
  }
}

void PlayerWindow::UpdateControls() {
  const session::PlayerView v = m_session->View();
  m_transport->Show(v);
  ShowMenuState(m_actions, *m_session);
  m_scopes->ShowMenuState(m_actions);
  m_coords->EnableList(v);
  if (v.statusTicking && !m_statusTimer.isActive()) m_statusTimer.start();
  if (!v.statusTicking) m_statusTimer.stop();
  if (v.state == PlayState::NoFile) {
    if (m_compare->GraphPanel()->isVisible()) m_compare->ApplyCompareView();
    m_scopes->Clear();
    Video()->ShowIdle();
    ResizeForPicture(kIdleWidth, kIdleHeight);
  }
}

void PlayerWindow::UpdateStatus() {
  const session::PlayerView v = m_session->View();
  if (!m_session->Graph() || v.total == 0) {
    m_status->ShowFrameFacts(std::nullopt, v.view);
    return;
  }
  m_status->Show(v);
  m_compare->ShowShownFacts(v);
  m_transport->ShowPosition(v);
}

void PlayerWindow::SetStatusTicking(bool on) {
  if (on)
    m_statusTimer.start();
  else
    m_statusTimer.stop();
}

int PlayerWindow::BelowPicture() const {
  const bool full = m_layout.fullScreen;
  if (full) return kStripHeight;
  return kStripHeight + (m_compare && m_compare->Measuring() ? CompareFlow::kGraphHeight : 0) +
         (m_scopes ? m_scopes->Below() : 0);
}

int PlayerWindow::BesidePicture() const { return m_layout.fullScreen || !m_scopes ? 0 : m_scopes->Beside(); }

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (OpenFileFlow::CarriesFile(event->mimeData())) event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) { m_files->Drop(event); }

void PlayerWindow::ToggleCoordinateWindow() { Run(Command::Coordinates), UpdateControls(); }

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  const KeyOutcome key =
      CommandForKeyEvent(event, [this](Command c) { return m_session->CanRunKey(c, Facts()); });
  if (key.handled) {
    if (key.command && m_session->CanRunKey(*key.command, Facts())) {
      Run(*key.command);
      UpdateControls();
    }
    return true;
  }
  if (watched != centralWidget()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonDblClick: {
      centralWidget()->setFocus();
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton && m_session->CanRunKey(Command::FullScreen, Facts()) &&
          Video()->rect().contains(Video()->mapFrom(centralWidget(), mouse->position().toPoint())))
        ToggleFullScreen();
      return false;
    }
    case QEvent::Resize:
      if (!isMinimized()) LayoutControls();
      return false;
    default:
      return m_pointer->OnEvent(event);
  }
}

// ---- Geometry ----------------------------------------------------------------

void PlayerWindow::ResizeForPicture(uint32_t width, uint32_t height) {
  SizeWindowForPicture(*this, width, height, {BelowPicture(), kControlRowWidth, kMinWindowHeight, BesidePicture()},
                       [this](int inset) {
                         m_layout.pictureInset = inset;
                         LayoutControls();
                       });
}

void PlayerWindow::KeepPictureSize(QSize picture) {
  // Nothing to keep in full screen, maximised, or before the window shows.
  if (!isVisible() || isFullScreen() || isMaximized() || picture.isEmpty()) return;
  m_coords->ReleaseSize([&] {
    SizeWindowForPicture(
        *this, uint32_t(picture.width()), uint32_t(picture.height()),
        {BelowPicture(), kControlRowWidth, kMinWindowHeight, BesidePicture()},
        [this](int inset) {
          m_layout.pictureInset = inset;
          LayoutControls();
        },
        Placement::kKeep);
  });
}

void PlayerWindow::LayoutControls() {
  const QWidget* client = centralWidget();
  const int W = client->width(), H = client->height();
  const bool full = m_layout.fullScreen;
  const int below = BelowPicture(), beside = BesidePicture();
  const int scopesBelow = full || !m_scopes ? 0 : m_scopes->Below();
  const int pictureH = full ? H : std::max(0, H - below);
  m_area->setGeometry(0, 0, std::max(0, W - beside), pictureH);
  m_area->SetInset(full ? 0 : m_layout.pictureInset);
  if (m_compare)
    m_compare->GraphPanel()->setGeometry(0, std::max(0, H - below + scopesBelow), W,
                                         below - kStripHeight - scopesBelow);
  if (m_scopes)
    m_scopes->Place(beside > 0 ? QRect(W - beside, 0, beside, pictureH) : QRect(0, pictureH, W, scopesBelow), full);
  m_transport->setGeometry(0, H - 76, W, TransportBar::kHeight);
  m_status->setGeometry(0, H - StatusStrip::kHeight, W, StatusStrip::kHeight);
  Video()->SyncSnapshot();
  // A paint never draws through the engine, so a picture area of a new size
  // gets a fresh picture here while nothing else would present one.
  const PlayState state = m_session ? m_session->State() : PlayState::NoFile;
  if (state != PlayState::Playing && state != PlayState::NoFile) m_session->RefreshPictures();
  if (m_coords) m_coords->Place();
}

void PlayerWindow::ApplyZoom() {
  if (m_layout.fullScreen) ToggleFullScreen();
  const session::PlayerView v = m_session->View();
  // 200 % of a large frame exceeds 32 bits only in the sum; the sizing
  // clamps to the screen, so the doubled size is saturated, not wrapped.
  auto scaled = [&v](uint32_t side) {
    if (v.zoom == session::Zoom::k50) return side / 2;
    if (v.zoom == session::Zoom::k200) return uint32_t(std::min<uint64_t>(2 * uint64_t(side), UINT32_MAX));
    return side;
  };
  const QSize picture = m_compare->PictureSize(v);
  ResizeForPicture(scaled(uint32_t(picture.width())), scaled(uint32_t(picture.height())));
}

void PlayerWindow::ToggleFullScreen() {
  const session::PlayerView v = m_session->View();
  if (v.state != PlayState::Playing && v.state != PlayState::Paused) return;
  const bool on = !m_layout.fullScreen;
  m_layout.fullScreen = on;
  m_transport->setVisible(!on);
  m_status->setVisible(!on);
  m_compare->GraphPanel()->setVisible(!on && m_compare->Measuring());
  menuBar()->setVisible(!on);
  if (on) {
    m_layout.placement = saveGeometry();
    showFullScreen();
  } else {
    showNormal();
    restoreGeometry(m_layout.placement);
  }
  LayoutControls();
}

void PlayerWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  Video()->SyncSnapshot();
  m_coords->Place();
}

void PlayerWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) Video()->SyncSnapshot();
  // The transport bar, the status strip and the coordinate window hear it
  // too and set their own texts.
  if (event->type() == QEvent::LanguageChange) {
    // The picture as it is now, before the menu bar takes the new texts.
    const QSize picture = Video()->size();
    setWindowTitle(tr("Corvane"));
    RetranslateMenus(menuBar());
    // Longer or shorter menu titles may fold the menu bar onto more lines
    // or fewer; the picture keeps its size (100 % stays 1:1) and the window
    // its place.
    KeepPictureSize(picture);
  }
}

void PlayerWindow::OnFrameSizeNotice(uint32_t width, uint32_t height) {
  if (m_layout.fullScreen) ToggleFullScreen();
  if (isMinimized()) showNormal();
  m_session->OnFrameSizeChanged(width, height);
  // The held size gives way for the new frame size, then holds again.
  if (m_session->Graph() && width != 0 && height != 0)
    m_coords->ReleaseSize([&] {
      const QSize picture = PictureBaseSize();
      ResizeForPicture(uint32_t(picture.width()), uint32_t(picture.height()));
    });
  UpdateControls();
}

}  // namespace ui
