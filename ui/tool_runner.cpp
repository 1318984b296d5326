#include "ui/tool_runner.h"

#include <algorithm>

namespace ui {

namespace tools = corvane::tools;

ToolRunner::ToolRunner(int pollMs, QObject* parent) : QObject(parent) {
  m_poll.setInterval(pollMs);
  connect(&m_poll, &QTimer::timeout, this, &ToolRunner::Poll);
}

ToolRunner::~ToolRunner() {
  Cancel();
  if (m_worker.joinable()) m_worker.join();
}

bool ToolRunner::Start(Job job, ChunkObserver onChunk) {
  if (IsRunning()) return false;
  m_progress = std::make_unique<tools::ToolProgress>();
  m_progress->onChunk = std::move(onChunk);
  tools::ToolProgress* progress = m_progress.get();
  m_worker = std::jthread([this, progress, job = std::move(job)] {
    const tools::ToolResult result = job(progress);
    // Only the GUI thread hears of the outcome.
    QMetaObject::invokeMethod(
        this,
        [this, result] {
          if (m_worker.joinable()) m_worker.join();
          m_poll.stop();
          m_progress.reset();
          emit finished(result);
        },
        Qt::QueuedConnection);
  });
  m_poll.start();
  return true;
}

void ToolRunner::Cancel() {
  if (m_progress) m_progress->cancel = true;
}

void ToolRunner::Poll() {
  if (!m_progress) return;
  const uint64_t total = m_progress->total.load();
  const uint64_t written = m_progress->written.load();
  emit progressed(total == 0 ? 0 : int(std::min<uint64_t>(written * 1000 / total, 1000)));
}

}  // namespace ui
