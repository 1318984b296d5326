// PlayerSession: the player without its window. It owns the playback graph of
// the open file and the play state around it (state, direction, repeat,
// zoom, component view, the frame number being typed), decides how a file
// gets its parameters, and runs the play commands. The window shows View()
// and asks the session what a command does; tests drive it with the engine's
// offscreen window and no widgets at all.
//
// Threads: one thread (the window's) calls everything. Seeks asked for by
// the slider and the steps run on the session's seeker thread, so that the caller never
// waits for a frame to be read and drawn: a new request replaces one not yet
// started, and each finished seek is announced through the seek handler (on
// the seeker thread, with m_graphLock held: it must not call back). The graph's own threads reach the window through the
// VideoWindow and FrameSizeListener given at construction, and the engine's
// notice through the handler.
//
// Locks: m_graphLock serialises the calls that move the graph's reader and
// clock (open, play, pause, stop, steps, seeks, close) between the caller's
// thread and the seeker; it is taken before any engine lock. m_seekLock is a
// leaf guarding the pending request.
#pragma once

#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <string_view>

#include "engine/playback_graph.h"
#include "engine/view_transform.h"
#include "formats/frame_locator.h"
#include "formats/name_guess.h"
#include "formats/yuv_format.h"
#include "session/commands.h"
#include "session/open_problem.h"
#include "session/quality_track.h"
#include "session/reference_view.h"

namespace session {

enum class Zoom : int { k50 = 0, k100 = 1, k200 = 2 };

// How the picture fills its area; the values are the stored setting's
// (0 the whole area, 1 16:9, 2 4:3, 3 5:4, 4 the frame's own ratio).
enum class AspectMode : int { kFill = 0, k16x9 = 1, k4x3 = 2, k5x4 = 3, kSource = 4 };
// A stored value as a mode: anything unknown fills the area, as the options
// sheet shows it.
inline AspectMode AspectModeOf(int32_t stored) {
  return stored >= 1 && stored <= 4 ? AspectMode(stored) : AspectMode::kFill;
}

// How the open file (A) and a second file (B) share the picture area.
enum class CompareView : int { kA = 0, kB = 1, kSide = 2, kWipe = 3, kDiff = 4 };
// The command line's names: "a", "b", "side", "wipe", "diff".
std::optional<CompareView> CompareViewForName(std::string_view name);

// Sizes a user may type for a custom frame size, and that stored defaults
// must keep to.
inline constexpr uint32_t kMaxCustomWidth = 10000;
inline constexpr uint32_t kMaxCustomHeight = 5000;
inline bool IsValidCustomSize(uint32_t width, uint32_t height) {
  return width >= 1 && width <= kMaxCustomWidth && height >= 1 && height <= kMaxCustomHeight;
}

// The stored default parameters (the settings' "use defaults" and values).
struct DefaultParameters {
  bool use = false;
  uint32_t width = 352, height = 288;
  uint32_t format = corvane::fmt::YV12;
};

// What the parameter dialog starts from for a file without a record, the same
// on every road (open, cut, splice): what its name says (`guess`), over the
// stored default parameters (a valid size only), over the lists' defaults.
corvane::YUVPara OfferForNewFile(const std::string& path, const DefaultParameters& defaults,
                                 std::optional<corvane::NameGuess>* guess);

// Everything the window shows, as plain data.
struct PlayerView {
  PlayState state = PlayState::NoFile;
  uint32_t frame = 0;  // the frame on screen (1-based; 0 without one)
  uint32_t total = 0;  // frames of the open file
  float speed = 1.0f;
  bool reverse = false;
  bool repeat = false;
  int component = 0;  // 0 the whole picture, 1 Y, 2 U, 3 V
  Zoom zoom = Zoom::k100;
  bool fullScreen = false;
  bool coordinates = false;   // the coordinate window shows
  bool statusTicking = false; // the status line follows the frame (from open or play until stop)
  uint64_t typed = 0;         // the frame number typed so far
  uint32_t pictureWidth = 352, pictureHeight = 288;  // the frame size zoom is based on
  corvane::ColourSpace colour;  // how the display reads YUV
  corvane::PictureView view;  // the free zoom and pan inside the picture area
  bool reference = false;     // a second file is compared with the open one
  CompareView compareView = CompareView::kA;
  int diffGain = 1;           // the difference view's amplification: 1, 4 or 16
  bool graphSsim = false;     // the quality graph measures and shows SSIM
};

// What the status line says of a frame: its segment's parameters.
struct FrameFacts {
  uint32_t format = 0;  // the format code
  uint32_t width = 0, height = 0;
  uint32_t interval = 0;  // ms a frame (0 stored means the default)
  uint32_t segment = 1;   // 1-based, of `segments` (1 in a plain file)
  uint32_t segments = 1;
  friend bool operator==(const FrameFacts&, const FrameFacts&) = default;
};

enum class OpenOutcome { kPlaying, kNeedsParameters, kFailed };
enum class OpenFailure { kNone, kCannotOpen, kCannotPlay, kTooShort };
struct OpenResult {
  OpenOutcome outcome = OpenOutcome::kFailed;
  OpenFailure failure = OpenFailure::kNone;
  OpenProblem problem{};  // kCannotOpen, kCannotPlay: why, as far as the file says
};

// Opening the second file: opened (its metrics may still be refused, see
// MetricsStatus), its parameters needed (no record, no usable defaults), or
// failed with an errno value (EINVAL: its parameters give no whole frame).
enum class ReferenceOutcome { kOpened, kNeedsParameters, kFailed };
struct ReferenceResult {
  ReferenceOutcome outcome = ReferenceOutcome::kFailed;
  int error = 0;
};

class PlayerSession {
 public:
  static constexpr uint32_t kIdleWidth = 352;
  static constexpr uint32_t kIdleHeight = 288;
  static constexpr int kSliderMax = 200;

