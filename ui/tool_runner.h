// One run of the file tools' core (a cut, a splice) for a dialog: a job of a
// platform::JobRunner, its progress polled by a timer, cancel through the
// job's stop token, and the result handed back on the GUI thread with the
// job's thread joined. The dialogs word the result; the runner only carries it.
//
// Threads: the runner lives on the GUI thread; the job runs on the job
// runner's thread and reaches the runner only through the job's progress
// atomics and one queued call once its result is there.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/job_runner.h"
#include "tools/tool_job.h"

namespace ui {

class ToolRunner : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<corvane::tools::ToolResult(corvane::tools::ToolProgress*)>;
  using ChunkObserver = std::function<void(uint64_t written, uint64_t total)>;

  ToolRunner(int pollMs, QObject* parent);
  // A runner torn down mid-run (its dialog's parent closing) cancels and
  // waits for the job; the core then leaves no partial target.
  ~ToolRunner() override;

  // Starts `job`; `onChunk` runs on the job's thread after each chunk (tests
  // slow a run down with it). False when a run is in progress.
  bool Start(Job job, ChunkObserver onChunk = {});
  void Cancel();
  bool IsRunning() const { return m_job.Running(); }

 signals:
  // While running, every poll: per mille done (0 until the total is known).
  void progressed(int perMille);
  // The run ended (done, failed or cancelled); its thread is joined.
  void finished(corvane::tools::ToolResult result);

 private:
  void Poll();

  QTimer m_poll;
  platform::JobRunner<corvane::tools::ToolResult> m_job;
};

}  // namespace ui
