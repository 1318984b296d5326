// Comparing two files frame by frame: which frames, whether they can be
// compared, and the run itself.
//
// Each input is read through the frame locator with its own parameters, so a
// plain file, a spliced one and a file whose parameters come from the command
// line all work; a spliced file is compared segment by segment. Frames pair
// up by number, B's shifted by the run's offset (B's frame n + offset is
// compared with A's frame n: an encoder's delay or a dropped frame), and
// may be measured over a region of the frames only. A pair must agree in size, sampling (4:2:0, 4:2:2, 4:4:4,
// RGB or Y only) and bit depth; the formats themselves may differ (I420
// against NV12, I010 against P010). One run keeps one depth and one plane
// count, which its summary needs: a spliced file that changes from 8 to 10
// bits (or to grey) is compared a stretch at a time.
//
// Every frame is read through the file's VideoFile: the run never knows
// where a frame's bytes lie. It measures frames in place, in windows of
// consecutive frames each file lends it (a raw file maps them: the page
// cache itself, no copy): one thread per file borrows the windows ahead of
// the workers, which makes the kernel read them in; a pool
// of workers (one per core) measures frame pairs; the results reach the
// caller in frame order on the calling thread. A few windows per file are
// mapped at a time, whatever the files' length. A file cut short while it
// is compared fails the run as a read of the first frame it lost: the
// workers read mapped pages through platform::ReadMapped, which turns the
// SIGBUS of a page past the new end into that failure.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "analysis/frame_metrics.h"
#include "formats/trailer.h"
#include "formats/video_file.h"
#include "formats/yuv_format.h"
#include "platform/result.h"

namespace corvane::analysis {

struct CompareInput {
  std::string path;
  YUVPara para;             // a plain file's parameters (ignored for a spliced file's segments)
  TrailerInfo trailer;
  bool useSegments = true;  // a spliced trailer's segments, when the file has them
  // The file already open, its parameters chosen (Segments() then say what
  // the fields above would), which must outlive the run; null: the run
  // opens `path` itself and reads it with `para`, `useSegments`.
  const VideoFile* file = nullptr;
};

struct CompareOptions {
  Metrics metrics;
  uint32_t firstFrame = 1;  // 1-based, A's number (B's is firstFrame + offset)
  uint32_t frameCount = 0;  // 0: every pair both files have from firstFrame on
  // B's frame n + offset is compared with A's frame n. Where that leaves A's
  // first frames without a partner (a negative offset), the run starts at
  // A's frame 1 - offset, as ffmpeg's trim=start_frame=-offset on A would;
  // a positive offset skips B's first frames, as trim on B would.
  int32_t offset = 0;
  // Only this rectangle of both frames is measured (ffmpeg's crop filter on
  // both inputs before psnr and ssim); none: the whole frames.
  std::optional<Region> region;
  unsigned threads = 0;     // workers; 0: one per core
  uint64_t windowBytes = uint64_t(32) << 20;  // bytes of a file mapped in one window (at least one frame)
};

enum class CompareCode {
  kOk,
  kOpenFailed,        // input `input` cannot be opened (error)
  kNoFrames,          // input `input` holds no whole frame of its parameters
  kFromBeyondEnd,     // firstFrame is past the last frame of input `input`
  kSizeMismatch,      // frame `frame`: the inputs' frames differ in size
  kSamplingMismatch,  // frame `frame`: the inputs differ in chroma sampling (or RGB against YUV)
  kDepthMismatch,     // frame `frame`: the inputs differ in bit depth (I420 against I010)
  kShapeChanges,      // frame `frame` is compared at another depth or plane count than the
                      // frames before it (para: the inputs' there; earlier: theirs before)
  kTooSmallForSsim,   // frame `frame`: a plane under 8x8 has no SSIM window
  kReadFailed,        // input `input` could not be read at frame `frame` (error, 0 for a short read)
  kNoPair,            // the offset pairs none of A's frames from firstFrame with one of B's
  kRegionOutside,     // frame `frame`: the region does not lie inside the frames (para: theirs)
  kRegionOddForChroma,  // frame `frame`: the region cuts chroma samples in two (odd x, y, width or
                        // height where the sampling halves chroma that way)
};

// How a comparison ends, with what a message needs to name: for mismatches
// both inputs' segment (0 in a plain file) and parameters at that frame.
struct CompareStatus {
  CompareCode code = CompareCode::kOk;
  int input = -1;  // 0 = A, 1 = B, -1 = both or neither
  int error = 0;   // errno, when one applies
  uint32_t frame = 0;
  uint32_t segment[2] = {0, 0};
  bool spliced[2] = {false, false};  // the input is read segment by segment
  YUVPara para[2];
  YUVPara earlier[2];  // kShapeChanges: the inputs' parameters at the frame before
  uint32_t totalFrames[2] = {0, 0};  // kNoPair: the inputs' frame counts
  int32_t offset = 0;                // the run's offset and region, for the messages
  std::optional<Region> region;
  bool Ok() const { return code == CompareCode::kOk; }
};

struct ComparePlan {
  uint32_t firstFrame = 1;     // A's first compared frame
  int32_t offset = 0;          // B's frame n + offset is paired with A's frame n
  uint32_t frameCount = 0;     // frame pairs to compare
  uint32_t totalFrames[2] = {0, 0};
  // The first compared frame of input 0 (A) or 1 (B), in its own numbering.
  uint32_t FirstOf(int input) const { return input == 0 ? firstFrame : uint32_t(int64_t(firstFrame) + offset); }
  // Frames of an input after the last one compared.
  uint32_t LeftOver(int input) const { return totalFrames[input] - (FirstOf(input) - 1) - frameCount; }
  uint64_t bytesPerPair = 0;   // of the first pair; for progress
};

// Checks the inputs and works out the frames to compare; a failure says
// which input or frame stands in the way.
Result<ComparePlan, CompareStatus> PlanCompare(const CompareInput& a, const CompareInput& b,
                                               const CompareOptions& options);

// Compares the planned frames. onFrame runs on the calling thread, once per
// frame in order; it may throw, which stops the run. A stop requested on
// `stop` ends the run before the next frame is handed over (kOk: a stopped
// run is no failure). Fails with the first failure (a read error).
Result<void, CompareStatus> RunCompare(const CompareInput& a, const CompareInput& b, const CompareOptions& options,
                         const ComparePlan& plan, const std::function<void(const FrameMetrics&)>& onFrame,
                         std::stop_token stop = {});

}  // namespace corvane::analysis
