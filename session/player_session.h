// PlayerSession: the player without its window, as the window sees it. It
// owns the parts and runs the commands across them: the Transport (the open
// file's graph, the seeker, the play state; it owns the graph lock), a
// ViewState (zoom, pan, aspect, colour space, the picture size) and a
// CompareSession (the reference B, the quality track, the compare view and
// gain); and the frame number being typed. It decides how a file gets its
// parameters. The window shows View() and asks the session what a command
// does; tests drive it with the engine's offscreen window and no widgets.
//
// Threads: one thread (the window's) calls everything; the seeker's work
// (the slider's seeks, the steps, RunOnGraph) is the transport's (see
// transport.h), and so are the locks.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/playback_graph.h"
#include "engine/view_transform.h"
#include "formats/name_guess.h"
#include "formats/yuv_format.h"
#include "session/commands.h"
#include "session/compare_session.h"
#include "session/open_problem.h"
#include "session/quality_track.h"
#include "session/reference_view.h"
#include "session/transport.h"
#include "session/view_state.h"

namespace session {

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
  bool fullScreen = false;    // the window's facts, as View() was given them
  bool coordinates = false;   // the coordinate window shows
  bool statusTicking = false; // the status line follows the frame (from open or play until stop)
  uint64_t typed = 0;         // the frame number typed so far
  uint32_t pictureWidth = 352, pictureHeight = 288;  // the frame size zoom is based on
  corvane::ColourSpace colour;        // how the display reads YUV now (a file's own range included)
  corvane::ColourSpace chosenColour;  // the user's choice, which the settings keep
  corvane::PictureView view;  // the free zoom and pan inside the picture area
  bool reference = false;     // a second file is compared with the open one
  CompareView compareView = CompareView::kA;
  int diffGain = 1;           // the difference view's amplification: 1, 4 or 16
  bool graphSsim = false;     // the quality graph measures and shows SSIM
  int32_t offset = 0;         // B's frame n + offset is paired with A's frame n
  std::optional<corvane::analysis::Region> region;  // the figures' region; none: the whole frames
};

class PlayerSession {
 public:
  static constexpr uint32_t kIdleWidth = ViewState::kIdleWidth;
  static constexpr uint32_t kIdleHeight = ViewState::kIdleHeight;
  static constexpr int kSliderMax = 200;

  // Neither is owned; both outlive the session. `sizes` hears of frames of a
  // new size (a spliced file's next segment).
  PlayerSession(platform::VideoWindow* picture, platform::FrameSizeListener* sizes);
  ~PlayerSession();
  PlayerSession(const PlayerSession&) = delete;
  PlayerSession& operator=(const PlayerSession&) = delete;

  // Where the engine's notice goes (any thread; the handler marshals).
  void SetNoticeHandler(std::function<void(corvane::Notice)> handler) { m_transport.SetNoticeHandler(std::move(handler)); }
  // Told after each seek the seeker ran, with the frame asked for and the
  // engine's result (on the seeker thread; the handler marshals). Set before
  // the first seek.
  void SetSeekHandler(std::function<void(uint32_t frame, int32_t result)> handler) {
    m_transport.SetSeekHandler(std::move(handler));
  }

  // ---- Commands ----
  // Whether a rule (when::*) holds now, in a window with `window`'s facts
  // (none given: no full screen, no coordinate window).
  bool Allows(uint32_t rule, WindowFacts window = {}) const;
  // A command's menu item and its key.
  bool CanRun(Command c, WindowFacts window = {}) const { return Allows(RowOf(c).menu, window); }
  bool CanRunKey(Command c, WindowFacts window = {}) const { return Allows(RowOf(c).key, window); }
  // Runs `c` if it is the session's (its row's owner); false when it did
  // nothing to the state or the engine (refused, or not a session command).
  // (The zoom commands are refused while the coordinate window shows.)
  bool Execute(Command c, WindowFacts window = {});
  // `window`'s facts are copied into the view as given.
  PlayerView View(WindowFacts window = {}) const;
  // The parts of the view that ask the engine nothing (View() reads the
  // frame on screen under the renderer's lock): for paths that run often,
  // such as every pointer move or resize.
  PlayState State() const { return m_transport.State(); }
  // How many times playing has stopped (a stop, a file closed or replaced):
  // the coordinate window closes with each.
  uint64_t Stops() const { return m_transport.Stops(); }
  uint32_t PictureWidth() const { return m_look.pictureWidth; }
  uint32_t PictureHeight() const { return m_look.pictureHeight; }

  // The zoom goes back to 100 % (a new frame size, the coordinate window).
  void ResetZoom() { m_look.zoom = Zoom::k100; }
  void SetRepeat(bool on) { m_transport.SetRepeat(on); }

  // ---- Opening ----
  // Opens `path`: with its record, else with the defaults when they are on
  // and valid, it plays; otherwise the graph stays open for the parameter
  // dialog (kNeedsParameters) and PlayWith or CancelOpen follows.
  OpenResult Open(const std::string& path, const DefaultParameters& defaults);
  // The same with `path`'s file opened by the caller (a coded file's index
  // built on a thread of the window's, under a progress dialog); the session
  // owns it from now on.
  OpenResult Open(const std::string& path, const DefaultParameters& defaults, std::unique_ptr<corvane::VideoFile> file);
  // How coded files are opened from now on: at most `cacheBytes` of decoded
  // frames each (backward play and steps).
  void SetDecodeCache(uint64_t cacheBytes);
  corvane::DecodeOptions Decode() const { return m_transport.Decode(); }
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
  void RequestSeek(uint32_t n) { m_transport.RequestSeek(n); }
  // Runs `task` on the seeker thread with the graph of the file open then
  // (null without one) and the graph lock held, before any seek still pending:
  // work on the frame on screen (a still) that should not hold up the caller.
  void RunOnGraph(std::function<void(corvane::PlaybackGraph* graph)> task) { m_transport.RunOnGraph(std::move(task)); }
  // Waits until the seeker has nothing left to do; false on timeout.
  bool WaitForSeeks(std::chrono::milliseconds timeout) { return m_transport.WaitForSeeks(timeout); }

