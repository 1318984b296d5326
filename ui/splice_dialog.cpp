#include "ui/splice_dialog.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "tools/copy_support.h"
#include "ui/parameter_dialog.h"
#include "ui/messages.h"
#include "ui/prompts.h"
#include "ui/window_frames.h"

namespace ui {

namespace tools = corvane::tools;

namespace {

enum Column { kPath = 0, kState = 1, kCount = 2 };

}  // namespace

SpliceDialog::SpliceDialog(QWidget* parent, const session::DefaultParameters& defaults)
    : QDialog(parent),
      m_defaults(defaults),
      m_targetPath(QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("mix.yuv")))),
      m_startText(tr("开始拼接")),
      m_cancelText(tr("取消拼接")) {
  UseDialogFrame(this);
  setWindowTitle(tr("文件拼接"));
  auto* buttonRow = new QHBoxLayout;
  auto button = [&](int id, const char* text, void (SpliceDialog::*slot)()) {
    auto* b = new QPushButton(tr(text), this);
    b->setObjectName(QStringLiteral("btn%1").arg(id));
    connect(b, &QPushButton::clicked, this, slot);
    m_idleOnly.push_back(b);
    return b;
  };
  buttonRow->addWidget(new QLabel(tr("待拼接文件列表"), this));
  buttonRow->addStretch();
  buttonRow->addWidget(button(1057, QT_TR_NOOP("添加"), &SpliceDialog::OnAdd));
  buttonRow->addWidget(button(1058, QT_TR_NOOP("删除"), &SpliceDialog::OnDelete));
  buttonRow->addWidget(button(1060, QT_TR_NOOP("上移↑"), &SpliceDialog::OnMoveUp));
  buttonRow->addWidget(button(1061, QT_TR_NOOP("下移↓"), &SpliceDialog::OnMoveDown));
  buttonRow->addWidget(button(1059, QT_TR_NOOP("设置参数"), &SpliceDialog::OnSetPara));

  m_list = new QTableWidget(0, 3, this);
  m_list->setObjectName(QStringLiteral("list1056"));
  m_list->setHorizontalHeaderLabels({tr("路径"), tr("参数设置"), tr("片段数")});
  m_list->setColumnWidth(kPath, 310);
  m_list->setColumnWidth(kState, 100);
  m_list->setColumnWidth(kCount, 100);
  m_list->verticalHeader()->hide();
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_idleOnly.push_back(m_list);

  m_editTarget = new QLineEdit(m_targetPath, this);
  m_editTarget->setObjectName(QStringLiteral("edit1048"));
  m_idleOnly.push_back(m_editTarget);
  auto* targetRow = new QHBoxLayout;
  targetRow->addWidget(new QLabel(tr("拼接文件保存路径："), this));
  targetRow->addWidget(m_editTarget, 1);
  targetRow->addWidget(button(1054, QT_TR_NOOP("..."), &SpliceDialog::OnChooseTarget));

  m_progressBar = new QProgressBar(this);
  m_progressBar->setObjectName(QStringLiteral("progress1063"));
  m_progressBar->setRange(0, 100);
  m_progressBar->setValue(0);
  m_startButton = new QPushButton(m_startText, this);
  m_startButton->setObjectName(QStringLiteral("btn1053"));
  connect(m_startButton, &QPushButton::clicked, this, &SpliceDialog::OnStartOrCancel);
  m_exitButton = new QPushButton(tr("退出"), this);
  m_exitButton->setObjectName(QStringLiteral("btnCancel"));
  connect(m_exitButton, &QPushButton::clicked, this, &SpliceDialog::reject);
  m_idleOnly.push_back(m_exitButton);
  auto* progressRow = new QHBoxLayout;
  progressRow->addWidget(new QLabel(tr("拼接进度："), this));
  progressRow->addWidget(m_progressBar, 1);
  progressRow->addWidget(m_startButton);
  progressRow->addWidget(m_exitButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttonRow);
  layout->addWidget(m_list, 1);
  layout->addLayout(targetRow);
  layout->addLayout(progressRow);
  resize(560, 420);

  m_runner = std::make_unique<ToolRunner>(kTimerMs, nullptr);
  connect(m_runner.get(), &ToolRunner::progressed, this, [this](int perMille) { m_progressBar->setValue(perMille / 10); });
  connect(m_runner.get(), &ToolRunner::finished, this, &SpliceDialog::OnWorkerDone);
}

// Torn down mid-run (the player closing): the runner cancels and waits
// before the widgets go; the core then leaves no partial target.
SpliceDialog::~SpliceDialog() = default;

// ---- Rows -------------------------------------------------------------------

