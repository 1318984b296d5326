// One run of the file tools' core (a cut, a splice) on a worker thread, for a
// dialog: progress polled from the core's atomics, cancel, and the result
// handed back on the GUI thread with the worker joined. The dialogs word the
// result; the runner only carries it.
//
// Threads: the runner lives on the GUI thread; the job runs on m_worker and
// reaches the runner only through the ToolProgress atomics and one queued
// call with its result.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <thread>

#include "tools/tool_job.h"

namespace ui {

class ToolRunner : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<corvane::tools::ToolResult(corvane::tools::ToolProgress*)>;
  using ChunkObserver = std::function<void(uint64_t written, uint64_t total)>;

  ToolRunner(int pollMs, QObject* parent);
  // A runner torn down mid-run (its dialog's parent closing) cancels and
  // waits for the worker; the core then leaves no partial target.
  ~ToolRunner() override;

  // Starts `job`; `onChunk` runs on the worker after each chunk (tests slow
  // a run down with it). False when a run is in progress.
  bool Start(Job job, ChunkObserver onChunk = {});
  void Cancel();
  bool IsRunning() const { return m_worker.joinable(); }

 signals:
  // While running, every poll: per mille done (0 until the total is known).
  void progressed(int perMille);
  // The run ended (done, failed or cancelled); the worker is joined.
  void finished(corvane::tools::ToolResult result);

 private:
  void Poll();

  QTimer m_poll;
  std::unique_ptr<corvane::tools::ToolProgress> m_progress;  // shared with the worker through its atomics
  std::jthread m_worker;
};

}  // namespace ui
