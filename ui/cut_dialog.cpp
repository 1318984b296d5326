#include "ui/cut_dialog.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <climits>
#include <filesystem>
#include <span>

#include "tools/copy_support.h"
#include "ui/custom_size_dialog.h"
#include "ui/messages.h"
#include "ui/prompts.h"
#include "ui/window_frames.h"

namespace ui {

namespace tools = corvane::tools;

CutDialog::CutDialog(const QString& sourcePath, const corvane::YUVPara& para, QWidget* parent)
    : QDialog(parent),
      m_targetPath(QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("clip.yuv")))),
      m_para(para),
      m_sourcePath(sourcePath) {
  UseDialogFrame(this);
  setWindowTitle(tr("文件剪切"));
  auto* group = new QGroupBox(tr("帧号范围"), this);
  m_rangeText = new QLabel(group);
  m_rangeText->setObjectName(QStringLiteral("text1041"));
  m_editStart = new QLineEdit(group);
  m_editStart->setObjectName(QStringLiteral("edit1042"));
  m_editEnd = new QLineEdit(group);
  m_editEnd->setObjectName(QStringLiteral("edit1035"));
  // Frame numbers are unsigned decimals: the fields take digits and nothing
  // else (at most ten, a 32-bit number's length).
  for (QLineEdit* edit : {m_editStart, m_editEnd})
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), edit));
  auto* grid = new QGridLayout(group);
  grid->addWidget(m_rangeText, 0, 0, 1, 2);
  grid->addWidget(new QLabel(tr("起始帧"), group), 1, 0);
  grid->addWidget(m_editStart, 1, 1);
  grid->addWidget(new QLabel(tr("结束帧"), group), 2, 0);
  grid->addWidget(m_editEnd, 2, 1);

  m_editTarget = new QLineEdit(m_targetPath, this);
  m_editTarget->setObjectName(QStringLiteral("edit1036"));
  m_browseButton = new QPushButton(tr("..."), this);
  m_browseButton->setObjectName(QStringLiteral("btn1066"));
  auto* targetRow = new QHBoxLayout;
  targetRow->addWidget(new QLabel(tr("目标文件:"), this));
  targetRow->addWidget(m_editTarget, 1);
  targetRow->addWidget(m_browseButton);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  m_cutButton = new QPushButton(tr("剪切"), this);
  m_cutButton->setObjectName(QStringLiteral("btn1043"));
  m_cutButton->setDefault(true);
  m_exitButton = new QPushButton(tr("退出"), this);
  m_exitButton->setObjectName(QStringLiteral("btnCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_cutButton);
  buttons->addWidget(m_exitButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(targetRow);
  layout->addWidget(rule);
  layout->addLayout(buttons);

  connect(m_cutButton, &QPushButton::clicked, this, &CutDialog::OnCut);
  connect(m_browseButton, &QPushButton::clicked, this, &CutDialog::OnChooseTarget);
  connect(m_exitButton, &QPushButton::clicked, this, &CutDialog::reject);
  m_runner = std::make_unique<ToolRunner>(kPollMs, nullptr);
  connect(m_runner.get(), &ToolRunner::progressed, this, [this](int perMille) {
    if (m_progressDialog) m_progressDialog->setValue(perMille);
  });
  connect(m_runner.get(), &ToolRunner::finished, this, &CutDialog::OnWorkerDone);
  m_progressDelay.setSingleShot(true);
  m_progressDelay.setInterval(kProgressDelayMs);
  connect(&m_progressDelay, &QTimer::timeout, this, [this] {
    if (IsRunning() && m_progressDialog) m_progressDialog->show();
  });

  // Frames are counted over the data before the trailer: a trailer is never
  // offered, or copied, as a frame.
  if (!m_sourcePath.isEmpty()) {
    const tools::CutSource source = tools::ProbeCut(m_sourcePath.toStdString(), m_para);
    if (source.result) m_frameCount = source.frameCount;
    // A Y4M file is cut into a Y4M file: the name offered says so (and the
    // chooser then starts on the Y4M files).
    if (source.streamHeader) {
      m_targetPath = QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("clip.y4m")));
      m_editTarget->setText(m_targetPath);
    }
  }
  if (m_frameCount != 0) m_rangeText->setText(RangeText());
  // The whole file to begin with: a range that is valid as it stands.
  m_startFrame = 1;
  m_endFrame = m_frameCount;
  m_editStart->setText(QString::number(m_startFrame));
  m_editEnd->setText(QString::number(m_endFrame));
}

// A dialog torn down mid-cut (its parent closing): the runner cancels and
// waits, before the widgets go.
CutDialog::~CutDialog() = default;

