// The player's main window: picture area, seek slider, the row of play
// buttons and the two status fields, the menu, the keys, and the one
// playback graph of the open file.
//
// Threads: everything here runs on the GUI thread. The engine reaches the
// window only through the picture widget (pictures, frame-size notices),
// which hands both over with queued calls, and through the notice handler,
// which is queued as well.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>

#include "engine/playback_graph.h"
#include "formats/yuv_format.h"
#include "ui/settings_store.h"

class QAction;
class QFrame;

namespace controls {
class ColorLabel;
class IconButton;
class SeekSlider;
}  // namespace controls

namespace ui {

class CoordinateWindow;
class VideoWidget;
class ParameterDialog;

enum class PlayState : int { Stopped = 0, Playing = 1, Paused = 2, NoFile = 3 };

class PlayerWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Size of the picture area when no file is open, and the base of zoom then.
  static constexpr uint32_t kIdleWidth = 352;
  static constexpr uint32_t kIdleHeight = 288;
  // The strip below the picture: slider, buttons and status line.
  static constexpr int kStripHeight = 86;
  static constexpr int kSliderMax = 200;
  static constexpr int kStatusIntervalMs = 500;
  // The narrowest client area: the button row (its last button ends at 269)
  // with the margin of its left end. The window is never narrower, so no
  // button is ever clipped and the menu bar stays on one line.
  static constexpr int kControlRowWidth = 274;
  // The lowest window the user may drag to (outer size).
  static constexpr int kMinWindowHeight = 310;

  // `filePath` is the file named on the command line (empty for none); it is
  // opened by Initialize.
  explicit PlayerWindow(const QString& filePath = {}, QWidget* parent = nullptr);
  ~PlayerWindow() override;

  // Shows the window and runs the start-up: size for the idle picture,
  // settings (first start writes them), the command-line file, controls.
  void Initialize();

  // Opening and closing (open_file_flow.cpp). The parameters of a file come
  // from its trailer, else from the defaults when they are enabled, else from
  // the parameter dialog.
  // The open-file chooser, starting at the last file; true and the new path
  // in FilePath() on OK.
  bool BrowseForFile();
  // Opens FilePath() and plays it; false (window idle) on failure or cancel.
  bool OpenCurrentFile();
  // Any state to NoFile; the caller runs UpdateControls.
  void CloseFile();
  void SetFilePath(const QString& path) { m_strFilePath = path; }
  QString FilePath() const { return m_strFilePath; }
  // The parameter dialog for the open graph, as the open flow and the cut
  // command ask it; on OK its parameters become Para() and the picture size.
  bool ShowParameterDialog();
  // The menu's "参数设置": the dialog for the file playing, then the same
  // file again with the chosen parameters.
  void OnParameterSettings();

  // Services for the tools. Each closes the current file first and leaves a
  // graph without a picture in Graph().
  // 0: the file carries a parameter record (*count := segment count, Para()
  // holds the first); 1: it carries none (the graph stays open for
  // RunParameterDialog); kGeneralFail: it cannot be opened, after the
  // message "打开文件失败\n".
  int ProbeFile(const QString& path, uint32_t* count);
  // Copies the file's records into `records`: all of them when `count` is
  // the file's segment count, else the first. False (after "打开文件失败!\n")
  // when it cannot be opened, and when it has no record or the read fails.
  bool ReadFileParaAt(const QString& path, corvane::YUVPara* records, uint32_t count);
  // The parameter dialog for the graph ProbeFile left; true on OK. Nothing
  // is copied into the window; the dialog's save button wrote the trailer.
  bool RunParameterDialog();
  // While set, the parameter dialog only sets (and saves) parameters.
  void SetParaForTool(bool on) { m_bParaForTool = on; }
  bool IsParaForTool() const { return m_bParaForTool; }
  bool IsReadOnly() const { return m_bReadOnly; }

