#include "session/commands.h"

#include <array>
#include <cstdlib>

namespace session {

using namespace when;

namespace {

using C = Command;
constexpr Owner S = Owner::kSession;
constexpr Owner W = Owner::kWindow;
constexpr uint32_t kAny = kAnyState;
constexpr uint32_t kRef = kFile | kReference;
constexpr uint32_t kRefMetrics = kFile | kReference | kMetrics;

// command, name, owner, menu item, button, key, group, value. The button
// rule of a command without a button is the default, kFrames.
constexpr CommandRow kRows[] = {
    // File.
    {C::Open, "open", W, kAny, kFrames, kAny | kNotFullScreen},
    {C::Close, "close", W, kFile, kFrames, kFile | kNotFullScreen},
    {C::Exit, "exit", W, kAny, kFrames, kAny},
    {C::CopyFrame, "copy-frame", W, kFrames, kFrames, kFrames},
    {C::SavePng, "save-png", W, kFrames, kFrames, kAny},
    {C::Recent0, "recent-0", W, kAny, kFrames, kAny, Group::kRecent, 0},
    {C::Recent1, "recent-1", W, kAny, kFrames, kAny, Group::kRecent, 1},
    {C::Recent2, "recent-2", W, kAny, kFrames, kAny, Group::kRecent, 2},
    {C::Recent3, "recent-3", W, kAny, kFrames, kAny, Group::kRecent, 3},
    {C::Recent4, "recent-4", W, kAny, kFrames, kAny, Group::kRecent, 4},
    {C::Recent5, "recent-5", W, kAny, kFrames, kAny, Group::kRecent, 5},
    {C::Recent6, "recent-6", W, kAny, kFrames, kAny, Group::kRecent, 6},
    {C::Recent7, "recent-7", W, kAny, kFrames, kAny, Group::kRecent, 7},
    {C::OpenReference, "open-reference", W, kFile, kFrames, kAny},
    {C::CloseReference, "close-reference", S, kRef, kFrames, kAny},
    // Playing. The play and stop buttons show pressed while playing or
    // stopped, so they stay enabled with a file; seeks need a running
    // reader, so their keys do nothing while stopped.
    {C::PlayPause, "play-pause", S, kFile, kFrames, kAny},
    {C::Play, "play", S, kAny, kFile, kPaused | kStopped},
    {C::Pause, "pause", S, kAny, kFrames, kPlaying},
    {C::Stop, "stop", S, kFile, kFile, kFrames},
    {C::Faster, "faster", S, kFile, kFrames, kAny},
    {C::Slower, "slower", S, kFile, kFrames, kAny},
    {C::Reverse, "reverse", S, kFile, kFrames, kAny},
    {C::Repeat, "repeat", S, kAny, kAny, kAny},
    {C::StepForward, "step-forward", S, kAny, kFrames, kFrames},
    {C::StepBackward, "step-backward", S, kAny, kFrames, kFrames},
    {C::GoToStart, "go-to-start", S, kAny, kFrames, kFrames},
    {C::GoToEnd, "go-to-end", S, kAny, kFrames, kFrames},
    {C::Digit0, "digit-0", S, kAny, kFrames, kAny, Group::kDigit, 0},
    {C::Digit1, "digit-1", S, kAny, kFrames, kAny, Group::kDigit, 1},
    {C::Digit2, "digit-2", S, kAny, kFrames, kAny, Group::kDigit, 2},
    {C::Digit3, "digit-3", S, kAny, kFrames, kAny, Group::kDigit, 3},
    {C::Digit4, "digit-4", S, kAny, kFrames, kAny, Group::kDigit, 4},
    {C::Digit5, "digit-5", S, kAny, kFrames, kAny, Group::kDigit, 5},
    {C::Digit6, "digit-6", S, kAny, kFrames, kAny, Group::kDigit, 6},
    {C::Digit7, "digit-7", S, kAny, kFrames, kAny, Group::kDigit, 7},
    {C::Digit8, "digit-8", S, kAny, kFrames, kAny, Group::kDigit, 8},
    {C::Digit9, "digit-9", S, kAny, kFrames, kAny, Group::kDigit, 9},
    {C::GoToTyped, "go-to-typed", S, kAny, kFrames, kAny},
    {C::GoToFrame, "go-to-frame", W, kFrames, kFrames, kFrames | kNotFullScreen},
    {C::Capture, "capture", W, kAny, kFrames, kAny},
    // View.
    {C::FullScreen, "full-screen", W, kFile, kFrames, kFrames | kNoCoordinates},
    {C::LeaveFullScreen, "leave-full-screen", W, kAny, kFrames, kAny | kFullScreen},
    {C::Zoom50, "zoom-50", S, kAny, kFrames, kPlaying | kPaused | kNoFile, Group::kZoom, 0},
    {C::Zoom100, "zoom-100", S, kAny, kFrames, kPlaying | kPaused | kNoFile, Group::kZoom, 1},
    {C::Zoom200, "zoom-200", S, kAny, kFrames, kPlaying | kPaused | kNoFile, Group::kZoom, 2},
    {C::ZoomIn, "zoom-in", W, kFrames, kFrames, kFrames},
    {C::ZoomOut, "zoom-out", W, kFrames, kFrames, kFrames},
    {C::ComponentYUV, "component-yuv", S, kFrames, kFrames, kAny, Group::kComponent, 0},
    {C::ComponentY, "component-y", S, kFrames, kFrames, kAny, Group::kComponent, 1},
    {C::ComponentU, "component-u", S, kFrames, kFrames, kAny, Group::kComponent, 2},
    {C::ComponentV, "component-v", S, kFrames, kFrames, kAny, Group::kComponent, 3},
    {C::Options, "options", W, kAny, kFrames, kAny},
    {C::Matrix601, "matrix-601", S, kAny, kFrames, kAny, Group::kMatrix, 0},
    {C::Matrix709, "matrix-709", S, kAny, kFrames, kAny, Group::kMatrix, 1},
    {C::Matrix2020, "matrix-2020", S, kAny, kFrames, kAny, Group::kMatrix, 2},
    {C::RangeLimited, "range-limited", S, kAny, kFrames, kAny, Group::kRange, 0},
    {C::RangeFull, "range-full", S, kAny, kFrames, kAny, Group::kRange, 1},
    {C::ViewA, "view-a", S, kRef, kFrames, kRef, Group::kCompareView, 0},
    {C::ViewB, "view-b", S, kRef, kFrames, kRef, Group::kCompareView, 1},
    {C::ViewSide, "view-side", S, kRef, kFrames, kRef, Group::kCompareView, 2},
    {C::ViewWipe, "view-wipe", S, kRef, kFrames, kRef, Group::kCompareView, 3},
    {C::ViewDiff, "view-diff", S, kRefMetrics, kFrames, kRefMetrics, Group::kCompareView, 4},
    {C::ViewFlip, "view-flip", S, kRef, kFrames, kRef},
    {C::DiffGain1, "diff-gain-1", S, kRefMetrics, kFrames, kAny, Group::kDiffGain, 1},
    {C::DiffGain4, "diff-gain-4", S, kRefMetrics, kFrames, kAny, Group::kDiffGain, 4},
    {C::DiffGain16, "diff-gain-16", S, kRefMetrics, kFrames, kAny, Group::kDiffGain, 16},
    {C::GraphSsim, "graph-ssim", S, kRefMetrics, kFrames, kAny},
    {C::ShiftBForward, "shift-b-forward", S, kRef, kFrames, kRef},
    {C::ShiftBBack, "shift-b-back", S, kRef, kFrames, kRef},
    {C::ShiftBReset, "shift-b-reset", S, kRef, kFrames, kRef},
    // Esc leaves full screen there; out of it, it clears the region.
    {C::ClearRegion, "clear-region", S, kRefMetrics, kFrames, kRefMetrics | kNotFullScreen},
    // Tools.
    {C::Coordinates, "coordinates", W, kFrames, kFrames, kAny},
    {C::Parameters, "parameters", W, kFile, kFrames, kAny},
    {C::Cut, "cut", W, kAny, kFrames, kAny | kNotFullScreen},
    {C::Splice, "splice", W, kAny, kFrames, kAny | kNotFullScreen},
    {C::ExportCsv, "export-csv", W, kRefMetrics, kFrames, kAny},
    {C::ExportStats, "export-stats", W, kRefMetrics, kFrames, kAny},
    // The scopes: their keys act in any state but full screen, where the
    // panels do not show.
    {C::ScopeHistogram, "scope-histogram", W, kAny, kFrames, kAny | kNotFullScreen},
    {C::ScopeWaveform, "scope-waveform", W, kAny, kFrames, kAny | kNotFullScreen},
    {C::ScopeVectorscope, "scope-vectorscope", W, kAny, kFrames, kAny | kNotFullScreen},
    {C::ScopeHistogramLog, "scope-histogram-log", W, kAny, kFrames, kAny},
    {C::ScopeParade, "scope-parade", W, kAny, kFrames, kAny},
    {C::ScopeVisibleOnly, "scope-visible-only", W, kAny, kFrames, kAny},
    {C::ScopeBelow, "scope-below", W, kAny, kFrames, kAny | kNotFullScreen},
    // Help.
    {C::Manual, "manual", W, kAny, kFrames, kAny},
    {C::Shortcuts, "shortcuts", W, kAny, kFrames, kAny},
    {C::About, "about", W, kAny, kFrames, kAny},
};

constexpr size_t kCount = std::size(kRows);

// The rows by command, for lookups that run on every update.
const std::array<const CommandRow*, kCount>& Index() {
  static const std::array<const CommandRow*, kCount> index = [] {
    std::array<const CommandRow*, kCount> by{};
    for (const CommandRow& r : kRows) {
      if (size_t(r.command) >= kCount || by[size_t(r.command)]) std::abort();  // a command without a row, or two
      by[size_t(r.command)] = &r;
    }
    return by;
  }();
  return index;
}

}  // namespace

std::span<const CommandRow> CommandRows() { return kRows; }

const CommandRow& RowOf(Command c) { return *Index()[size_t(c)]; }

std::optional<Command> CommandNamed(std::string_view name) {
  for (const CommandRow& r : kRows)
    if (name == r.name) return r.command;
  return std::nullopt;
}

std::optional<Command> CommandOf(Group group, int value) {
  for (const CommandRow& r : kRows)
    if (r.group == group && r.value == value) return r.command;
  return std::nullopt;
}

bool RuleHolds(uint32_t rule, PlayState state, bool reference, bool metrics, WindowFacts window) {
  if (!(rule & (1u << int(state)))) return false;  // PlayState order is the bits' order
  if ((rule & kNotFullScreen) && window.fullScreen) return false;
  if ((rule & kFullScreen) && !window.fullScreen) return false;
  if ((rule & kNoCoordinates) && window.coordinatesShown) return false;
  if ((rule & kReference) && !reference) return false;
  if ((rule & kMetrics) && !metrics) return false;
  return true;
}

}  // namespace session
