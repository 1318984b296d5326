// What the cut and splice tools share: how a run ends, how its progress is
// watched and how it is cancelled. The tools print nothing and show nothing;
// the caller (a dialog, the command line) turns a ToolResult (nothing, or a
// ToolError) into words.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/result.h"

namespace corvane::tools {

enum class ToolCode {
  kOk,
  kCancelled,           // the cancel flag was seen; no target was made
  kNoTarget,            // empty target path
  kTargetExists,        // the target exists and the job does not allow replacing it
  kTargetIsSource,      // writing the target would destroy one of the files it is made from
  kNoParameters,        // the frame parameters give no frame size (unknown format, zero size)
  kBadRange,            // first frame 0, last frame beyond the count, or first after last
  kSplicedSource,       // a spliced file cannot be cut
  kNoInputs,            // a splice of nothing
  kNoTrailer,           // a splice input has no parameter trailer
  kDamagedTrailer,      // a splice input's trailer cannot be trusted
  kRecordCountChanged,  // a splice input's record count differs from the one the job was made with
  kEmptyInput,          // a splice input holds no whole frame before its trailer
  kTooManySegments,     // the spliced trailer would hold more records than any reader accepts
  kOpenSourceFailed,    // a source cannot be opened (or its stream header is refused: `reason`)
  kCreateTargetFailed,  // the target cannot be created or put in place
  kReadFailed,          // a read failed or came back short (the source changed under us)
  kWriteFailed,
  kOutOfMemory,
};

// Stable lower-case name of a code ("target-is-source"), for logs and tests.
const char* ToolCodeName(ToolCode code);

// Why a run failed. `code` is never kOk in a failure; `error` the errno
// of the failing call (0 when none applies: a short read); `input` the splice
// input concerned (index into the job) or SIZE_MAX; `path` the file
// concerned, when one is.
// `reason`, when not empty, says why a source was refused in words a
// message can show as they are (a Y4M header refused: "no width W in the
// stream header").
struct ToolError {
  ToolError(ToolCode c = ToolCode::kOk, int err = 0, size_t in = SIZE_MAX, std::string p = {}, std::string why = {})
      : code(c), error(err), input(in), path(std::move(p)), reason(std::move(why)) {}

  ToolCode code;
  int error;
  size_t input;
  std::string path;
  std::string reason;
};

// How a run (or a probe of its source) ended: nothing, or why not.
using ToolResult = Result<void, ToolError>;

// kOk for a success, else the error's code.
inline ToolCode CodeOf(const ToolResult& r) { return r ? ToolCode::kOk : r.error().code; }
// The error, or for a success one with code kOk and nothing else: for
// messages and tests that word every outcome, success included.
inline ToolError ErrorOf(const ToolResult& r) { return r ? ToolError{} : r.error(); }

// Shared between the thread that runs a tool and the one that watches it.
// `total` is set once, before the first byte is written: the target's final
// size. `written` grows after every chunk. Setting `cancel` from any thread
// stops the run before its next chunk; the run then leaves no target.
struct ToolProgress {
  std::atomic<uint64_t> written{0};
  std::atomic<uint64_t> total{0};
  std::atomic<bool> cancel{false};
  // Called on the running thread after each chunk is written, with the
  // running totals. It may set `cancel`. Keep it short: the copy waits for it.
  std::function<void(uint64_t written, uint64_t total)> onChunk;
};

// Copy chunk: large enough that system calls cost nothing next to the bytes,
// small enough that the buffer stays mostly in cache between the read and the
// write (8 MiB measured a quarter slower; docs/PERFORMANCE.md) and that a
// cancel is seen within a millisecond.
constexpr size_t kDefaultChunkBytes = size_t(1) << 20;

}  // namespace corvane::tools
