#include "ui/prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

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

bool Prompts::OpenDocument(QWidget*, const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DialogPrompts::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QStringLiteral("Corvane"), text, QMessageBox::Ok);
}

std::optional<QString> DialogPrompts::ChooseFileToOpen(QWidget* parent, const QString& initialPath) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters({QCoreApplication::translate("ui::Prompts", "YUVFiles (*.4cif *.cif *.qcif *.yuv)"),
                         QCoreApplication::translate("ui::Prompts", "AllFiles(*.*) (*)")});
  if (!initialPath.isEmpty()) dialog.selectFile(initialPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

bool DialogPrompts::AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
  return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

std::optional<QString> DialogPrompts::ChooseFileToSave(QWidget* parent, const QString& initialPath) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The tool asks its own overwrite question when it starts; asking here too
  // would ask twice.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters({QCoreApplication::translate("ui::Prompts", "YUVFiles (*.4cif *.cif *.qcif *.yuv)"),
                         QCoreApplication::translate("ui::Prompts", "AllFiles(*.*) (*)")});
  if (!initialPath.isEmpty()) dialog.selectFile(initialPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> DialogPrompts::ChooseFolder(QWidget* parent, const QString& initialPath) {
  const QString dir = QFileDialog::getExistingDirectory(parent, QString(), initialPath, QFileDialog::ShowDirsOnly);
  if (dir.isEmpty()) return std::nullopt;
  return dir;
}

}  // namespace ui
