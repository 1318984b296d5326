#include "ui/tool_runner.h"

#include <stop_token>

namespace ui {

namespace tools = corvane::tools;

ToolRunner::ToolRunner(int pollMs, QObject* parent) : QObject(parent) {
  m_poll.setInterval(pollMs);
  connect(&m_poll, &QTimer::timeout, this, &ToolRunner::Poll);
}

ToolRunner::~ToolRunner() {
  Cancel();
  m_job.Wait();
}

bool ToolRunner::Start(Job job, ChunkObserver onChunk) {
  if (IsRunning()) return false;
  const bool started = m_job.Start(
      [job = std::move(job), onChunk = std::move(onChunk)](std::stop_token stop, platform::JobProgress& progress) {
        // The core keeps its own atomics: the stop token sets its cancel,
        // and each chunk's totals become the job's progress.
        tools::ToolProgress core;
        core.onChunk = [&progress, &onChunk](uint64_t written, uint64_t total) {
          progress.total.store(total, std::memory_order_release);
          progress.done.store(written, std::memory_order_release);
          if (onChunk) onChunk(written, total);
        };
        std::stop_callback cancel(stop, [&core] { core.cancel.store(true, std::memory_order_release); });
        return job(&core);
      },
      [this] {
        // Only the GUI thread hears of the outcome.
        QMetaObject::invokeMethod(
            this,
            [this] {
              const std::optional<tools::ToolResult> result = m_job.TakeResult();
              m_poll.stop();
              if (result) emit finished(*result);
            },
            Qt::QueuedConnection);
      });
  if (started) m_poll.start();
  return started;
}

void ToolRunner::Cancel() { m_job.Cancel(); }

void ToolRunner::Poll() {
  if (!m_job.Running()) return;
  emit progressed(m_job.Progress().PerMille());
}

}  // namespace ui