  // Commands: the menu items and buttons by id, and the key handler (virtual
  // keys as Qt delivers them).
  void OnMenuCommand(int id);
  void OnButton(int id);
  void HandleKey(int key, Qt::KeyboardModifiers modifiers);

  // Still capture (the capture button): the frame on screen as the next
  // numbered BMP or JPEG in the capture folder. WriteCapture encodes into the
  // caller's buffer of `size` bytes and writes the file; false when nothing
  // was written.
  void CaptureStill();
  bool WriteCapture(uint8_t* buffer, uint32_t size);
  uint32_t BmpCount() const { return m_nBmpCount; }
  uint32_t JpegCount() const { return m_nJpegCount; }

  // The coordinate window: shown or hidden by the tools menu and its own
  // close box, placed under this window.
  void ToggleCoordinateWindow();
  void PlaceCoordinateWindow();
  CoordinateWindow* CoordWindow() const { return m_pCoordDlg; }  // null before first use
  bool IsCoordinateWindowVisible() const;

  // The user manual, opened in the desktop's PDF viewer. It is looked for
  // beside the executable, then in the installed data folders; empty when
  // it is nowhere.
  static const QString kManualFileName;
  static QString FindUserManual();
  void OpenUserManual();

  void UpdateControls();
  void UpdateStatus();

  // The advanced options sheet: loads the settings afresh, runs the sheet,
  // and on OK takes what its pages handed back, saves it and gives an open
  // file the new display ratio at once.
  void OnAdvancedOptions();
  // The file tools. Cut: choose a file, know its parameters (its record, or
  // the parameter dialog), refuse a spliced file, run the cut dialog. Splice:
  // the splice dialog with this window's file services. Both close the
  // graph they opened for their files when they end.
  void OnCutCommand();
  void OnSpliceCommand();
  void ResizeForPicture(uint32_t width, uint32_t height);
  void ToggleFullScreen();

  // State, for the commands of later windows and for tests.
  PlayState GetPlayState() const { return m_nPlayState; }
  corvane::PlaybackGraph* Graph() const { return m_pGraph.get(); }
  const corvane::YUVPara& Para() const { return m_para; }
  const PlayerSettings& Settings() const { return m_settings; }
  bool IsFullScreenOn() const { return m_bFullScreen; }
  bool IsReverse() const { return m_bReverse; }
  uint64_t FrameInput() const { return m_nFrameInput; }
  uint32_t TotalFrames() const { return m_nTotalFrames; }
  QSize PictureBaseSize() const { return QSize(int(m_nPicWidth), int(m_nPicHeight)); }
  VideoWidget* Video() const { return m_video; }
  QAction* Action(int id) const { return m_actions.value(id); }
  controls::IconButton* Button(int id) const;
  controls::SeekSlider* Slider() const { return m_slider; }
  bool IsStatusTimerActive() const { return m_statusTimer.isActive(); }

