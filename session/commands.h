// The player's commands: one row each, with a stable name, the part of the
// player that runs it (the session or the window), the rules of when its
// menu item, its button and its key act, and its place in a group (the zoom
// steps, the components, a digit of the typed frame number, ...). The
// window's rows (ui/command_table.cpp) add the menu item, the button and the
// keys; the two together are all there is to say about a command. The
// enumeration only names the commands: its order means nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace session {

enum class PlayState : int { Stopped = 0, Playing = 1, Paused = 2, NoFile = 3 };

enum class Command : int {
  Open, Close, Exit,
  PlayPause,  // Space and the menu: pause when playing, else play
  Play,       // the play button and Down
  Pause,      // the pause button and Up
  Stop, Faster, Slower, Reverse,
  Repeat,     // the repeat button flips the setting
  StepForward, StepBackward, GoToStart, GoToEnd,
  Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,  // keypad: the typed frame number
  GoToTyped,  // Enter: to the frame typed
  Capture,
  FullScreen,
  LeaveFullScreen,  // Escape
  Zoom50, Zoom100, Zoom200,
  ComponentYUV, ComponentY, ComponentU, ComponentV,
  Options, Coordinates, Parameters, Cut, Splice,
  Manual, Shortcuts, About,
  Matrix601, Matrix709, Matrix2020, RangeLimited, RangeFull,  // the colour space YUV is read with
  ZoomIn,     // + : one zoom step closer, around the centre of the picture
  ZoomOut,    // - : one step back
  GoToFrame,  // Ctrl+G: the box for a frame number
  CopyFrame,  // Ctrl+Shift+C: the frame on screen to the clipboard, as an image
  SavePng,    // the frame on screen as a numbered PNG still
  Recent0, Recent1, Recent2, Recent3, Recent4, Recent5, Recent6, Recent7,  // the recent files' list
  // Comparing with a second file, the reference (B).
  OpenReference, CloseReference,
  ViewA, ViewB, ViewSide, ViewWipe, ViewDiff,
  ViewFlip,  // F: A alone <-> B alone, on the same frame
  DiffGain1, DiffGain4, DiffGain16,
  GraphSsim,    // SSIM on the quality graph
  ExportCsv,    // the quality graph's figures as CSV
  ExportStats,  // ... as ffmpeg's psnr stats file (and ssim's when measured)
  ShiftBForward,  // B's frame n + 1 more is paired with A's frame n
  ShiftBBack,     // ... one less
  ShiftBReset,    // B's frame n with A's frame n again
  ClearRegion,    // the figures over the whole frames again (Esc)
  // The scopes of the picture on screen (视图 › 示波器): each panel shown or
  // hidden, and their options.
  ScopeHistogram, ScopeWaveform, ScopeVectorscope,
  ScopeHistogramLog,  // the histogram's counts on a logarithmic scale
  ScopeParade,        // the waveform as Y, U, V (or R, G, B) side by side
  ScopeVisibleOnly,   // zoomed in, the part of the picture on screen only
  ScopeBelow,         // the panels below the picture rather than beside it
};

// When a command may run: a set of play states and conditions of the window.
// A rule holds when the play state is one of its states and each condition it
// names is true.
namespace when {
inline constexpr uint32_t kStopped = 1u << 0;
inline constexpr uint32_t kPlaying = 1u << 1;
inline constexpr uint32_t kPaused = 1u << 2;
inline constexpr uint32_t kNoFile = 1u << 3;
inline constexpr uint32_t kAnyState = kStopped | kPlaying | kPaused | kNoFile;
inline constexpr uint32_t kFrames = kPlaying | kPaused;  // a picture to act on
inline constexpr uint32_t kFile = kStopped | kPlaying | kPaused;
inline constexpr uint32_t kNotFullScreen = 1u << 4;   // not while full screen
inline constexpr uint32_t kFullScreen = 1u << 5;      // only while full screen
inline constexpr uint32_t kNoCoordinates = 1u << 6;   // not while the coordinate window shows
inline constexpr uint32_t kReference = 1u << 7;       // only with a second file open
inline constexpr uint32_t kMetrics = 1u << 8;         // only with a second file the metrics take
}  // namespace when

// Who runs a command: the session (play state, seeks, the view) or the
// window (dialogs, files, full screen, sizes), which hands it to the part of
// itself that owns it.
enum class Owner : uint8_t { kSession, kWindow };

// The group a command is one of, with its value in it. The menu's radio
// groups (one item always checked) are kZoom to kDiffGain.
enum class Group : uint8_t { kNone, kZoom, kComponent, kMatrix, kRange, kCompareView, kDiffGain, kDigit, kRecent };
inline bool IsRadio(Group g) { return g != Group::kNone && g != Group::kDigit && g != Group::kRecent; }

struct CommandRow {
  Command command;
  const char* name;  // stable: "play", "zoom-100"; scripts and the command line may use it
  Owner owner;
  uint32_t menu;    // when its menu item is enabled
  uint32_t button;  // when its button is enabled
  uint32_t key;     // when its key acts: some ask more than the menu (Left steps only with a picture)
  Group group = Group::kNone;
  int value = 0;  // in its group: Zoom, component, YuvMatrix, YuvRange, CompareView, the gain, the digit, the entry
};

std::span<const CommandRow> CommandRows();
const CommandRow& RowOf(Command c);
std::optional<Command> CommandNamed(std::string_view name);
// The command of `group` whose value is `value`, if there is one.
std::optional<Command> CommandOf(Group group, int value);

// Facts of the window that rules depend on, given by whoever asks.
struct WindowFacts {
  bool fullScreen = false;
  bool coordinatesShown = false;
};

// Whether `rule` holds in `state`, with or without a second file (and its
// metrics), in a window with `window`'s facts.
bool RuleHolds(uint32_t rule, PlayState state, bool reference, bool metrics, WindowFacts window);

inline bool IsDigit(Command c) { return RowOf(c).group == Group::kDigit; }
inline bool IsRecent(Command c) { return RowOf(c).group == Group::kRecent; }
inline constexpr int kRecentCount = 8;

}  // namespace session
