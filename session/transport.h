// Transport: the open file's playback graph, the seeker and the play state
// (state, direction, repeat, the status line following the frame). It opens
// a file, applies its parameters, plays, pauses, stops, seeks and steps; the
// session around it decides what a command means and keeps how the picture
// is looked at (ViewState) and the comparison (CompareSession).
//
// Threads: one thread (the window's) calls everything. The slider's seeks
// and the steps run on the seeker, a platform::LatestWorker: a new seek
// replaces one not yet started, and each finished seek is announced through
// the seek handler (on the seeker, with the graph lock held: it must not
// call back). Tasks given to RunOnGraph run there too, in order, before a
// seek still pending. The graph's own threads reach the window through the
// VideoWindow and FrameSizeListener given at construction, and the engine's
// notice through the handler.
//
// Locks: GraphLock() serialises the calls that move the graph's reader and
// clock (open, play, pause, stop, steps, seeks, close) between the caller's
// thread and the seeker; it is taken before any engine lock. The methods
// named "with the graph lock held" expect the caller to hold it (the session
// holds it across a whole command); the others take it themselves. The
// seeker's own lock is a leaf.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "engine/playback_graph.h"
#include "formats/frame_locator.h"
#include "formats/video_file.h"
#include "formats/yuv_format.h"
#include "platform/latest_worker.h"
#include "session/commands.h"
#include "session/open_problem.h"
#include "session/view_state.h"

namespace session {

// What the status line says of a frame: its segment's parameters.
struct FrameFacts {
  uint32_t format = 0;  // the format code
  uint32_t width = 0, height = 0;
  uint32_t interval = 0;  // ms a frame (0 stored means the default)
  uint32_t segment = 1;   // 1-based, of `segments` (1 in a plain file)
  uint32_t segments = 1;
  corvane::Ratio rate;    // the rate the file states exactly (a Y4M header's); 0:0 for a raw file
  corvane::Interlacing interlacing = corvane::Interlacing::kProgressive;
  // A coded file's: its codec, what the stream says of this frame, the
  // transfer ("PQ", "HLG") when given, the decoder's format when frames are
  // converted from it, and whether the decoder failed on this frame.
  std::string codec;  // empty: not a coded file
  corvane::PictureType type = corvane::PictureType::kUnknown;
  bool key = false;
  uint32_t bytes = 0;
  std::string transfer;
  std::string convertedFrom;
  bool decodeFailed = false;
  // Playing, frames come later than the speed asks for (the rate is held).
  bool behind = false;
  friend bool operator==(const FrameFacts&, const FrameFacts&) = default;
};
// The coded file's own facts (codec, transfer, conversion) and frame n's
// (type, key, bytes) into `facts`; nothing for a file that is not coded.
void AddCodedFacts(const corvane::StreamFacts* stream, std::optional<corvane::CodedFrame> frame, FrameFacts& facts);

enum class OpenOutcome { kPlaying, kNeedsParameters, kFailed };
enum class OpenFailure { kNone, kCannotOpen, kCannotPlay, kTooShort };
struct OpenResult {
  OpenOutcome outcome = OpenOutcome::kFailed;
  OpenFailure failure = OpenFailure::kNone;
  OpenProblem problem{};  // kCannotOpen, kCannotPlay: why, as far as the file says
};

class Transport {
 public:
  // Neither is owned; both outlive the transport.
  Transport(platform::VideoWindow* picture, platform::FrameSizeListener* sizes);
  ~Transport();  // the seeker ends, then the graph's threads
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  void SetNoticeHandler(std::function<void(corvane::Notice)> handler) { m_notice = std::move(handler); }
  void SetSeekHandler(std::function<void(uint32_t frame, int32_t result)> handler) { m_seekDone = std::move(handler); }

  std::mutex& GraphLock() { return m_graphLock; }

