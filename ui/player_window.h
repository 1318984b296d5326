// The player's main window: the wiring between the widgets (picture, the
// transport bar, the status strip, the menu made from the command rows) and
// the PlayerSession that holds the state and runs the commands. A command
// goes to its row's owner: the session, or the handler the window or one of
// its flows (opening files, comparing) added for it. What is left here is
// what only a window can do: its size for a picture, full screen, the
// pointer over the picture.
//
// Threads: everything here runs on the GUI thread. The engine reaches the
// window only through the picture widget (pictures, frame-size notices),
// which hands both over with queued calls, and through the notice handler,
// which is queued as well.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "session/player_session.h"
#include "ui/command_wiring.h"
#include "ui/settings_store.h"

class QAction;

namespace controls { class IconButton; class SeekSlider; }

namespace ui {

class CompareFlow;
class CoordinateTool;
class OpenFileFlow;
class PictureArea;
class PicturePointer;
class ScopesFlow;
class StillCapture;
class StatusStrip;
class TransportBar;
class VideoWidget;
using session::Command;
using session::PlayState;

class PlayerWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr uint32_t kIdleWidth = session::PlayerSession::kIdleWidth;
  static constexpr uint32_t kIdleHeight = session::PlayerSession::kIdleHeight;
  static constexpr int kStripHeight = 86;  // slider, buttons and status line below the picture
  static constexpr int kStatusIntervalMs = 500;
  // The narrowest client area: the button row (its last button ends at 269)
  // and the margin of its left end, so no button is ever clipped.
  static constexpr int kControlRowWidth = 274;
  static constexpr int kMinWindowHeight = 310;  // the lowest the user may drag to (outer)
  static constexpr int kFrameWaitMs = 2000;     // the longest the start waits for the window manager's frame

  // `filePath`: the file named on the command line (or empty), opened by
  // Initialize, which shows the window, loads the settings and sets the controls.
  explicit PlayerWindow(const QString& filePath = {}, QWidget* parent = nullptr);
  ~PlayerWindow() override;
  void Initialize();

  // Runs a command as its menu item, button or key would (the session's
  // rules first); the menu and the buttons by their ids.
  void Run(Command c);
  void OnMenuCommand(int id);
  void OnButton(int id);
  // The facts of this window that the commands' rules ask about.
  session::WindowFacts Facts() const;

  void ResizeForPicture(uint32_t width, uint32_t height);  // the picture area is width x height
  // The window sized anew, in its place, for a picture area of `picture`
  // (its size now): after the menu bar changed its height.
  void KeepPictureSize(QSize picture);
  void ApplyZoom();  // the window sized for the picture at the session's zoom
  void LayoutControls();
  void UpdateControls();
  void UpdateStatus();
  void SetStatusTicking(bool on);
  void ToggleCoordinateWindow();
  // Below the picture: the strip, the quality graph while B is measured,
  // and the scopes when they go below; beside it: the scopes' column.
  int BelowPicture() const;
  int BesidePicture() const;

  // Parts and state, for the flows and tests.
  OpenFileFlow& Files() const { return *m_files; }
  CompareFlow& Compare() const { return *m_compare; }
  ScopesFlow& Scopes() const { return *m_scopes; }
  const CommandHandlers& Handlers() const { return m_handlers; }
  session::PlayerView View() const { return m_session->View(Facts()); }
  corvane::PlaybackGraph* Graph() const { return m_session->Graph(); }
  const corvane::YUVPara& Para() const { return m_session->Para(); }
  const PlayerSettings& Settings() const { return m_settings; }
  QSize PictureBaseSize() const;  // the picture area at 100 % (side by side: both pictures)
  VideoWidget* Video() const;
  StatusStrip* Status() const { return m_status; }
  QAction* Action(int id) const { return m_actions.value(id); }
  controls::IconButton* Button(int id) const;
  controls::SeekSlider* Slider() const;
  bool IsStatusTimerActive() const { return m_statusTimer.isActive(); }
  CoordinateTool* Coordinates() const { return m_coords.get(); }
  StillCapture* Stills() const { return m_stills.get(); }
  session::PlayerSession* Session() const { return m_session.get(); }
  QString StatusFacts() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildClient();
  void AddOwnCommands();  // the window's handlers: dialogs, full screen, stills
  void ToggleFullScreen();
  void OnFrameSizeNotice(uint32_t width, uint32_t height);
  void GoToFrameBoxCommand();

  std::unique_ptr<session::PlayerSession> m_session;  // reset first: it draws into the widgets
  PictureArea* m_area = nullptr;  // the widgets are owned by Qt's parent chain
  TransportBar* m_transport = nullptr;
  StatusStrip* m_status = nullptr;
  QHash<int, QAction*> m_actions;  // menu items by id
  QTimer m_statusTimer;
  PlayerSettings m_settings;
  CommandHandlers m_handlers;  // the window's commands, by whoever owns them
  std::unique_ptr<CoordinateTool> m_coords;
  std::unique_ptr<StillCapture> m_stills;
  std::unique_ptr<OpenFileFlow> m_files;
  std::unique_ptr<CompareFlow> m_compare;
  std::unique_ptr<ScopesFlow> m_scopes;
  // How the client area is laid out: full screen or not, and the room
  // beside a picture narrower than the control row.
  struct Layout {
    bool fullScreen = false;
    QByteArray placement;  // geometry before full screen
    int pictureInset = 0;  // client width beside a picture narrower than the control row
  };
  Layout m_layout;
  std::unique_ptr<PicturePointer> m_pointer;  // pan, wipe line, wheel zoom, readout
};

}  // namespace ui
