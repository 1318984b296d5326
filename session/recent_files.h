// The list of files opened lately, newest first, with the parameters each
// played with and its size then: what the File menu offers, and whether a
// file can open again without the parameter dialog.
//
// Threads: plain values and pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/yuv_format.h"

namespace session {

struct RecentFile {
  std::string path;         // absolute and canonical, whatever folder the player ran in
  corvane::YUVPara para{};  // the parameters it played with (a spliced file's first segment)
  uint64_t size = 0;        // its size in bytes when it was opened
  friend bool operator==(const RecentFile&, const RecentFile&) = default;
};

inline constexpr size_t kMaxRecentFiles = 8;

// `file` goes first; an older entry of the same path goes, and the list
// keeps its newest kMaxRecentFiles.
void RememberFile(std::vector<RecentFile>& list, const RecentFile& file);
// The entry of `path` goes (a file that is gone).
void ForgetFile(std::vector<RecentFile>& list, const std::string& path);
// The stored parameters still describe the file when its size is the one
// it had: then it opens without the dialog.
bool SizeUnchanged(const RecentFile& file, uint64_t sizeNow);

}  // namespace session
