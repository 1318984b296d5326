#include "ui/custom_size_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "ui/prompts.h"
#include "ui/resource_ids.h"
#include "ui/window_frames.h"

namespace ui {

CustomSizeDialog::CustomSizeDialog(QWidget* parent) : QDialog(parent) {
  UseDialogFrame(this);
  setWindowTitle(tr("自定义宽高"));
  auto* grid = new QGridLayout(this);
  auto addEdit = [&](int row, const QString& label, int id) {
    grid->addWidget(new QLabel(label, this), row, 0);
    auto* edit = new QLineEdit(QStringLiteral("0"), this);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    grid->addWidget(edit, row, 1);
    return edit;
  };
  m_editWidth = addEdit(0, tr("宽"), ids::kCustomWidthEdit);
  m_editHeight = addEdit(1, tr("高"), ids::kCustomHeightEdit);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(tr("确定"), this);
  ok->setObjectName(QStringLiteral("btn%1").arg(ids::kIdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("取消"), this);
  cancel->setObjectName(QStringLiteral("btn%1").arg(ids::kIdCancel));
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 2, 0, 1, 2);
  connect(ok, &QPushButton::clicked, this, &CustomSizeDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CustomSizeDialog::reject);
}

std::optional<uint32_t> CustomSizeDialog::ParseUnsigned(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  for (QChar c : t)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  bool ok = false;
  const uint v = t.toUInt(&ok, 10);
  if (!ok) return std::nullopt;  // beyond 32 bits
  return uint32_t(v);
}

void CustomSizeDialog::SetResolution(uint32_t width, uint32_t height) {
  m_editWidth->setText(QString::number(width));
  m_editHeight->setText(QString::number(height));
}

void CustomSizeDialog::GetResolution(uint32_t* width, uint32_t* height) const {
  if (width) *width = m_width;
  if (height) *height = m_height;
}

void CustomSizeDialog::accept() {
  // Each edit is read as an unsigned number first; a text that is none is
  // refused with the standard prompt and its edit gets the focus.
  for (QLineEdit* edit : {m_editWidth, m_editHeight}) {
    if (!ParseUnsigned(edit->text())) {
      Prompts::Current().ShowMessage(this, tr("请输入一个正整数。"), MessageKind::kWarning);
      edit->setFocus();
      edit->selectAll();
      return;
    }
  }
  m_width = *ParseUnsigned(m_editWidth->text());
  m_height = *ParseUnsigned(m_editHeight->text());
  if (!IsValidSize(m_width, m_height)) {
    Prompts::Current().ShowMessage(this, tr("宽高值不合法或超过范围\n"), MessageKind::kWarning);
    m_width = m_height = 0;  // the edits keep what was typed
    return;
  }
  QDialog::accept();
}

}  // namespace ui
