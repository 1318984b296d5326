// The cut dialog: the user names a frame range and a target; the dialog checks
// them, asks before replacing a file, and has the tools core copy the frames
// on a worker thread. A cut that takes longer than half a second shows a
// progress dialog with a cancel button; the window stays responsive
// throughout.
//
// Threads: the dialog lives on the GUI thread. The worker runs only
// tools::Cut on a job gathered beforehand; it shares nothing with the dialog
// but the ToolProgress atomics, which a GUI timer reads, and it hands its
// result back with a queued call.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "formats/yuv_format.h"
#include "tools/file_cut.h"
#include "ui/tool_runner.h"

class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;

namespace ui {

class CutDialog : public QDialog {
  Q_OBJECT

 public:
  // How long a cut runs before its progress dialog appears.
  static constexpr int kProgressDelayMs = 500;
  static constexpr int kPollMs = 40;

  // `sourcePath` is the open file, `para` its parameters (known by now: the
  // cut command has read its trailer or asked for them).
  CutDialog(const QString& sourcePath, const corvane::YUVPara& para, QWidget* parent = nullptr);
  ~CutDialog() override;

  // Whole frames the source offers, counted over its data before the
  // trailer; 0 when they cannot be known.
  uint32_t FrameCount() const { return m_frameCount; }
  QString RangeText() const;
  bool IsRunning() const { return m_runner->IsRunning(); }
  // The cut's progress dialog; null before the first cut starts.
  QProgressDialog* ProgressDialog() const { return m_progressDialog; }

  // Button "剪切".
  void OnCut();
  // Button "..." (choose the target).
  void OnChooseTarget();
  // Closing is refused while a cut runs: cancel it first.
  void reject() override;

  // Chunk size of the next cuts, and a call made on the worker after each
  // chunk; tests use both to watch (and slow down) a cut in progress.
  void SetChunkObserver(size_t chunkBytes, std::function<void(uint64_t written, uint64_t total)> observer) {
    m_chunkBytes = chunkBytes;
    m_observer = std::move(observer);
  }

 signals:
  // On the GUI thread, when a cut has ended and its message has been shown.
  void cutEnded(corvane::tools::ToolCode code);

 private:
  bool ReadControls();
  bool IsRangeValid() const;
  void StartWorker(corvane::tools::CutJob job);
  void OnWorkerDone(corvane::tools::ToolResult result);

  QLineEdit* m_editTarget = nullptr;  // 1036
  QLineEdit* m_editStart = nullptr;   // 1042
  QLineEdit* m_editEnd = nullptr;     // 1035
  QLabel* m_rangeText = nullptr;      // 1041
  QPushButton* m_cutButton = nullptr;   // 1043
  QPushButton* m_browseButton = nullptr;  // 1066
  QPushButton* m_exitButton = nullptr;
  QProgressDialog* m_progressDialog = nullptr;
  QTimer m_progressDelay;

  QString m_targetPath;
  uint32_t m_startFrame = 0;
  uint32_t m_endFrame = 0;
  corvane::YUVPara m_para{};
  QString m_sourcePath;
  uint32_t m_frameCount = 0;
  size_t m_chunkBytes = corvane::tools::kDefaultChunkBytes;
  std::function<void(uint64_t, uint64_t)> m_observer;

  std::unique_ptr<ToolRunner> m_runner;  // the cut in progress; first to go
};

}  // namespace ui
