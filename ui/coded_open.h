// Opening a video file for the window: the file is opened on a thread of
// its own, so that a coded file whose index needs a decoding scan (a stream
// without timestamps: seconds for a long one) leaves the window responsive;
// once such a scan has run for a moment a progress dialog shows how far it
// is, and its cancel button abandons the open. Also the 视图 menu's choice
// of how many decoded frames a coded file keeps (the setting).
//
// Threads: GUI thread; the open runs on a thread that ends before
// OpenWithProgress returns.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <memory>

#include "formats/video_file.h"

class QMenu;
class QObject;
class QWidget;

namespace ui {

struct OpenedVideo {
  std::unique_ptr<corvane::VideoFile> file;  // null when it did not open
  corvane::VideoFileError error;             // why not, unless cancelled
  bool cancelled = false;                    // the user cancelled the scan
};

class CodedOpen {
  Q_DECLARE_TR_FUNCTIONS(ui::CodedOpen)

 public:
  // How long an open runs before its scan's progress is shown.
  static constexpr int kShowAfterMs = 400;

  // Opens `path` with `access` and `decode` (its progress is this dialog's).
  static OpenedVideo Open(QWidget* parent, const QString& path, corvane::FileAccess access,
                          corvane::DecodeOptions decode);
  // The submenu 解码缓存 at the end of `view`: one item per size of
  // SettingsStore::kCacheChoices, the stored one checked; `chosen` gets the
  // MiB of the one picked (after it is stored).
  static void AddCacheMenu(QMenu* view, QObject* owner, std::function<void(int mib)> chosen);
};

}  // namespace ui
