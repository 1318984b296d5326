// The player's main window: the wiring between the widgets (picture, the
// transport bar, the status strip, the menu made from the command table) and
// the PlayerSession that holds the state and runs the commands. What is left
// here is what only a window can do: its size for a picture, full screen,
// dialogs, dropped files.
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
#include "session/recent_files.h"
#include "ui/settings_store.h"

class QAction;

namespace controls { class IconButton; class SeekSlider; }

namespace ui {

class CoordinateTool;
class PictureArea;
class QualityGraph;
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

  // Opening (the parameters from the record, the defaults or the dialog;
  // false and the window idle on failure or cancel) and closing.
  bool BrowseForFile();
  // `remembered`: the parameters of the recent list, used when the file has
  // no record of its own instead of the defaults or the dialog.
  bool OpenCurrentFile(const std::optional<corvane::YUVPara>& remembered = std::nullopt);
  // Entry n of the recent files: without the dialog when the file's size is
  // the one it had; as a newly chosen file otherwise.
  void OpenRecent(int n);
  const std::vector<session::RecentFile>& RecentFiles() const { return m_recent; }
  void CloseFile();
  void SetFilePath(const QString& path) { m_filePath = path; }
  QString FilePath() const { return m_filePath; }

  void ResizeForPicture(uint32_t width, uint32_t height);  // the picture area is width x height
  // The window sized anew, in its place, for a picture area of `picture`
  // (its size now): after the menu bar changed its height.
  void KeepPictureSize(QSize picture);
  void UpdateControls();
  void UpdateStatus();
  void ToggleCoordinateWindow();

  // Comparing with a second file (B): opened with its record, the defaults
  // or the parameter dialog; false, with the failure said, when it is not.
  bool OpenReferenceFile(const QString& path);
  // The views as their commands set them; the panes, the graph and the
  // window's size follow.
  void ApplyCompareView();
  QualityGraph* GraphPanel() const { return m_graphPanel; }
  // Below the picture: the strip, and the quality graph while B is open.
  int BelowPicture() const;
  static constexpr int kGraphHeight = 140;
  // State and parts, for tests.
  session::PlayerView View() const { return m_session->View(Facts()); }
  // What the command rules ask of the window: full screen, the coordinate window.
  session::WindowFacts Facts() const;
  corvane::PlaybackGraph* Graph() const { return m_session->Graph(); }
  const corvane::YUVPara& Para() const { return m_session->Para(); }
  const PlayerSettings& Settings() const { return m_settings; }
  // The picture area at 100 % (side by side: both pictures).
  QSize PictureBaseSize() const { return ViewPictureSize(m_session->View()); }
  VideoWidget* Video() const { return m_video; }
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
  void LayoutControls();
  void RunWindowCommand(Command c);  // the window's own part: dialogs, full screen, files
  void ToggleFullScreen();
  void ApplyZoom();
  void ZoomStep(int steps);  // the zoom keys: around the centre of the picture area
  void ShowDragCursor(QPoint at);  // `at` in picture coordinates
  void OnFrameSizeNotice(uint32_t width, uint32_t height);
  // After an open: the window sized for the picture, or the failure worded.
  bool FinishOpen(const session::OpenResult& result);
  void OnParameterSettings();
  void ShowRecentFiles();
  void GoToFrameBoxCommand();
  // The compare commands of the window: choosing B, the exports.
  void RunCompareCommand(Command c);
  void ExportQuality(bool stats);
  // The pane under a point of the picture widget: its rectangle (the
  // whole widget but side by side).
  QRect PaneAt(QPoint at) const;
  // The picture's size for 100 %: doubled in width side by side.
  QSize ViewPictureSize(const session::PlayerView& v) const;
  // The status line's facts of the picture on screen: A's, or with a second
  // file B's in the B view, named by which picture it is.
  void ShowShownFacts(const session::PlayerView& v);

  std::unique_ptr<session::PlayerSession> m_session;  // reset first: it draws into the widgets
  PictureArea* m_area = nullptr;        // the widgets are owned by Qt's parent chain
  VideoWidget* m_video = nullptr;       // the picture, in m_area
  TransportBar* m_transport = nullptr;
  StatusStrip* m_status = nullptr;
  QHash<int, QAction*> m_actions;       // menu items by id
  QTimer m_statusTimer;
  PlayerSettings m_settings;
  QString m_filePath;
  std::unique_ptr<CoordinateTool> m_coords;
  std::unique_ptr<StillCapture> m_stills;
  struct FullScreen {
    bool on = false;
    QByteArray placement;  // geometry before full screen
  };
  FullScreen m_fullScreen;
  int m_pictureInset = 0;    // client width beside a picture narrower than the control row
  bool m_dragging = false;   // the left button went down on the picture: moves pan it
  QPoint m_dragLast;         // where the last move of the drag was (picture coordinates)
  int m_zoomWheel = 0;       // Ctrl + wheel angle not yet worth a step
  std::vector<session::RecentFile> m_recent;  // newest first, as stored
  QualityGraph* m_graphPanel = nullptr;  // below the picture while B is open
  QTimer m_graphTimer;                   // fills the graph and moves its marker
  bool m_wipeDragging = false;           // the left button took the wipe line
};

}  // namespace ui