  corvane::PlaybackGraph* Graph() const { return m_graph.get(); }
  const std::string& Path() const { return m_path; }
  const corvane::YUVPara& Para() const { return m_para; }
  bool IsReadOnly() const { return m_readOnly; }
  bool HasRecord() const { return m_hasRecord; }
  // The open file's header fixes its parameters (a Y4M file).
  bool ParametersFixed() const { return m_fixed; }
  PlayState State() const { return m_state; }
  uint32_t Total() const { return m_total; }
  bool Reverse() const { return m_reverse; }
  bool Repeat() const { return m_repeat; }
  bool StatusTicking() const { return m_statusTicking; }
  // Moves on with every Stop (a file closed stops too).
  uint64_t Stops() const { return m_stops; }

  // ---- With the graph lock held ----
  // Closes what is open and opens `path` with a new graph, its record (if
  // any) as the parameters; false when it cannot be opened or read.
  bool OpenGraph(const std::string& path) { return OpenGraph(path, nullptr); }
  // The same with a file the caller opened (the graph owns it from now on).
  bool OpenGraph(const std::string& path, std::unique_ptr<corvane::VideoFile> file);
  // How coded files are opened here (their cache bound); no progress: a
  // caller that must show one opens the file itself.
  void SetDecodeOptions(const corvane::DecodeOptions& decode) { m_decode = decode; }
  const corvane::DecodeOptions& Decode() const { return m_decode; }
  // The parameters to play with (the dialog's, the defaults).
  void SetPara(const corvane::YUVPara& para) { m_para = para; }
  // Applies the parameters and plays, the picture looked at as `look` says;
  // parameters the engine refuses, or no whole frame, close the file.
  OpenResult ApplyAndRun(const ViewState& look);
  // The graph opened for the parameter dialog, closed again.
  void CancelOpen();
  void Play();
  void Pause();
  void Stop();
  void SetRepeatLocked(bool on);
  bool ToggleReverse();
  bool GoToFrameLocked(uint64_t n);
  // Stops and closes the graph: no file.
  void CloseLocked();
  // The frame size the engine now plays (a spliced file's next segment).
  void TakeFrameSize(uint32_t width, uint32_t height);

  void SetRepeat(bool on);
  // Format, size, interval, segment, and a header's exact rate and
  // interlacing, of frame `n` (1-based) of the open file; none without a
  // file or for a frame it does not have.
  std::optional<FrameFacts> FactsOf(uint32_t n) const;

  // ---- The seeker ----
  // Asks the seeker for frame `n`; it replaces a seek not yet started.
  void RequestSeek(uint32_t n);
  // A seek not yet started is dropped, and the one running does not present
  // (a command of the reader or the clock comes after the slider's seeks):
  // its drawing, or the clock's, is cut short.
  void DropPendingSeek();
  // Pauses and asks the seeker for the frame `delta` away from the last one
  // asked for (or the one on screen).
  bool Step(int delta);
  void RunOnGraph(std::function<void(corvane::PlaybackGraph* graph)> task);
  bool WaitForSeeks(std::chrono::milliseconds timeout);
  // Ends the seeker (a seek running finishes first); nothing runs on it after.
  void StopSeeker() { m_seeker.Stop(); }

 private:
  void SeekNow(uint32_t n, uint64_t ticket);  // on the seeker

  platform::VideoWindow* const m_picture;
  platform::FrameSizeListener* const m_sizes;
  std::function<void(corvane::Notice)> m_notice;
  std::function<void(uint32_t, int32_t)> m_seekDone;

  std::unique_ptr<corvane::PlaybackGraph> m_graph;
  std::string m_path;  // the file open in m_graph
  corvane::DecodeOptions m_decode;
  corvane::YUVPara m_para{};
  bool m_readOnly = false;
  bool m_hasRecord = false;
  bool m_fixed = false;
  PlayState m_state = PlayState::NoFile;
  uint32_t m_total = 0;
  bool m_reverse = false;
  bool m_repeat = false;
  bool m_statusTicking = false;  // the status line follows the frame (from open or play until stop)
  uint64_t m_stops = 0;
  std::optional<corvane::FileFrames> m_segments;  // a spliced file's segments, as the reader plays them

  std::mutex m_graphLock;  // see Locks above; the caller's thread alone replaces m_graph
  platform::LatestWorker<uint32_t> m_seeker;  // last: it starts once everything above exists
};

}  // namespace session