QStringList SpliceDialog::TextsOf(const Row& row) const {
  return {row.path, row.set ? tr("已设置") : tr("未设置"), QString::number(row.count)};
}

std::vector<QStringList> SpliceDialog::Rows() const {
  std::vector<QStringList> rows;
  for (const Row& r : m_rows) rows.push_back(TextsOf(r));
  return rows;
}

void SpliceDialog::ShowRow(int i) {
  const QStringList texts = TextsOf(m_rows[size_t(i)]);
  for (int c : {kPath, kState, kCount}) {
    if (QTableWidgetItem* item = m_list->item(i, c))
      item->setText(texts[c]);
    else
      m_list->setItem(i, c, new QTableWidgetItem(texts[c]));
  }
}

bool SpliceDialog::IsRowSelected(int row) const {
  return m_list->selectionModel()->isRowSelected(row, QModelIndex());
}

void SpliceDialog::SetRowSelected(int row, bool selected) {
  m_list->selectionModel()->select(m_list->model()->index(row, 0), (selected ? QItemSelectionModel::Select
                                                                             : QItemSelectionModel::Deselect) |
                                                                        QItemSelectionModel::Rows);
}

std::vector<int> SpliceDialog::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < int(m_rows.size()); ++i)
    if (IsRowSelected(i)) rows.push_back(i);
  return rows;
}

void SpliceDialog::SelectRows(const std::vector<int>& rows) {
  m_list->clearSelection();
  for (int r : rows) SetRowSelected(r, true);
}

