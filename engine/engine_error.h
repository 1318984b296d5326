// The engine's failures: what PlaybackGraph and FrameSource return instead of
// a bare code. `code` is one of formats/result_codes.h (never kOk), the value
// users, logs and tests have always seen; `errnum` the errno where a file
// operation failed (0 where none applies).
#pragma once

#include <cstdint>

#include "formats/result_codes.h"
#include "platform/result.h"

namespace corvane {

struct EngineError {
  int32_t code = kFail;
  int errnum = 0;
};

template <class T = void>
using EngineResult = Result<T, EngineError>;

// A code of the parts below the graph (renderer, clock, still encoder) as a
// result: kOk and the other success codes succeed, the negative ones fail.
inline EngineResult<> FromCode(int32_t code) {
  if (code >= 0) return {};
  return Fail(EngineError{code});
}

// kOk for a success, else the error's code: for tests and messages that
// compare or word the numbers.
template <class T>
int32_t CodeOf(const EngineResult<T>& result) {
  return result ? kOk : result.error().code;
}

// What FrameSource::Open and PlaybackGraph::OpenFile give: whether the file
// could be opened for reading only (marked read-only, or not writable).
struct OpenedFile {
  bool readOnly = false;
};

// What ReadTrailer and ReadFilePara give: whether the file ends in a
// trailer, or carries its parameters in a stream header (a Y4M file's,
// which fixes them). The records themselves go to the caller's span.
struct FileParameters {
  bool hasTrailer = false;
  bool fromHeader = false;
};

// The file's size in bytes and its frames (of every segment).
struct FileInfo {
  uint64_t size = 0;
  uint32_t frameCount = 0;
};

// The three components of one pixel (Y, U, V; -1 where there is none).
struct PixelValue {
  int c1 = -1, c2 = -1, c3 = -1;
};

}  // namespace corvane