  // Slider arithmetic, in 64 bits so that files of tens of millions of
  // frames do not wrap: the frame a slider position seeks, and the slider
  // position of a frame.
  static uint32_t FrameForSliderPos(int pos, uint32_t total);
  static int SliderPosForFrame(uint32_t frame, uint32_t total);
  // The typed frame number after one more keypad digit, saturating.
  static uint64_t AppendDigit(uint64_t input, int digit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // A new graph in m_pGraph (the old one deleted) whose engine notice
  // becomes a message box; `picture` null for a graph without a picture.
  void NewGraph(platform::VideoWindow* picture);
  // Closes the current file and opens path in a new graph for a tool's service;
  // on failure shows `failure` and leaves no graph.
  bool OpenGraphForTool(const QString& path, const QString& failure);
  // Applies m_para to the open graph and plays it (the open flow's last
  // steps); on failure the message, the file closed, false.
  bool ApplyParaAndRun();
  // The parameter dialog for the open graph; `guess`: preselect what the
  // file's name says when the file carries no record.
  std::unique_ptr<ParameterDialog> MakeParameterDialog(bool guess);

  void BuildMenu();
  void BuildClient();
  void InstallKeyFilter();
  void LayoutControls();
  // The window manager's frame round the window (title bar, borders).
  QMargins FrameMargins() const;
  int MenuBarHeight(int width) const;

  void OnPlay();
  void OnPause();
  void OnStop();
  void OnSpeedUp();
  void OnSpeedDown();
  void OnStepForward();
  void OnStepBackward();
  void OnGoToStart();
  void OnGoToEnd();
  void OnToggleReverse();
  void OnComponentView(int id);
  void SetZoom(int id);
  void OnRepeatToggled();
  void SeekBySlider(int pos);
  void OnFrameSizeNotice(uint32_t width, uint32_t height);
  void OnPictureMouseMove(QPoint clientPos);
  void HideCoordinateWindow();
  // The player's size is held while the coordinate window is shown, so that
  // the picture stays at 100 % and the readout stays on the frame's pixels.
  void HoldWindowSize(bool hold);
  void ShowStatus(const QString& status, const QString& counter);
  void SetChecked(int id, bool checked);
  // The zoom and component groups: one item checked in each. SyncViewChecks
  // sets both from the zoom in force and the graph's component view.
  void CheckZoom(int id);
  void CheckComponent(int id);
  void SyncViewChecks();
  bool IsEnabled(int id) const;
  bool HasFrames() const { return m_nPlayState == PlayState::Playing || m_nPlayState == PlayState::Paused; }

  // Widgets (owned by Qt's parent chain).
  VideoWidget* m_video = nullptr;
  QWidget* m_backdrop = nullptr;  // black under the picture area
  controls::SeekSlider* m_slider = nullptr;
  std::array<controls::IconButton*, 12> m_buttons{};  // ids 1001..1012
  QFrame* m_sepLine = nullptr;
  QFrame* m_sepFrame = nullptr;
  controls::ColorLabel* m_stStatus = nullptr;
  controls::ColorLabel* m_stCounter = nullptr;
  QHash<int, QAction*> m_actions;
  QTimer m_statusTimer;

  int m_nScreenWidth = 0;
  int m_nScreenHeight = 0;
  uint32_t m_nPicWidth = kIdleWidth;
  uint32_t m_nPicHeight = kIdleHeight;
  int m_zoomId = 0;         // the zoom item in force (its menu id)
  int m_nPictureInset = 0;  // client width beside a picture narrower than the control row
  bool m_bReverse = false;
  bool m_bFullScreen = false;
  QByteArray m_placement;  // geometry before full screen
  uint32_t m_nTotalFrames = 0;
  QString m_strFilePath;
  QString m_strGraphPath;  // the file open in m_pGraph (a tool's file is not m_strFilePath)
  bool m_bGraphHasRecord = false;  // that file carries a parameter record
  PlayState m_nPlayState = PlayState::NoFile;
  uint64_t m_nFrameInput = 0;  // saturates; see AppendDigit
  int m_nWheelDelta = 0;       // wheel angle not yet worth a notch
  std::unique_ptr<corvane::PlaybackGraph> m_pGraph;
  corvane::YUVPara m_para{};
  bool m_bReadOnly = false;     // the open file takes no trailer
  bool m_bParaForTool = false;  // the parameter dialog works for a tool
  PlayerSettings m_settings;

  // Still capture: the numbers of the next BMP and JPEG file (never reset
  // while the program runs), and the type and folder in force for the
  // capture being written.
  uint32_t m_nBmpCount = 0;
  uint32_t m_nJpegCount = 0;
  int32_t m_nCaptureType = 0;
  QString m_strCapturePath;

  CoordinateWindow* m_pCoordDlg = nullptr;  // a child window; made on first use
  bool m_bSizeHeld = false;
  QSize m_heldMinimum;  // the minimum size before the hold
};

}  // namespace ui
