// The player's commands, named once, and the states in which each may run.
// The window's command table binds them to menu items, buttons and keys; the
// rules of when they act live here, beside the session that runs them.
#pragma once

#include <cstdint>

namespace session {

enum class PlayState : int { Stopped = 0, Playing = 1, Paused = 2, NoFile = 3 };

enum class Command : int {
  // File.
  Open,
  Close,
  Exit,
  // Playing.
  PlayPause,  // Space and the menu: pause when playing, else play
  Play,       // the play button and Down
  Pause,      // the pause button and Up
  Stop,
  Faster,
  Slower,
  Reverse,
  Repeat,  // the repeat button flips the setting
  StepForward,
  StepBackward,
  GoToStart,
  GoToEnd,
  Digit0,  // a keypad digit of the frame number being typed; Digit0 + d
  Digit9 = Digit0 + 9,
  GoToTyped,  // Enter: to the frame typed
  Capture,
  // View.
  FullScreen,
  LeaveFullScreen,  // Escape
  Zoom50,
  Zoom100,
  Zoom200,
  ComponentYUV,  // then Y, U, V
  ComponentY,
  ComponentU,
  ComponentV,
  Options,
  // Tools.
  Coordinates,
  Parameters,
  Cut,
  Splice,
  // Help.
  Manual,
  Shortcuts,
  About,
  // Added commands follow the original ones.
  // View: the colour space YUV is read with.
  Matrix601,  // then 709, 2020
  Matrix709,
  Matrix2020,
  RangeLimited,
  RangeFull,
  // Added after the commands above, which keep their numbers.
  ZoomIn,          // + : one zoom step closer, around the centre of the picture
  ZoomOut,         // - : one step back
  GoToFrame,       // Ctrl+G: the box for a frame number
  CopyFrame,       // Ctrl+Shift+C: the frame on screen to the clipboard, as an image
  SavePng,         // the frame on screen as a numbered PNG still
  Recent0,         // a file of the recent list; Recent0 + n
  Recent7 = Recent0 + 7,
  // Comparing with a second file, the reference (B).
  OpenReference,   // 文件 › 打开对比文件
  CloseReference,
  ViewA,           // the open file alone; then B alone, side by side, wipe, difference
  ViewB,
  ViewSide,
  ViewWipe,
  ViewDiff,
  ViewFlip,        // F: A alone <-> B alone, on the same frame
  DiffGain1,       // the difference amplified 1x; then 4x, 16x
  DiffGain4,
  DiffGain16,
  GraphSsim,       // SSIM on the quality graph
  ExportCsv,       // the quality graph's figures as CSV
  ExportStats,     // ... as ffmpeg's psnr stats file (and ssim's when measured)
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

// The rules of a command's menu item and of its button (enabled or not).
uint32_t MenuRule(Command c);
uint32_t ButtonRule(Command c);
// The rule of a command reached by a key: some keys ask more than the menu
// (Left steps only with a picture; Home seeks only while the reader runs).
uint32_t KeyRule(Command c);

inline bool IsDigit(Command c) { return c >= Command::Digit0 && c <= Command::Digit9; }
inline bool IsRecent(Command c) { return c >= Command::Recent0 && c <= Command::Recent7; }
inline constexpr int kRecentCount = 8;

}  // namespace session
