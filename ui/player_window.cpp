#include "ui/player_window.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWheelEvent>

#include "controls/icon_button.h"
#include "controls/resources.h"
#include "controls/seek_slider.h"
#include "ui/command_table.h"
#include "ui/command_wiring.h"
#include "ui/coordinate_tool.h"
#include "ui/file_tools.h"
#include "ui/go_to_frame_box.h"
#include "ui/recent_files_store.h"
#include "ui/help_dialogs.h"
#include "ui/language.h"
#include "ui/messages.h"
#include "ui/parameter_dialog.h"
#include "ui/quality_graph.h"
#include "ui/resource_ids.h"
#include "ui/still_capture.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"
#include "ui/window_frames.h"
#include "ui/window_sizing.h"

namespace ui {

PlayerWindow::PlayerWindow(const QString& filePath, QWidget* parent) : QMainWindow(parent), m_filePath(filePath) {
  setWindowTitle(tr("Corvane"));
  setWindowIcon(QIcon(controls::IconPath(ids::kImageAppIcon)));
  BuildClient();
  m_session = std::make_unique<session::PlayerSession>(m_video, m_video);
  m_session->SetReferencePane(m_video->SecondPane());
  m_coords = std::make_unique<CoordinateTool>(this, m_session.get());
  m_stills = std::make_unique<StillCapture>(this, m_session.get());
  m_actions = BuildMenuBar(menuBar(), this, [this](Command c) {
    Run(c);
    UpdateControls();
  });
  // The language items act on the window only, so they are not commands of
  // the table: they sit at the end of the help menu.
  if (auto* help = qobject_cast<QMenu*>(m_actions.value(ids::kHelpAbout)->parent())) AddLanguageMenu(help, this);
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
  connect(m_video, &VideoWidget::frameSizeChanged, this, &PlayerWindow::OnFrameSizeNotice);
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
  m_video = m_area->Video();
  m_video->setObjectName(QStringLiteral("picture%1").arg(ids::kPicture));
  m_transport = new TransportBar(client);
  m_status = new StatusStrip(client);
  connect(m_transport, &TransportBar::commandClicked, this, [this](Command c) {
    Run(c);
    UpdateControls();
  });
  connect(m_transport, &TransportBar::seekRequested, this, [this](int pos) { m_session->SeekToSlider(pos); });
  m_graphPanel = new QualityGraph(client);
  m_graphPanel->hide();
  connect(m_graphPanel, &QualityGraph::frameClicked, this, [this](uint32_t frame) {
    if (m_session->GoToFrame(frame)) UpdateStatus();
  });
  // The graph fills as the track measures, and its marker follows the frame.
  m_graphTimer.setInterval(100);
  connect(&m_graphTimer, &QTimer::timeout, this, [this] {
    m_graphPanel->Poll();
    m_graphPanel->SetCurrentFrame(m_session->View().frame);
  });
}

QString PlayerWindow::StatusFacts() const { return m_status->FactsText(); }
controls::IconButton* PlayerWindow::Button(int id) const { return m_transport->Button(id); }
controls::SeekSlider* PlayerWindow::Slider() const { return m_transport->Slider(); }
void PlayerWindow::Initialize() {
  m_session->Close();
  m_video->ShowIdle();
  show();
  // Every size from here on counts the frame in, the first file's too.
  AwaitFrame(*this, kFrameWaitMs);
  ResizeForPicture(kIdleWidth, kIdleHeight);
  SettingsStore::InitAtStartup(m_settings);
  m_recent = RecentFilesStore::Load();
  ShowRecentFiles();
  m_session->SetAspectMode(session::AspectModeOf(m_settings.displayType));
  m_session->SetColourSpace(SettingsStore::LoadColourSpace());
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
  if (!session::PlayerSession::Runs(c) || c == Command::Close) {
    RunWindowCommand(c);
    return;
  }
  const bool compare = c >= Command::OpenReference && c <= Command::ExportStats;
  // "." leaves full screen before it stops.
  if (c == Command::Stop && m_fullScreen.on) ToggleFullScreen();
  if (!m_session->Execute(c, Facts())) return;
  const session::PlayerView v = m_session->View();
  if (c == Command::Stop) m_status->Show(v);
  if (c >= Command::Zoom50 && c <= Command::Zoom200) ApplyZoom();
  if (c >= Command::ComponentYUV && c <= Command::ComponentV) m_coords->SelectComponent(v.component);
  if (c >= Command::Matrix601 && c <= Command::RangeFull) SettingsStore::SaveColourSpace(v.colour);
  if (compare) ApplyCompareView();
  m_coords->Sync();
}

void PlayerWindow::RunWindowCommand(Command c) {
  switch (c) {
    case Command::Open:
      if (BrowseForFile()) OpenCurrentFile();
      break;
    case Command::Close:
      CloseFile();
      break;
    case Command::Exit:
      close();
      break;
    case Command::FullScreen:
    case Command::LeaveFullScreen:
      ToggleFullScreen();
      break;
    case Command::Capture:
      if (m_session->Graph()) m_stills->Capture(m_session->Para());
      break;
    case Command::Options:
      // The open file takes the new ratio at once, paused or not.
      if (RunOptionsSheet(this, m_settings)) m_session->SetAspectMode(session::AspectModeOf(m_settings.displayType));
      break;
    case Command::Coordinates:
      m_coords->Toggle();
      break;
    case Command::Parameters:
      OnParameterSettings();
      break;
    case Command::Cut:
    case Command::Splice:
      // Both tools close the file playing first.
      if (c == Command::Cut && (!BrowseForFile() || m_filePath.isEmpty())) break;
      CloseFile();
      UpdateControls();
      if (c == Command::Cut)
        RunCutTool(this, m_filePath, DefaultsOf(m_settings));
      else
        RunSpliceTool(this, DefaultsOf(m_settings));
      break;
    case Command::GoToFrame:
      GoToFrameBoxCommand();
      break;
    case Command::CopyFrame:
      m_stills->CopyToClipboard();
      break;
    case Command::SavePng:
      if (m_session->Graph()) m_stills->CapturePng();
      break;
    case Command::ZoomIn:
    case Command::ZoomOut:
      ZoomStep(c == Command::ZoomIn ? 1 : -1);
      break;
    case Command::Manual:
      OpenUserManual(this);
      break;
    case Command::Shortcuts:
      RunDialog<HelpDialog>(this);
      break;
    case Command::About:
      RunDialog<AboutDialog>(this);
      break;
    case Command::OpenReference:
    case Command::ExportCsv:
    case Command::ExportStats:
      RunCompareCommand(c);
      break;
    default:
      if (session::IsRecent(c)) OpenRecent(int(c) - int(Command::Recent0));
      break;
  }
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
  ShowMenuState(m_actions, *m_session, Facts());
  m_coords->EnableList(v);
  if (v.statusTicking && !m_statusTimer.isActive()) m_statusTimer.start();
  if (!v.statusTicking) m_statusTimer.stop();
  if (v.state == PlayState::NoFile) {
    if (m_graphPanel->isVisible()) ApplyCompareView();
    m_video->ShowIdle();
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
  ShowShownFacts(v);
  m_transport->ShowPosition(v);
}

void PlayerWindow::ToggleCoordinateWindow() { Run(Command::Coordinates), UpdateControls(); }

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  const KeyOutcome key = CommandForKeyEvent(event);
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
          m_video->rect().contains(m_video->mapFrom(centralWidget(), mouse->position().toPoint())))
        ToggleFullScreen();
      return false;
    }
    case QEvent::Resize:
      if (!isMinimized()) LayoutControls();
      return false;
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = m_video->mapFrom(centralWidget(), mouse->position().toPoint());
      const QRect pane = PaneAt(at);
      if (m_wipeDragging && (mouse->buttons() & Qt::LeftButton)) {
        m_video->SetWipeX(at.x());
      } else if (m_dragging && (mouse->buttons() & Qt::LeftButton)) {
        const QPoint by = at - m_dragLast;
        m_dragLast = at;
        if (m_session->PanBy(by.x(), by.y(), pane.width(), pane.height())) UpdateStatus();
      }
      m_coords->ShowPixelAt(at - pane.topLeft(), pane.size());
      ShowDragCursor(at);
      return false;
    }
    case QEvent::MouseButtonPress: {
      // A drag with the left button moves a zoomed picture.
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = m_video->mapFrom(centralWidget(), mouse->position().toPoint());
      m_dragging = mouse->button() == Qt::LeftButton && m_video->rect().contains(at);
      // In the wipe view a press on (or next to) the line drags the line.
      m_wipeDragging = m_dragging && m_video->CurrentLayout() == VideoWidget::Layout::kWipe &&
                       std::abs(at.x() - m_video->WipeX()) <= 6;
      m_dragLast = at;
      ShowDragCursor(at);
      return false;
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) m_dragging = m_wipeDragging = false;
      ShowDragCursor(m_video->mapFrom(centralWidget(), mouse->position().toPoint()));
      return false;
    }
    case QEvent::Wheel: {
      // Ctrl + wheel over the picture zooms around the pointer, a step a notch.
      const auto* wheel = static_cast<QWheelEvent*>(event);
      const QPoint at = m_video->mapFrom(centralWidget(), wheel->position().toPoint());
      if (!(wheel->modifiers() & Qt::ControlModifier) || !m_video->rect().contains(at)) return false;
      m_zoomWheel += wheel->angleDelta().y();
      const int steps = m_zoomWheel / 120;
      m_zoomWheel %= 120;
      const QRect pane = PaneAt(at);
      const QPoint local = at - pane.topLeft();
      if (steps != 0 && m_session->ZoomAt(steps, local.x(), local.y(), pane.width(), pane.height())) {
        UpdateStatus();
        m_coords->ShowPixelAt(local, pane.size());
        ShowDragCursor(at);
      }
      return true;
    }
    default:
      return false;
  }
}

