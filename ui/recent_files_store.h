// The recent files in the settings file, in a group of their own
// ("RecentFiles"), so the seven settings of the player are untouched; and
// the texts the File menu shows for them.
//
// Threads: GUI thread only.
#pragma once

#include <QString>
#include <vector>

#include "session/recent_files.h"

namespace ui {

class RecentFilesStore {
 public:
  static const QString kGroup;
  // Entries without an absolute path, or with parameters that are not
  // numbers, are skipped; at most kMaxRecentFiles are read.
  static std::vector<session::RecentFile> Load();
  static void Save(const std::vector<session::RecentFile>& list);
};

// "1  name.yuv  (IYUV(I420) 352×288)": the menu item of entry n (0-based).
QString RecentMenuText(int n, const session::RecentFile& file);

}  // namespace ui