  // ---- The free zoom and pan inside the picture area ----
  // The area is the picture widget, w × h; points are in its coordinates.
  // Each changes the view only with a picture on screen (playing or paused)
  // and returns whether it did; a paused picture is drawn again at once.
  const corvane::PictureView& CurrentView() const { return m_look.view; }
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
  std::optional<FrameFacts> FactsOf(uint32_t n) const { return m_transport.FactsOf(n); }
  // Seeks to frame `n` (1-based, as the typed number): false when refused
  // (no file, stopped, no such frame).
  bool GoToFrame(uint64_t n);

  // ---- Comparing with a second file, the reference (B) ----
  // B's pane of the picture area; set once, before the first OpenReference.
  void SetReferencePane(platform::VideoWindow* pane) { m_compare.SetPane(pane); }
  // B's parameters asked of the user (the parameter dialog): none when
  // declined. Called on the caller's thread, with no lock held, at most once.
  using AskParameters = std::function<std::optional<corvane::YUVPara>()>;
  // Opens B beside the open file, opening B's file once: with its record,
  // else the defaults when on and valid, else what `ask` gives (none given,
  // or declined: kNeedsParameters). B then follows the open file's frame
  // number, and its quality is measured from frame 1. Another file opened,
  // or this one closed, closes B too.
  ReferenceResult OpenReference(const std::string& path, const DefaultParameters& defaults,
                                const AskParameters& ask = {});
  // The same with parameters chosen already, for a file without a record.
  ReferenceResult OpenReference(const std::string& path, const DefaultParameters& defaults,
                                const corvane::YUVPara* chosen);
  // The same with B's file opened by the caller.
  ReferenceResult OpenReference(std::unique_ptr<corvane::VideoFile> file, const DefaultParameters& defaults,
                                const AskParameters& ask);
  void CloseReference();
  // The region of the frames the figures are measured over (none: the whole
  // frames), in A's frame pixels; false when refused (no B, outside the
  // frames, splitting chroma samples, too small for the figures).
  bool SetCompareRegion(std::optional<corvane::analysis::Region> region);
  bool HasReference() const { return m_compare.Has(); }
  const std::string& ReferencePath() const { return m_compare.Side().path; }
  ReferenceView* Reference() const { return m_compare.Reference(); }
  // Why the metrics (and the difference view) were refused; Ok when taken.
  const corvane::analysis::CompareStatus& MetricsStatus() const { return m_compare.MetricsStatus(); }
  const QualityTrack& Track() const { return m_compare.Track(); }
  // What the stream says of each frame (frame n at n - 1) of A when A is a
  // coded file, else of B when B is one, for the quality graph's bits
  // track; `side` says whose ('A', 'B'; 0 and no frames when neither is).
  struct CodedFrames {
    char side = 0;
    std::vector<corvane::CodedFrame> frames;
  };
  CodedFrames CodedFramesOfPair() const;
  // Both pictures drawn again (the panes changed place or size).
  void RefreshPictures();
  // B's samples at (x, y) of the frame it shows (SamplesAt).
  bool ReferenceSamplesAt(uint32_t x, uint32_t y, int v[3]) const { return m_compare.SamplesAt(x, y, v); }

  // ---- For the window ----
  corvane::PlaybackGraph* Graph() const { return m_transport.Graph(); }
  const corvane::YUVPara& Para() const { return m_transport.Para(); }
  const std::string& Path() const { return m_transport.Path(); }
  bool IsReadOnly() const { return m_transport.IsReadOnly(); }
  bool HasRecord() const { return m_transport.HasRecord(); }
  // The open file's header fixes its parameters (a Y4M file): the parameter
  // dialog shows them and changes nothing.
  bool ParametersFixed() const { return m_transport.ParametersFixed(); }
  void SetAspectMode(AspectMode mode);
  // The matrix and range YUV is read with, kept for every file opened later
  // and shown at once (a paused picture too).
  void SetColourSpace(corvane::ColourSpace colour);

 private:
  // B's parameters from its record, else `chosen`, else the defaults, else `ask`.
  ReferenceResult OpenReference(const std::string& path, const DefaultParameters& defaults,
                                const corvane::YUVPara* chosen, const AskParameters& ask);
  ReferenceResult OpenReference(std::unique_ptr<corvane::VideoFile> file, const DefaultParameters& defaults,
                                const corvane::YUVPara* chosen, const AskParameters& ask);
  // The parts below run under the transport's graph lock.
  void ApplyColourSpace();
  void ApplyViewLocked(const corvane::PictureView& view);  // drawn again when paused
  ReferenceResult AttachReference(std::unique_ptr<corvane::VideoFile> file, const CompareSide& b);
  CompareSide SideOfOpenFile() const;
  OpenResult ApplyAndRun();
  void CloseLocked();  // B, then the file
  void ForgetFile();   // what the session keeps of a file, once it is closed
  void TakeFileRange();  // the range and matrix the open file's header or stream names, if any
  bool GoToFrameLocked(uint64_t n);

  Transport m_transport;
  ViewState m_look;
  CompareSession m_compare;
  uint64_t m_typed = 0;  // saturates; see AppendDigit
};

}  // namespace session
