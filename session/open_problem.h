// Why a file did not open or play, as the file itself tells: the engine
// answers only that it failed, so the file is asked again when it has.
#pragma once

#include <string>

#include "formats/video_file.h"
#include "formats/yuv_format.h"

namespace session {

struct OpenProblem {
  enum class Kind {
    kUnknown,         // the file reads as it should; nothing more to say
    kSystem,          // opening or reading failed: `error` (an errno value)
    kFolder,          // a folder, not a file
    kNotRegular,      // a FIFO, a device or a socket
    kEmpty,           // 0 bytes
    kDamagedTrailer,  // a parameter trailer that cannot be trusted: `damage`
    kBadHeader,       // a Y4M file whose header is refused: `damage` says why
    kCodedRefused,    // a coded file refused (no video stream, a codec not decodable...): `damage` says why
    kFrameTooLarge,   // `para` gives a frame of 4 GiB or more
    kNoFrameSize,     // `para` gives no frame: an unknown format code, a width or height of 0
    kNeedsMoreMemory, // playing `para` needs `needBytes`, more than the computer's `haveBytes`
  };
  Kind kind = Kind::kUnknown;
  int error = 0;
  std::string damage;  // the trailer's or header's fault, in English ("record count is 0")
  corvane::YUVPara para{};
  uint64_t needBytes = 0;
  uint64_t haveBytes = 0;
};

// Why `path` cannot be opened or its parameters not read.
OpenProblem DiagnoseOpen(const std::string& path);
// Why `path` did not open, told by the open's own failure (a coded file
// refused says why; anything else is asked of the file as DiagnoseOpen does).
OpenProblem ProblemOfOpen(const std::string& path, const corvane::VideoFileError& error);
// Why `para` cannot be played by a graph whose memory limit is `memoryLimit`
// (PlaybackGraph::MemoryLimit).
OpenProblem DiagnoseParameters(const corvane::YUVPara& para, uint64_t memoryLimit);

}  // namespace session