void PlayerWindow::ShowDragCursor(QPoint at) {
  // A hand over a picture that a drag can move; the plain arrow elsewhere.
  const bool movable = !m_session->CurrentView().IsWhole() && m_video->rect().contains(at);
  if (!movable)
    centralWidget()->unsetCursor();
  else
    centralWidget()->setCursor(m_dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
}

void PlayerWindow::ZoomStep(int steps) {
  // The keys zoom around the centre of the picture area (of a pane, side by side).
  const QRect pane = m_video->PaneRect(0);
  if (m_session->ZoomAt(steps, pane.width() / 2, pane.height() / 2, pane.width(), pane.height())) UpdateStatus();
}

// ---- Geometry ----------------------------------------------------------------

void PlayerWindow::ResizeForPicture(uint32_t width, uint32_t height) {
  SizeWindowForPicture(*this, width, height, {BelowPicture(), kControlRowWidth, kMinWindowHeight}, [this](int inset) {
    m_pictureInset = inset;
    LayoutControls();
  });
}

void PlayerWindow::KeepPictureSize(QSize picture) {
  // Nothing to keep in full screen, maximised, or before the window shows.
  if (!isVisible() || isFullScreen() || isMaximized() || picture.isEmpty()) return;
  m_coords->ReleaseSize([&] {
    SizeWindowForPicture(
        *this, uint32_t(picture.width()), uint32_t(picture.height()),
        {BelowPicture(), kControlRowWidth, kMinWindowHeight},
        [this](int inset) {
          m_pictureInset = inset;
          LayoutControls();
        },
        Placement::kKeep);
  });
}

void PlayerWindow::LayoutControls() {
  const QWidget* client = centralWidget();
  const int W = client->width(), H = client->height();
  const bool full = m_fullScreen.on;
  const int below = BelowPicture();
  m_area->setGeometry(0, 0, W, full ? H : std::max(0, H - below));
  m_area->SetInset(full ? 0 : m_pictureInset);
  m_graphPanel->setGeometry(0, std::max(0, H - below), W, below - kStripHeight);
  m_transport->setGeometry(0, H - 76, W, TransportBar::kHeight);
  m_status->setGeometry(0, H - StatusStrip::kHeight, W, StatusStrip::kHeight);
  m_video->SyncSnapshot();
  // A paint never draws through the engine, so a picture area of a new size
  // gets a fresh picture here while nothing else would present one.
  const PlayState state = m_session ? m_session->State() : PlayState::NoFile;
  if (state != PlayState::Playing && state != PlayState::NoFile) m_session->RefreshPictures();
  if (m_coords) m_coords->Place();
}

void PlayerWindow::ApplyZoom() {
  if (m_fullScreen.on) ToggleFullScreen();
  const session::PlayerView v = m_session->View();
  // 200 % of a large frame exceeds 32 bits only in the sum; the sizing
  // clamps to the screen, so the doubled size is saturated, not wrapped.
  auto scaled = [&v](uint32_t side) {
    if (v.zoom == session::Zoom::k50) return side / 2;
    if (v.zoom == session::Zoom::k200) return uint32_t(std::min<uint64_t>(2 * uint64_t(side), UINT32_MAX));
    return side;
  };
  const QSize picture = ViewPictureSize(v);
  ResizeForPicture(scaled(uint32_t(picture.width())), scaled(uint32_t(picture.height())));
}

session::WindowFacts PlayerWindow::Facts() const { return {m_fullScreen.on, m_coords && m_coords->Shows()}; }

void PlayerWindow::ToggleFullScreen() {
  const session::PlayerView v = m_session->View();
  if (v.state != PlayState::Playing && v.state != PlayState::Paused) return;
  const bool on = !m_fullScreen.on;
  m_fullScreen.on = on;
  m_transport->setVisible(!on);
  m_status->setVisible(!on);
  m_graphPanel->setVisible(!on && m_graphTimer.isActive());
  menuBar()->setVisible(!on);
  if (on) {
    m_fullScreen.placement = saveGeometry();
    showFullScreen();
  } else {
    showNormal();
    restoreGeometry(m_fullScreen.placement);
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
  // The transport bar, the status strip and the coordinate window hear it
  // too and set their own texts.
  if (event->type() == QEvent::LanguageChange) {
    // The picture as it is now, before the menu bar takes the new texts.
    const QSize picture = m_video->size();
    setWindowTitle(tr("Corvane"));
    RetranslateMenus(menuBar());
    // Longer or shorter menu titles may fold the menu bar onto more lines
    // or fewer; the picture keeps its size (100 % stays 1:1) and the window
    // its place.
    KeepPictureSize(picture);
  }
}

void PlayerWindow::OnFrameSizeNotice(uint32_t width, uint32_t height) {
  if (m_fullScreen.on) ToggleFullScreen();
  if (isMinimized()) showNormal();
  m_session->OnFrameSizeChanged(width, height);
  // The held size gives way for the new frame size, then holds again.
  if (m_session->Graph() && width != 0 && height != 0)
    m_coords->ReleaseSize([&] {
      const QSize picture = ViewPictureSize(m_session->View());
      ResizeForPicture(uint32_t(picture.width()), uint32_t(picture.height()));
    });
  UpdateControls();
}

}  // namespace ui
