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

}  // namespace ui
