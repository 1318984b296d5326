// Splicing: input files placed back to back, followed by a trailer with one
// record per segment, so that segments of different formats, sizes and frame
// rates play one after another from one file.
//
// Every input carries a parameter trailer, or is a Y4M or a coded file. Only its frame
// data is copied; its records go into the new trailer with their offsets
// moved to where the data now starts: one record for a plain input, all of
// them for an input that is itself spliced, the stream header's parameters
// for a Y4M input (whose frames go in without their frame headers), the
// decoded frames' parameters for a coded input (its frames decoded in order).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/yuv_format.h"
#include "tools/tool_job.h"

namespace corvane::tools {

// What an input file brings to a splice.
struct SpliceSource {
  // kOk, kOpenSourceFailed, kReadFailed, kNoTrailer, kDamagedTrailer, kNoParameters (a record gives no
  // frame: unknown format code, width or height 0) or kEmptyInput (not one whole frame of data)
  ToolResult result;
  uint32_t recordCount = 0;  // its trailer's record count (1 for a plain file and a Y4M file)
  uint64_t dataSize = 0;     // bytes of frame data before the trailer
  std::vector<YUVPara> records;
};
SpliceSource ProbeSpliceInput(const std::string& path);

struct SpliceInput {
  std::string path;
  uint32_t recordCount = 0;  // the record count seen when the input was added
};

// Everything a splice needs, gathered by the caller beforehand. Inputs are
// joined in this order; the same file may appear more than once.
struct SpliceJob {
  std::vector<SpliceInput> inputs;
  std::string target;
  bool overwrite = false;  // the caller asked and an existing target may be replaced
  size_t chunkBytes = kDefaultChunkBytes;
};

// Size of the spliced file: all the inputs' data, one 28-byte record per
// segment and the 12-byte end record. This is the progress total.
uint64_t SplicedSize(uint64_t dataBytes, uint64_t recordCount);

// Runs the splice on the calling thread. Every input's trailer is read again
// first; a record count that is not the one in the job stops the run with
// kRecordCountChanged before anything is written. The target appears,
// complete, only on success; on any failure or a cancel it does not exist and
// a file that was there before is unchanged. `progress` may be null.
ToolResult Splice(const SpliceJob& job, ToolProgress* progress = nullptr);

}  // namespace corvane::tools
