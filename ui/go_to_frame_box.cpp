#include "ui/go_to_frame_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "ui/window_frames.h"

namespace ui {

GoToFrameBox::GoToFrameBox(QWidget* parent, uint32_t total, uint32_t current) : QDialog(parent), m_total(total) {
  setObjectName(QStringLiteral("goToFrameBox"));
  UseDialogFrame(this);
  setWindowTitle(tr("转到帧"));
  auto* column = new QVBoxLayout(this);
  auto* row = new QHBoxLayout();
  row->addWidget(new QLabel(tr("帧号:"), this));
  m_edit = new QLineEdit(this);
  m_edit->setObjectName(QStringLiteral("frameNumber"));
  // Digits only, at most ten (frame numbers are 32-bit).
  m_edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), m_edit));
  if (current > 0) m_edit->setText(QString::number(current));
  m_edit->selectAll();
  // No buttons: Enter in the field takes the number, Escape closes (QDialog).
  connect(m_edit, &QLineEdit::returnPressed, this, &GoToFrameBox::accept);
  row->addWidget(m_edit);
  column->addLayout(row);
  m_hint = new QLabel(tr("1 - %1").arg(total), this);
  m_hint->setObjectName(QStringLiteral("frameRange"));
  column->addWidget(m_hint);
  // The box keeps the size its contents ask for, and grows with the hint
  // when a refusal puts a longer text there.
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void GoToFrameBox::accept() {
  bool ok = false;
  const qulonglong n = m_edit->text().toULongLong(&ok);
  if (!ok || n < 1 || n > m_total) {
    // Said in the box itself; the box stays for a correction.
    m_hint->setText(tr("请输入1到%1之间的帧号。").arg(m_total));
    m_edit->selectAll();
    return;
  }
  m_frame = uint32_t(n);
  QDialog::accept();
}

std::optional<uint32_t> GoToFrameBox::Ask(QWidget* parent, uint32_t total, uint32_t current) {
  GoToFrameBox box(parent, total, current);
  if (RunModal(box) != QDialog::Accepted) return std::nullopt;
  return box.Frame();
}

}  // namespace ui
