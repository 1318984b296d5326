// The pieces cut and splice have in common: refusing a target that would
// destroy a source, and copying a byte range in large chunks with progress
// and cancel.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "formats/video_file.h"
#include "platform/file.h"
#include "tools/tool_job.h"

namespace corvane::tools {

// How the tools and the command line open a coded file: they read its
// frames once, in order (or one frame), so a large cache of decoded frames,
// which serves the window's backward steps, would only fill memory (1 GiB by
// default, and the time to fault it in). A few frames it keeps all the
// same: a decoder gives out the frames after the one asked for in the same
// drain, and the file keeps those only in its cache (with none, the next
// frame is decoded again from its keyframe: half the rate at 1080p).
inline DecodeOptions ReadOnceDecoding() {
  DecodeOptions options;
  options.cacheBytes = uint64_t(64) << 20;
  return options;
}

// Refuses a target that is empty, is (or whose temporary name is) one of the
// sources (platform::FindInputAtRisk), or exists when replacing it was not
// allowed. kOk otherwise.
ToolResult CheckTarget(const std::string& target, bool overwrite, std::span<const std::string> sources);

// Opens a source through the video file interface (a raw file's trailer
// read, a Y4M file's header and index, a coded file's index, with
// ReadOnceDecoding), or says why not: kOpenSourceFailed
// or kReadFailed with the errno and path (and the reason of a refused
// header).
ToolResult OpenSource(const std::string& path, std::unique_ptr<VideoFile>* file);

// Copies byte ranges from sources into one target through a single reused
// buffer. Every read and every write must be whole.
class ChunkCopier {
 public:
  ChunkCopier(platform::ReplacingFile* target, ToolProgress* progress, size_t chunkBytes);

  // Allocates the buffer, no larger than the biggest copy needs. kOutOfMemory
  // when that fails.
  ToolResult Prepare(uint64_t largestCopy);

  // Copies `length` bytes from `from` of `source` to `to` of the target.
  ToolResult Copy(const platform::File& source, const std::string& sourcePath, uint64_t from, uint64_t length,
                  uint64_t to);
  // Copies the planes of frames first .. first + count - 1 of `source`, back
  // to back from `to`: one byte range of a plain raw file, each frame's
  // planes without its header from a Y4M file, each frame as the decoder
  // gives it from a coded file. `frameHeader`, when not empty, goes before
  // every frame (a Y4M target's "FRAME\n"); the frames are then read one by
  // one whatever the kind. Returns the bytes written.
  Result<uint64_t, ToolError> CopyFrames(const VideoFile& source, uint32_t first, uint32_t count, uint64_t to,
                                         std::string_view frameHeader = {});
  // Writes bytes held in memory (a trailer) at `to`.
  ToolResult Write(const uint8_t* data, size_t length, uint64_t to);

  bool Cancelled() const;

 private:
  void Advance(uint64_t bytes);
  // Frames read one at a time through the file's Read (decoded, or given a
  // header), written to `to` onwards.
  Result<uint64_t, ToolError> ReadFrames(const VideoFile& source, uint32_t first, uint32_t count, uint64_t to,
                                         std::string_view frameHeader);

  platform::ReplacingFile* m_target;
  ToolProgress* m_progress;
  size_t m_chunk;
  uint64_t m_written = 0;
  std::vector<uint8_t> m_buffer;
  std::vector<uint8_t> m_frame;  // one whole frame, for ReadFrames
};

// The facts of a coded file (frames out of a decoder); null for a raw or a
// Y4M file.
const StreamFacts* CodedFacts(const VideoFile& file);

// Sets the progress total before the first byte is written.
void StartProgress(ToolProgress* progress, uint64_t total);

}  // namespace corvane::tools
