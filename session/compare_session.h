// CompareSession: the session's side of comparing the open file (A) with a
// second file (B, the reference): B's view on its own pane, the quality
// track, which of the pictures shows (the compare view) and the difference
// view's gain. B follows A's frames through A's renderer's presented
// callback and A's display settings through the setters.
//
// Threads: the session's thread calls everything, with the transport's
// graph lock held where a method says so (B's view is attached to and
// detached from A's renderer under it). The reference view and the quality
// track have their own workers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "analysis/compare.h"
#include "engine/playback_graph.h"
#include "formats/video_file.h"
#include "session/commands.h"
#include "session/quality_track.h"
#include "session/reference_view.h"
#include "session/view_state.h"

namespace session {

// How the open file (A) and a second file (B) share the picture area.
enum class CompareView : int { kA = 0, kB = 1, kSide = 2, kWipe = 3, kDiff = 4 };
// The command line's names: "a", "b", "side", "wipe", "diff".
std::optional<CompareView> CompareViewForName(std::string_view name);

// Opening the second file: opened (its metrics may still be refused, see
// MetricsStatus), its parameters needed (no record, no usable defaults, none
// given), or failed with an errno value (EINVAL: its parameters give no
// whole frame).
enum class ReferenceOutcome { kOpened, kNeedsParameters, kFailed };
struct ReferenceResult {
  ReferenceOutcome outcome = ReferenceOutcome::kFailed;
  int error = 0;
};

class CompareSession {
 public:
  CompareSession() = default;
  CompareSession(const CompareSession&) = delete;
  CompareSession& operator=(const CompareSession&) = delete;

  // B's pane of the picture area; set once, before the first Attach.
  void SetPane(platform::VideoWindow* pane) { m_pane = pane; }
  // How A's file is opened again for B's view and the track when it is coded.
  void SetDecodeOptions(const corvane::DecodeOptions& decode) { m_decode = decode; }
  bool HasPane() const { return m_pane != nullptr; }

  bool Has() const { return m_reference != nullptr; }
  const CompareSide& Side() const { return m_side; }
  ReferenceView* Reference() const { return m_reference.get(); }
  const corvane::analysis::CompareStatus& MetricsStatus() const { return m_metrics; }
  const QualityTrack& Track() const { return m_track; }
  CompareView View() const { return m_view; }
  int DiffGain() const { return m_diffGain; }
  bool GraphSsim() const { return m_graphSsim; }
  // B's frame n + Offset() is paired with A's frame n, on B's pane and in
  // the figures; the figures are measured over Region() only, when set.
  int32_t Offset() const { return m_offset; }
  const std::optional<corvane::analysis::Region>& Region() const { return m_region; }

  // ---- With the graph lock held ----
  // Closes B if open, then shows B (`file`, open already, read with `b`'s
  // parameters, which it takes here) beside A (`a`, the file `graph`
  // plays): B takes A's display
  // settings and `look`, its quality is measured from frame 1, and from now
  // on it shows each frame A presents.
  ReferenceResult Attach(std::unique_ptr<corvane::VideoFile> file, const CompareSide& b, const CompareSide& a,
                         corvane::PlaybackGraph& graph, const ViewState& look);
  // B detached from `graph` (null: A is gone already) and closed; A alone.
  void Close(corvane::PlaybackGraph* graph);
  // The view shown (the difference only with metrics; else side by side).
  void SetView(CompareView view);
  // Zoom and pan of `look` to B, when B's frames are A's size.
  void ApplyLook(const ViewState& look);
  void SetAspectMode(AspectMode mode);
  void SetColourSpace(corvane::ColourSpace colour);
  void SetComponentMode(uint32_t mode);
  // The region the figures are measured over (none: the whole frames),
  // measured again from the start; false, and nothing changes, when B is
  // not open or the region does not fit A's frames (inside them, on whole
  // chroma samples: analysis::FitRegion). `openFile` as for Execute.
  bool SetRegion(std::optional<corvane::analysis::Region> region, const std::function<CompareSide()>& openFile);
  // The comparison's commands (views, gain, SSIM, B's offset, the region,
  // closing B); false when B
  // is not open or `c` is not one of them. `openFile` gives A as the quality
  // track reads it, asked for only when the track starts again.
  bool Execute(Command c, corvane::PlaybackGraph* graph, const std::function<CompareSide()>& openFile);

  // B's picture drawn again.
  void Refresh();
  // B's samples at (x, y) of the frame it shows.
  bool SamplesAt(uint32_t x, uint32_t y, int v[3]) const;

 private:
  // The offset changed to `offset` when some frame of A still has a
  // partner in B (1 - A's count <= offset <= B's count - 1); B's pane and
  // the figures follow.
  void ShiftB(int32_t offset, const std::function<CompareSide()>& openFile);
  // The quality measured again with the present settings.
  void Remeasure(const CompareSide& a);
  // B as the quality track reads it: through B's view's open file.
  CompareSide TrackSide() const;
  // A likewise, through the file B's view opened A with: a file with
  // headers (Y4M) is read only through its own VideoFile, never by path as
  // a raw file.
  CompareSide TrackSideOf(CompareSide a) const;

  platform::VideoWindow* m_pane = nullptr;
  corvane::DecodeOptions m_decode;
  CompareSide m_side;  // B's path, parameters and trailer (no open file)
  CompareView m_view = CompareView::kA;
  int m_diffGain = 1;        // the difference view's amplification: 1, 4 or 16
  bool m_graphSsim = false;  // the quality graph measures and shows SSIM
  int32_t m_offset = 0;      // B's frame n + m_offset is paired with A's frame n
  std::optional<corvane::analysis::Region> m_region;  // the figures' region; none: the whole frames
  corvane::analysis::CompareStatus m_metrics;
  std::unique_ptr<ReferenceView> m_reference;
  QualityTrack m_track;  // reads A and B through m_reference's files: declared after it, it stops first
};

}  // namespace session
