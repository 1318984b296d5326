// Signal statistics of a stretch of a file's frames (signal_stats.h), frame
// by frame, measured on every core.
//
// The frames are borrowed from the file's VideoFile in windows of
// consecutive frames (Lend: a raw file maps them, so they are measured
// where they lie in the page cache); the workers share out the frames of a
// window, each with its own meter, and the results reach the caller in
// frame order on the calling thread. DIF needs the frame before: the
// window before stays lent until the next is measured, and a run that does
// not start at frame 1 borrows the frame before its first as well, so each
// frame's figures are those it has in the whole file. A frame whose
// parameters differ from the one before (a spliced file's next segment) is
// a first frame again, as a new ffmpeg stream would be.
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>

#include "analysis/signal_stats.h"
#include "formats/video_file.h"
#include "platform/result.h"

namespace corvane::analysis {

struct StatsOptions {
  uint32_t firstFrame = 1;  // 1-based
  uint32_t frameCount = 0;  // 0: every frame from firstFrame on
  StatExtras extras;
  unsigned threads = 0;     // workers; 0: one per core
  uint64_t windowBytes = uint64_t(32) << 20;  // bytes lent in one window (at least one frame)
};

enum class StatsCode {
  kOk,
  kNoFrames,       // the file holds no whole frame of its parameters
  kFromBeyondEnd,  // firstFrame is past the last frame
  kReadFailed,     // frame `frame` could not be read (error: errno, 0 for a short read)
};

struct StatsFailure {
  StatsCode code = StatsCode::kOk;
  uint32_t frame = 0;
  int error = 0;
};

struct StatsPlan {
  uint32_t firstFrame = 1;
  uint32_t frameCount = 0;
  uint64_t bytes = 0;  // of the planned frames; for progress
};

// Which frames a run measures; refuses a file without frames and a first
// frame past its end.
Result<StatsPlan, StatsFailure> PlanStats(const VideoFile& file, const StatsOptions& options);

struct FrameStats {
  uint32_t index = 0;  // 0-based, in the run
  uint32_t frame = 0;  // 1-based, in the file
  SignalStats stats;
};

// Measures the planned frames. onFrame runs on the calling thread, once per
// frame in order; it may throw, which stops the run. A stop requested on
// `stop` ends the run before the next frame is handed over (no failure).
Result<void, StatsFailure> RunStats(const VideoFile& file, const StatsOptions& options, const StatsPlan& plan,
                                    const std::function<void(const FrameStats&)>& onFrame,
                                    std::stop_token stop = {});

}  // namespace corvane::analysis