QString CutDialog::RangeText() const {
  return tr("帧号范围:%1-%2\r\n").arg(1).arg(m_frameCount);
}

void CutDialog::OnChooseTarget() {
  if (std::optional<QString> path = Prompts::Current().ChooseFileToSave(this, m_editTarget->text())) {
    m_targetPath = *path;
    m_editTarget->setText(m_targetPath);
  }
}

bool CutDialog::ReadControls() {
  m_targetPath = m_editTarget->text();
  // An entry that is not a number keeps the value read before, as it does
  // everywhere else; the cut then does not start.
  for (auto [edit, value] : {std::pair{m_editStart, &m_startFrame}, std::pair{m_editEnd, &m_endFrame}}) {
    const std::optional<uint32_t> v = CustomSizeDialog::ParseUnsigned(edit->text());
    if (!v) {
      Prompts::Current().ShowMessage(this, tr("请输入一个正整数。"), MessageKind::kWarning);
      edit->setFocus();
      edit->selectAll();
      return false;
    }
    *value = *v;
  }
  return true;
}

bool CutDialog::IsRangeValid() const {
  return m_startFrame != 0 && m_endFrame <= m_frameCount && m_startFrame <= m_endFrame;
}

void CutDialog::OnCut() {
  if (IsRunning()) return;
  Prompts& prompts = Prompts::Current();
  if (!ReadControls()) return;
  if (m_frameCount == 0 || m_sourcePath.isEmpty()) {
    prompts.ShowMessage(this, tr("文件参数获取失败!"), MessageKind::kError);
    return;
  }
  if (!IsRangeValid()) {
    prompts.ShowMessage(this, tr("输入参数不合法!\n"), MessageKind::kWarning);
    return;
  }
  {
    QFile source(m_sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
      prompts.ShowMessage(this, tr("打开文件错误!\n"), MessageKind::kError);
      return;
    }
  }
  const std::string target = m_targetPath.toStdString();
  const std::string sourcePath = m_sourcePath.toStdString();
  // Creating the target anew would empty the very file being cut: refused
  // as a target that cannot be created, before anyone is asked to replace it.
  if (target.empty() || platform::FindInputAtRisk(target, std::span(&sourcePath, 1))) {
    prompts.ShowMessage(this, tr("创建剪切文件失败!"), MessageKind::kError);
    return;
  }
  std::error_code ec;
  const bool exists = std::filesystem::exists(target, ec);
  if (exists && !prompts.AskYesNo(this, tr("警告"), tr("文件已存在，是否覆盖?"))) return;

  tools::CutJob job;
  job.source = sourcePath;
  job.para = m_para;
  job.firstFrame = m_startFrame;
  job.lastFrame = m_endFrame;
  job.target = target;
  job.overwrite = exists;
  job.chunkBytes = m_chunkBytes;
  StartWorker(std::move(job));
}

void CutDialog::StartWorker(tools::CutJob job) {
  if (!m_progressDialog) {
    m_progressDialog = new QProgressDialog(tr("文件剪切"), tr("取消"), 0, 1000, this);
    m_progressDialog->setObjectName(QStringLiteral("cutProgress"));
    m_progressDialog->setWindowModality(Qt::WindowModal);
    m_progressDialog->setAutoClose(false);
    m_progressDialog->setAutoReset(false);
    m_progressDialog->setMinimumDuration(INT_MAX);  // shown by m_progressDelay instead
    connect(m_progressDialog, &QProgressDialog::canceled, m_runner.get(), &ToolRunner::Cancel);
  }
  m_progressDialog->reset();
  m_progressDialog->hide();
  m_progressDialog->setValue(0);
  m_cutButton->setEnabled(false);
  m_browseButton->setEnabled(false);
  m_exitButton->setEnabled(false);

  m_runner->Start([job = std::move(job)](tools::ToolProgress* progress) { return tools::Cut(job, progress); },
                  m_observer);
  m_progressDelay.start();
}

void CutDialog::OnWorkerDone(tools::ToolResult result) {
  m_progressDelay.stop();
  if (m_progressDialog) m_progressDialog->hide();
  m_cutButton->setEnabled(true);
  m_browseButton->setEnabled(true);
  m_exitButton->setEnabled(true);
  const QString text = ToolResultText(Tool::kCut, result);
  if (!text.isEmpty()) Prompts::Current().ShowMessage(this, text, ToolResultKind(result));
  emit cutEnded(tools::CodeOf(result));
  if (result) accept();
}

void CutDialog::reject() {
  if (IsRunning()) return;
  QDialog::reject();
}

}  // namespace ui
