#include "ui/coded_open.h"

#include <QActionGroup>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "ui/command_wiring.h"
#include "ui/settings_store.h"
#include "ui/window_frames.h"

namespace ui {

namespace {

// What the opening thread and the window share.
struct OpenState {
  std::atomic<int> perMille{-1};  // the scan's share done; -1 until a scan reports
  std::atomic<bool> stop{false};  // the user cancelled
  std::mutex lock;                // guards done
  std::condition_variable ended;
  bool done = false;
};

}  // namespace

OpenedVideo CodedOpen::Open(QWidget* parent, const QString& path, corvane::FileAccess access,
                            corvane::DecodeOptions decode) {
  auto state = std::make_shared<OpenState>();
  decode.progress = [state](double share) {
    state->perMille.store(int(std::clamp(share, 0.0, 1.0) * 1000), std::memory_order_relaxed);
    return !state->stop.load(std::memory_order_relaxed);
  };
  std::optional<corvane::Result<std::unique_ptr<corvane::VideoFile>, corvane::VideoFileError>> result;
  std::thread opening([&result, state, path = path.toStdString(), access, decode] {
    result.emplace(corvane::OpenVideoFile(path, access, decode));
    std::scoped_lock lock(state->lock);
    state->done = true;
    state->ended.notify_all();
  });
  auto waitFor = [&state](std::chrono::milliseconds most) {
    std::unique_lock lock(state->lock);
    return state->ended.wait_for(lock, most, [&state] { return state->done; });
  };
  QElapsedTimer clock;
  clock.start();
  std::unique_ptr<QProgressDialog> dialog;
  // Until a scan has shown for a moment, only what is not the user's input
  // is handled (paints, timers): nothing can be chosen while the file opens.
  // Then the modal dialog takes the input, its cancel button included.
  while (!waitFor(std::chrono::milliseconds(20))) {
    const int done = state->perMille.load(std::memory_order_relaxed);
    if (!dialog && done >= 0 && clock.elapsed() >= kShowAfterMs) {
      dialog = std::make_unique<QProgressDialog>(tr("正在建立索引: %1").arg(QFileInfo(path).fileName()), tr("取消"), 0, 1000, parent);
      dialog->setObjectName(QStringLiteral("indexProgress"));
      dialog->setWindowTitle(QStringLiteral("Corvane"));
      dialog->setWindowModality(Qt::ApplicationModal);
      dialog->setMinimumDuration(0);
      dialog->setAutoClose(false);
      dialog->setAutoReset(false);
      UseDialogFrame(dialog.get());
      QObject::connect(dialog.get(), &QProgressDialog::canceled, [state] { state->stop = true; });
      dialog->show();
    }
    if (dialog && dialog->wasCanceled()) state->stop = true;  // the button, Escape, the frame's close
    if (dialog) dialog->setValue(std::max(0, done));
    QCoreApplication::processEvents(dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  }
  opening.join();
  OpenedVideo opened;
  // A cancel that came as the scan ended is a cancel all the same: the
  // user asked for no file.
  opened.cancelled = state->stop.load();
  if (opened.cancelled) return opened;
  if (*result)
    opened.file = std::move(**result);
  else
    opened.error = result->error();
  return opened;
}

void CodedOpen::AddCacheMenu(QMenu* view, QObject* owner, std::function<void(int mib)> chosen) {
  static const char* const kTitle = QT_TRANSLATE_NOOP("ui::PlayerWindow", "解码缓存");
  QMenu* menu = view->addMenu(QString());
  menu->setObjectName(QStringLiteral("decodeCacheMenu"));
  SetSourceText(menu->menuAction(), kTitle);
  auto* group = new QActionGroup(owner);
  const int stored = SettingsStore::LoadCacheMiB();
  for (const int mib : SettingsStore::kCacheChoices) {
    QAction* a = menu->addAction(mib >= 1024 ? QStringLiteral("%1 GB").arg(mib / 1024) : QStringLiteral("%1 MB").arg(mib));
    a->setObjectName(QStringLiteral("decodeCache%1").arg(mib));
    a->setCheckable(true);
    a->setChecked(mib == stored);
    group->addAction(a);
    QObject::connect(a, &QAction::triggered, owner, [mib, chosen] {
      SettingsStore::SaveCacheMiB(mib);
      if (chosen) chosen(mib);
    });
  }
}

}  // namespace ui