void SpliceDialog::AddRow(const QString& path, bool set, uint32_t count) {
  const int row = int(m_rows.size());
  m_rows.push_back({path, set, count});
  m_list->insertRow(row);
  ShowRow(row);
  m_list->selectionModel()->setCurrentIndex(m_list->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

std::optional<corvane::tools::SpliceSource> SpliceDialog::Probe(const QString& path) {
  tools::SpliceSource probe = tools::ProbeSpliceInput(path.toStdString());
  const tools::ToolCode code = tools::CodeOf(probe.result);
  if (code == tools::ToolCode::kOpenSourceFailed || code == tools::ToolCode::kReadFailed) {
    if (const int err = tools::ErrorOf(probe.result).error; err != 0)
      Prompts::Current().ShowMessageWithReason(this, tr("打开文件失败\n"), ErrorText(err),
                                               MessageKind::kError);
    else
      Prompts::Current().ShowMessage(this, tr("打开文件失败\n"), MessageKind::kError);
    return std::nullopt;
  }
  return probe;
}

bool SpliceDialog::SetParametersSaved(const QString& path, const tools::SpliceSource& probe) {
  corvane::YUVPara chosen{};
  if (!ParameterDialog::AskForTool(this, path, m_defaults, probe, &chosen)) return false;
  // A confirmed dialog is not yet a saved trailer: a read-only file takes
  // none, and a file may vanish meanwhile. Only a record now in the file
  // marks the row.
  const tools::SpliceSource now = tools::ProbeSpliceInput(path.toStdString());
  // (What the record says is the splice's to refuse, by name.)
  return now.recordCount == 1 && !now.records.empty();
}

void SpliceDialog::OnAdd() {
  std::optional<QString> path = Prompts::Current().ChooseFileToOpen(this, QString());
  if (!path) return;
  const std::optional<tools::SpliceSource> probe = Probe(*path);
  if (!probe) return;
  if (!probe->records.empty())
    AddRow(*path, true, probe->recordCount);
  else
    AddRow(*path, SetParametersSaved(*path, *probe), 1);
}

void SpliceDialog::OnDelete() {
  for (int i = int(m_rows.size()) - 1; i >= 0; --i)
    if (IsRowSelected(i)) {
      m_rows.erase(m_rows.begin() + i);
      m_list->removeRow(i);
    }
}

void SpliceDialog::OnSetPara() {
  const std::vector<int> selected = SelectedRows();
  if (selected.empty()) return;
  const int row = selected.front();
  const uint32_t count = m_rows[size_t(row)].count;
  if (count > 1) {
    Prompts::Current().ShowMessage(this, tr("该文件为拼接文件，不可重新设置参数"), MessageKind::kWarning);
    return;
  }
  if (count != 1) return;
  const QString path = m_rows[size_t(row)].path;
  const std::optional<tools::SpliceSource> probe = Probe(path);
  if (!probe || !SetParametersSaved(path, *probe)) return;
  const std::string p = path.toStdString();
  for (size_t i = 0; i < m_rows.size(); ++i) {
    if (m_rows[i].path != path && !platform::SameFile(m_rows[i].path.toStdString(), p)) continue;
    m_rows[i].set = true;
    ShowRow(int(i));
  }
}

void SpliceDialog::SwapRows(int a, int b) {
  const int n = int(m_rows.size());
  if (a >= n || b >= n) return;
  std::swap(m_rows[size_t(a)], m_rows[size_t(b)]);
  ShowRow(a);
  ShowRow(b);
}

// A selected row moves only into a place that is not selected: a block of
// selected rows moves as a whole, and one at the edge stays where it is with
// its selection.
void SpliceDialog::OnMoveUp() {
  const int n = int(m_rows.size());
  if (n < 2) return;
  for (int i = 1; i < n; ++i) {
    if (!IsRowSelected(i) || IsRowSelected(i - 1)) continue;
    SetRowSelected(i, false);
    SwapRows(i - 1, i);
    SetRowSelected(i - 1, true);
  }
  m_list->setFocus();
}

void SpliceDialog::OnMoveDown() {
  const int n = int(m_rows.size());
  if (n < 2) return;
  for (int i = n - 2; i >= 0; --i) {
    if (!IsRowSelected(i) || IsRowSelected(i + 1)) continue;
    SetRowSelected(i, false);
    SwapRows(i, i + 1);
    SetRowSelected(i + 1, true);
  }
  m_list->setFocus();
}

void SpliceDialog::OnChooseTarget() {
  if (std::optional<QString> path = Prompts::Current().ChooseFileToSave(this, m_editTarget->text())) {
    m_targetPath = *path;
    m_editTarget->setText(m_targetPath);
  }
}

// ---- Running ----------------------------------------------------------------

void SpliceDialog::OnStartOrCancel() {
  m_targetPath = m_editTarget->text();
  if (!IsRunning() && m_startButton->text() == m_startText) {
    StartSplice();
  } else if (IsRunning() && m_startButton->text() == m_cancelText) {
    m_runner->Cancel();
  }
}

void SpliceDialog::StartSplice() {
  Prompts& prompts = Prompts::Current();
  const std::string target = m_targetPath.toStdString();
  if (target.empty()) return;
  // Creating the target anew would empty an input before it is read:
  // refused as a target that cannot be created, before anyone is asked to
  // replace it.
  std::vector<std::string> inputs;
  for (const Row& row : m_rows) inputs.push_back(row.path.toStdString());
  if (platform::FindInputAtRisk(target, inputs)) {
    prompts.ShowMessage(this, tr("创建拼接文件失败!"), MessageKind::kError);
    return;
  }
  std::error_code ec;
  const bool exists = std::filesystem::exists(target, ec);
  if (exists && !prompts.AskYesNo(this, tr("警告"), tr("文件已存在，是否覆盖?"))) return;
  if (m_rows.empty()) {
    prompts.ShowMessage(this, tr("请先添加待文件"), MessageKind::kWarning);
    return;
  }
  for (const Row& row : m_rows) {
    if (!row.set) {
      prompts.ShowMessage(this, tr("请设置文件参数"), MessageKind::kWarning);
      return;
    }
  }

  tools::SpliceJob job;
  job.target = target;
  job.overwrite = exists;
  job.chunkBytes = m_chunkBytes;
  for (const Row& row : m_rows) job.inputs.push_back({row.path.toStdString(), row.count});

  m_progressBar->setFormat(QStringLiteral("%p%"));
  m_runner->Start([job = std::move(job)](tools::ToolProgress* progress) { return tools::Splice(job, progress); },
                  m_observer);
  UpdateControls();
}

void SpliceDialog::UpdateControls() {
  const bool running = IsRunning();
  for (QWidget* w : m_idleOnly) w->setEnabled(!running);
  m_startButton->setEnabled(true);
  if (running) {
    if (m_startButton->text() == m_startText) m_startButton->setText(m_cancelText);
  } else {
    m_progressBar->setValue(0);
    if (m_startButton->text() == m_cancelText) m_startButton->setText(m_startText);
  }
}

void SpliceDialog::OnWorkerDone(tools::ToolResult result) {
  UpdateControls();
  // A cancel asks no question and leaves nothing behind; the bar says what
  // happened rather than just dropping to 0 %.
  if (tools::CodeOf(result) == tools::ToolCode::kCancelled) m_progressBar->setFormat(tr("已取消拼接"));
  const QString text = ToolResultText(Tool::kSplice, result);
  if (!text.isEmpty())
    Prompts::Current().ShowMessage(this, text, ToolResultKind(result));
  emit spliceEnded(tools::CodeOf(result));
}

int SpliceDialog::ProgressValue() const { return m_progressBar->value(); }
QString SpliceDialog::StartButtonText() const { return m_startButton->text(); }

void SpliceDialog::reject() {
  if (IsRunning()) return;
  QDialog::reject();
}

}  // namespace ui
