#include "session/recent_files.h"

#include <algorithm>

namespace session {

void RememberFile(std::vector<RecentFile>& list, const RecentFile& file) {
  std::erase_if(list, [&](const RecentFile& f) { return f.path == file.path; });
  list.insert(list.begin(), file);
  if (list.size() > kMaxRecentFiles) list.resize(kMaxRecentFiles);
}

void ForgetFile(std::vector<RecentFile>& list, const std::string& path) {
  std::erase_if(list, [&](const RecentFile& f) { return f.path == path; });
}

bool SizeUnchanged(const RecentFile& file, uint64_t sizeNow) { return file.size == sizeNow; }

}  // namespace session
