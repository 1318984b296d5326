// The splice dialog: a list of input files (path, parameter state, segment
// count), a target, and a worker that joins them into one spliced file.
//
// Threads: everything the run needs is gathered on the GUI thread first into
// a tools::SpliceJob (paths, the record counts seen when the rows were added,
// the overwrite answer). The worker then only runs tools::Splice; it shares
// the ToolProgress atomics, which a 40 ms GUI timer reads, and hands its
// result back with a queued call. Every question and message comes from the
// GUI thread.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "session/player_session.h"
#include "tools/file_splice.h"
#include "ui/tool_runner.h"

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ui {


class SpliceDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTimerMs = 40;

  // `defaults` are what the parameter dialog offers for a file without a
  // record (the player's stored default parameters).
  SpliceDialog(QWidget* parent, const session::DefaultParameters& defaults);
  ~SpliceDialog() override;

  // The rows' three texts, in list order; and the selected rows.
  std::vector<QStringList> Rows() const;
  std::vector<int> SelectedRows() const;
  void SelectRows(const std::vector<int>& rows);
  bool IsRunning() const { return m_runner->IsRunning(); }
  QString StartButtonText() const;
  int ProgressValue() const;

  void OnAdd();
  void OnDelete();
  void OnSetPara();
  void OnMoveUp();
  void OnMoveDown();
  void OnChooseTarget();
  void OnStartOrCancel();
  // Closing is refused while a splice runs.
  void reject() override;

  // Chunk size of the next runs and a call on the worker after each chunk;
  // tests use both to watch (and slow down) a splice in progress.
  void SetChunkObserver(size_t chunkBytes, std::function<void(uint64_t written, uint64_t total)> observer) {
    m_chunkBytes = chunkBytes;
    m_observer = std::move(observer);
  }

 signals:
  // On the GUI thread, when a run has ended and its message has been shown.
  void spliceEnded(corvane::tools::ToolCode code);

 private:
  // A file to splice: its path, whether it carries its parameters, its
  // segment count as seen when it was added. The table shows these rows.
  struct Row {
    QString path;
    bool set = false;
    uint32_t count = 0;
  };
  QStringList TextsOf(const Row& row) const;
  void ShowRow(int i);  // the table's row i from m_rows[i]
  void AddRow(const QString& path, bool set, uint32_t count);
  bool IsRowSelected(int row) const;
  void SetRowSelected(int row, bool selected);
  void SwapRows(int a, int b);
  // The parameter dialog on `path` (probed as `probe`); true only when it
  // was confirmed and the file now really carries its one record.
  bool SetParametersSaved(const QString& path, const corvane::tools::SpliceSource& probe);
  // Probes `path`; a file that cannot be read is told to the user.
  std::optional<corvane::tools::SpliceSource> Probe(const QString& path);
  void StartSplice();
  void UpdateControls();
  void OnWorkerDone(corvane::tools::ToolResult result);

  const session::DefaultParameters m_defaults;
  std::vector<Row> m_rows;  // in list order
  QTableWidget* m_list = nullptr;  // 1056, the view of m_rows
  QProgressBar* m_progressBar = nullptr;  // 1063
  QLineEdit* m_editTarget = nullptr;  // 1048
  QPushButton* m_startButton = nullptr;  // 1053
  QPushButton* m_exitButton = nullptr;
  std::vector<QWidget*> m_idleOnly;  // enabled only while idle

  QString m_targetPath;
  QString m_startText;
  QString m_cancelText;
  size_t m_chunkBytes = corvane::tools::kDefaultChunkBytes;
  std::function<void(uint64_t, uint64_t)> m_observer;

  std::unique_ptr<ToolRunner> m_runner;  // the splice in progress; first to go
};

}  // namespace ui