  // Neither is owned; both outlive the session. `sizes` hears of frames of a
  // new size (a spliced file's next segment).
  PlayerSession(platform::VideoWindow* picture, platform::FrameSizeListener* sizes);
  ~PlayerSession();
  PlayerSession(const PlayerSession&) = delete;
  PlayerSession& operator=(const PlayerSession&) = delete;

  // Where the engine's notice goes (any thread; the handler marshals).
  void SetNoticeHandler(std::function<void(corvane::Notice)> handler) { m_notice = std::move(handler); }
  // Told after each seek the seeker ran, with the frame asked for and the
  // engine's result (on the seeker thread; the handler marshals). Set before
  // the first seek.
  void SetSeekHandler(std::function<void(uint32_t frame, int32_t result)> handler) { m_seekDone = std::move(handler); }

  // ---- Commands ----
  // Whether a rule (when::*) holds now, in a window with `window`'s facts.
  bool Allows(uint32_t rule, WindowFacts window = {}) const;
  // A command's menu item (whose rules ask nothing of the window) and its key.
  bool CanRun(Command c) const { return Allows(RowOf(c).menu); }
  bool CanRunKey(Command c, WindowFacts window) const { return Allows(RowOf(c).key, window); }
  // Runs `c` if it is the session's (its row's owner); false when it did nothing to the state
  // or the engine (refused, or not a session command).
  bool Execute(Command c);
  PlayerView View() const;
  // The parts of the view that ask the engine nothing (View() reads the
  // frame on screen under the renderer's lock): for paths that run often,
  // such as every pointer move or resize.
  PlayState State() const { return m_state; }
  bool IsFullScreen() const { return m_fullScreen; }
  uint32_t PictureWidth() const { return m_pictureWidth; }
  uint32_t PictureHeight() const { return m_pictureHeight; }

  // What the window tells the session: full screen is in the view; with the
  // coordinate window showing the zoom stays at 100 % (a stop closes it).
  void SetFullScreen(bool on) { m_fullScreen = on; }
  void SetCoordinatesShown(bool on) { m_coordinates = on; }
  // The zoom goes back to 100 % (a new frame size, the coordinate window).
  void ResetZoom() { m_zoom = Zoom::k100; }
  void SetRepeat(bool on);

