// Cutting: a range of whole frames of a plain raw video file, copied byte for
// byte into a new file that holds frame data only, with no trailer. A Y4M
// source is cut into a Y4M file (its stream header, then the frames with
// their own headers), or into bare frames when asked. A coded source (frames
// out of a decoder) is cut into its decoded frames: a raw file with a
// one-record trailer of their parameters, or a Y4M file when asked.
#pragma once

#include <cstdint>
#include <string>

#include "formats/yuv_format.h"
#include "tools/tool_job.h"

namespace corvane::tools {

// What a file offers for cutting with these parameters. The frames are
// counted over the data before the trailer, never over the trailer itself.
// A Y4M source's header gives its parameters: `para` is not used for it.
struct CutSource {
  ToolResult result;        // kOk, kNoParameters, kOpenSourceFailed, kReadFailed or kSplicedSource
  uint64_t dataSize = 0;    // bytes of frame data (a Y4M file's planes, without headers)
  uint32_t frameSize = 0;
  uint32_t frameCount = 0;  // whole frames; frames are numbered 1..frameCount
  bool streamHeader = false;  // a Y4M source
  bool coded = false;         // a coded source: dataSize and frameSize are the decoded frames'
};
CutSource ProbeCut(const std::string& source, const YUVPara& para);

// Everything a cut needs, gathered by the caller beforehand.
struct CutJob {
  std::string source;
  YUVPara para;             // parameters of the source's frames
  uint32_t firstFrame = 0;  // 1-based, inclusive
  uint32_t lastFrame = 0;   // inclusive
  std::string target;
  bool overwrite = false;   // the caller asked and an existing target may be replaced
  // A Y4M source: write the frames' planes only (a raw file), not a Y4M file.
  bool bareFrames = false;
  // A coded source: write a Y4M file (a stream header of the decoded frames'
  // parameters and the stream's rate, then each frame behind "FRAME\n")
  // instead of the raw frames and their trailer. kNoParameters when Y4M has
  // no sampling of that layout (NV12, P010, packed formats).
  bool y4m = false;
  size_t chunkBytes = kDefaultChunkBytes;
};

// Runs the cut on the calling thread. The target appears, complete, only on
// success; on any failure or a cancel it does not exist and a file that was
// there before is unchanged. `progress` may be null.
ToolResult Cut(const CutJob& job, ToolProgress* progress = nullptr);

}  // namespace corvane::tools
