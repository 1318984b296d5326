#include "ui/prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "ui/window_frames.h"

namespace ui {

namespace {
std::unique_ptr<Prompts>& Slot() {
  static std::unique_ptr<Prompts> current = std::make_unique<DialogPrompts>();
  return current;
}
}  // namespace

Prompts& Prompts::Current() { return *Slot(); }

std::unique_ptr<Prompts> Prompts::Install(std::unique_ptr<Prompts> p) {
  if (!p) p = std::make_unique<DialogPrompts>();
  std::swap(Slot(), p);
  return p;
}

bool Prompts::OpenDocument(QWidget* parent, const QString& path, std::function<void()> failed) {
  // QDesktopServices::openUrl reports only that xdg-open started, not that
  // it found a viewer; its exit status says that.
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  auto* process = new QProcess(parent);
  QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
    process->deleteLater();
    if ((status != QProcess::NormalExit || code != 0) && failed) failed();
  });
  QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    process->deleteLater();
    if (failed) failed();
  });
  process->start(opener, {path});
  return true;
}

namespace {

// A message box whose frame has a close button only and which is wide enough
// for its caption: the window manager elides a caption that does not fit
// between the frame's buttons ("Co…e"), and QMessageBox sizes itself to its
// text alone. A spacer across the bottom of its grid is the one width it
// keeps.
void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
             QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault, int* answer,
             const QString& reason = {}) {
  QMessageBox box(icon, caption, text, buttons, parent);
  if (!reason.isEmpty()) box.setInformativeText(reason);
  box.setDefaultButton(byDefault);
  UseDialogFrame(&box);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(DialogPrompts::kMinMessageWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  const int result = RunModal(box);
  if (answer) *answer = result;
}

// The names coded files commonly have: containers (MP4, QuickTime,
// Matroska, WebM, IVF, MPEG transport and program streams) and elementary
// streams (H.264, HEVC, AV1 OBUs, MPEG-2 video).
constexpr const char* kCodedPatterns =
    "*.mp4 *.m4v *.mov *.mkv *.webm *.ivf *.ts *.m2ts *.mts *.mpg *.mpeg *.264 *.h264 *.avc *.265 *.h265 *.hevc "
    "*.obu *.m2v";

// The choosers' filters: the raw files, Y4M files, coded video files,
// everything. A chooser that starts on a .y4m or coded file shows those, so
// the file it names is listed.
void SetVideoFileFilters(QFileDialog& dialog, const QString& initialPath) {
  const QString y4m = QCoreApplication::translate("ui::Prompts", "Y4M文件 (*.y4m)");
  const QString coded =
      QCoreApplication::translate("ui::Prompts", "视频文件 (%1)").arg(QString::fromLatin1(kCodedPatterns));
  dialog.setNameFilters({QCoreApplication::translate("ui::Prompts", "YUV文件 (*.4cif *.cif *.qcif *.yuv)"), y4m,
                         coded, QCoreApplication::translate("ui::Prompts", "所有文件 (*)")});
  const QString suffix = QStringLiteral("*.") + QFileInfo(initialPath).suffix().toLower();
  if (initialPath.endsWith(QStringLiteral(".y4m"), Qt::CaseInsensitive))
    dialog.selectNameFilter(y4m);
  else if (suffix.size() > 2 && QString::fromLatin1(kCodedPatterns).split(u' ').contains(suffix))
    dialog.selectNameFilter(coded);
}

QMessageBox::Icon IconOf(MessageKind kind) {
  return kind == MessageKind::kError     ? QMessageBox::Critical
         : kind == MessageKind::kWarning ? QMessageBox::Warning
                                         : QMessageBox::Information;
}

}  // namespace

void DialogPrompts::ShowMessage(QWidget* parent, const QString& text, MessageKind kind) {
  ShowBox(parent, IconOf(kind), QStringLiteral("Corvane"), text, QMessageBox::Ok, QMessageBox::Ok, nullptr);
}

void DialogPrompts::ShowMessageWithReason(QWidget* parent, const QString& text, const QString& reason,
                                          MessageKind kind) {
  // The written text keeps its trailing line break; the box would show it as
  // an empty line above the reason.
  QString shown = text;
  while (shown.endsWith(u'\n')) shown.chop(1);
  ShowBox(parent, IconOf(kind), QStringLiteral("Corvane"), shown, QMessageBox::Ok, QMessageBox::Ok, nullptr, reason);
}

std::optional<QString> DialogPrompts::ChooseFileToOpen(QWidget* parent, const QString& initialPath) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  SetVideoFileFilters(dialog, initialPath);
  if (!initialPath.isEmpty()) dialog.selectFile(initialPath);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

bool DialogPrompts::AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
  int answer = QMessageBox::No;
  ShowBox(parent, QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, &answer);
  return answer == QMessageBox::Yes;
}

std::optional<QString> DialogPrompts::ChooseFileToSave(QWidget* parent, const QString& initialPath) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The tool asks its own overwrite question when it starts; asking here too
  // would ask twice.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  SetVideoFileFilters(dialog, initialPath);
  if (!initialPath.isEmpty()) dialog.selectFile(initialPath);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> DialogPrompts::ChooseExportFile(QWidget* parent, const QString& initialPath,
                                                       const QString& filter, const QString& suffix) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the export asks, about the name with its extension
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(suffix);
  // A whole path: the chooser opens in its folder with its name in the name box.
  if (!initialPath.isEmpty()) dialog.selectFile(initialPath);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> DialogPrompts::ChooseFolder(QWidget* parent, const QString& initialPath) {
  QFileDialog dialog(parent, QString(), initialPath);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString dir = dialog.selectedFiles().first();
  if (dir.isEmpty()) return std::nullopt;
  return dir;
}

}  // namespace ui