  // ---- Opening ----
  // Opens `path`: with its record, else with the defaults when they are on
  // and valid, it plays; otherwise the graph stays open for the parameter
  // dialog (kNeedsParameters) and PlayWith or CancelOpen follows.
  OpenResult Open(const std::string& path, const DefaultParameters& defaults);
  OpenResult PlayWith(const corvane::YUVPara& para);
  void CancelOpen();
  // The same file again with other parameters (the menu's parameter
  // settings); refuses a spliced file (false) before anything changes.
  bool CanSetParameters() const;
  OpenResult Reopen(const corvane::YUVPara& para);
  // What the parameter dialog starts from for the file open now: its own
  // parameters, or for a file without a record the name's guess over the
  // defaults (valid ones), the same on every road.
  corvane::YUVPara ParametersToOffer(const DefaultParameters& defaults, std::optional<corvane::NameGuess>* guess) const;
  // Any state to NoFile.
  void Close();

  // ---- Numbers ----
  static uint32_t FrameForSliderPos(int pos, uint32_t total);
  static int SliderPosForFrame(uint32_t frame, uint32_t total);
  static uint64_t AppendDigit(uint64_t input, int digit);
  // A new frame size from the engine: the base of zoom follows, zoom to 100 %.
  void OnFrameSizeChanged(uint32_t width, uint32_t height);
  // The slider at `pos`: a seek there, run on the seeker thread; it replaces
  // a seek asked for before that has not started yet. Returns at once.
  void SeekToSlider(int pos);
  // Asks the seeker for frame `n` (merged as above).
  void RequestSeek(uint32_t n);
  // Runs `task` on the seeker thread with the graph of the file open then
  // (null without one) and m_graphLock held, before any seek still pending:
  // work on the frame on screen (a still) that should not hold up the caller.
  void RunOnGraph(std::function<void(corvane::PlaybackGraph* graph)> task);
  // Waits until the seeker has nothing left to do; false on timeout.
  bool WaitForSeeks(std::chrono::milliseconds timeout);

  // ---- The free zoom and pan inside the picture area ----
  // The area is the picture widget, w × h; points are in its coordinates.
  // Each changes the view only with a picture on screen (playing or paused)
  // and returns whether it did; a paused picture is drawn again at once.
  const corvane::PictureView& CurrentView() const { return m_view; }
  corvane::ViewMapping MapView(int areaW, int areaH) const;
  // `steps` zoom steps in (> 0) or out around the point (x, y).
  bool ZoomAt(int steps, int x, int y, int areaW, int areaH);
  // Moves the picture by (dx, dy) screen pixels, as a drag does.
  bool PanBy(int dx, int dy, int areaW, int areaH);
  // Back to the whole picture (the 50/100/200 % commands, a new file or frame size).
  void ResetView();
  // The frame pixel shown at (x, y) of the area, through the view.
  std::optional<corvane::PixelPos> FramePixelAt(int x, int y, int areaW, int areaH) const;
  // Format, size, interval and segment of frame `n` (1-based) of the open
  // file; none without a file or for a frame it does not have.
  std::optional<FrameFacts> FactsOf(uint32_t n) const;
  // Seeks to frame `n` (1-based, as the typed number): false when refused
  // (no file, stopped, no such frame).
  bool GoToFrame(uint64_t n);

  // ---- Comparing with a second file, the reference (B) ----
  // B's pane of the picture area; set once, before the first OpenReference.
  void SetReferencePane(platform::VideoWindow* pane) { m_referencePane = pane; }
  // Opens B beside the open file: with its record, else `chosen` (the
  // parameter dialog's), else the defaults when on and valid. B then follows
  // the open file's frame number, and its quality is measured from frame 1.
  // Another file opened, or this one closed, closes B too.
  ReferenceResult OpenReference(const std::string& path, const DefaultParameters& defaults,
                                const corvane::YUVPara* chosen = nullptr);
  void CloseReference();
  bool HasReference() const { return m_reference != nullptr; }
  const std::string& ReferencePath() const { return m_referenceSide.path; }
  ReferenceView* Reference() const { return m_reference.get(); }
  // Why the metrics (and the difference view) were refused; Ok when taken.
  const corvane::analysis::CompareStatus& MetricsStatus() const { return m_metrics; }
  const QualityTrack& Track() const { return m_track; }
  // Both pictures drawn again (the panes changed place or size).
  void RefreshPictures();
  // B's samples at (x, y) of the frame it shows (SamplesAt).
  bool ReferenceSamplesAt(uint32_t x, uint32_t y, int v[3]) const;

  // ---- For the window ----
  corvane::PlaybackGraph* Graph() const { return m_graph.get(); }
  const corvane::YUVPara& Para() const { return m_para; }
  const std::string& Path() const { return m_path; }
  bool IsReadOnly() const { return m_readOnly; }
  bool HasRecord() const { return m_hasRecord; }
  void SetAspectMode(AspectMode mode);
  // The matrix and range YUV is read with, kept for every file opened later
  // and shown at once (a paused picture too).
  void SetColourSpace(corvane::ColourSpace colour);

 private:
  void ApplyColourSpace();  // under m_graphLock
  // Comparison, under m_graphLock.
  bool ExecuteCompare(Command c);
  ReferenceResult AttachReference(const CompareSide& b);
  void CloseReferenceLocked();
  void SetCompareViewLocked(CompareView view);
  void ApplyReferenceViewLocked();  // m_view to B's display
  corvane::analysis::CompareInput SideOfOpenFile() const;
  bool OpenGraph(const std::string& path);
  OpenResult ApplyAndRun();
  void Play();
  void Pause();
  void Stop();
  // With m_graphLock held.
  void CloseLocked();
  void SetRepeatLocked(bool on);
  void SeekerLoop(std::stop_token stop);
  void DropPendingSeek();
  void SeekDone();
  // With m_graphLock held: the view to the graph, drawn again when paused.
  bool GoToFrameLocked(uint64_t n);
  void ApplyViewLocked(const corvane::PictureView& view);
  platform::Rect PictureRect(int areaW, int areaH) const;
  // Pauses and asks the seeker for the frame `delta` away from the last one
  // asked for (or the one on screen).
  bool Step(int delta);

  platform::VideoWindow* const m_picture;
  platform::FrameSizeListener* const m_sizes;
  std::function<void(corvane::Notice)> m_notice;

  std::unique_ptr<corvane::PlaybackGraph> m_graph;
  std::string m_path;  // the file open in m_graph
  corvane::YUVPara m_para{};
  bool m_readOnly = false;
  bool m_hasRecord = false;
  PlayState m_state = PlayState::NoFile;
  uint32_t m_total = 0;
  bool m_reverse = false;
  bool m_repeat = false;
  Zoom m_zoom = Zoom::k100;
  corvane::PictureView m_view;
  std::optional<corvane::FileFrames> m_segments;  // a spliced file's segments, as the reader plays them
  AspectMode m_aspect = AspectMode::kSource;
  corvane::ColourSpace m_colour;
  bool m_fullScreen = false;
  bool m_coordinates = false;
  bool m_statusTicking = false;
  uint64_t m_typed = 0;  // saturates; see AppendDigit
  uint32_t m_pictureWidth = kIdleWidth;
  uint32_t m_pictureHeight = kIdleHeight;

  platform::VideoWindow* m_referencePane = nullptr;
  std::unique_ptr<ReferenceView> m_reference;  // B, with m_referenceSide its file
  CompareSide m_referenceSide;
  CompareView m_compareView = CompareView::kA;
  int m_diffGain = 1;
  bool m_graphSsim = false;
  QualityTrack m_track;
  corvane::analysis::CompareStatus m_metrics;

  std::mutex m_graphLock;  // see Locks above; the caller's thread alone replaces m_graph
  std::function<void(uint32_t, int32_t)> m_seekDone;
  std::mutex m_seekLock;                 // guards m_pendingSeek
  std::condition_variable_any m_seekWake;
  std::optional<uint32_t> m_pendingSeek;  // guarded by m_seekLock
  std::deque<std::function<void(corvane::PlaybackGraph*)>> m_tasks;  // guarded by m_seekLock
  uint64_t m_seekGeneration = 0;          // guarded by m_seekLock; moves on with every request and drop
  uint32_t m_lastSeek = 0;                // guarded by m_seekLock: the last frame asked for
  bool m_seekBusy = false;                // guarded by m_seekLock: a seek is pending or running
  bool m_seekRunning = false;             // guarded by m_seekLock: the seeker has taken one
  std::condition_variable_any m_seekIdle;
  std::jthread m_seeker;                  // last: it starts once everything above exists
};

}  // namespace session
