#include "ui/help_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/resources.h"
#include "ui/resource_ids.h"
#include "ui/window_frames.h"

namespace ui {

namespace {

// An OK button "确定" that closes the dialog.
QDialogButtonBox* OkButton(QDialog* dialog) {
  auto* box = new QDialogButtonBox(dialog);
  QPushButton* ok = box->addButton(QDialog::tr("确定"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  return box;
}

}  // namespace

std::pair<QString, QString> HelpDialog::SplitLine(const QString& line) {
  // The key ends at the first colon; the spaces after it only aligned.
  const qsizetype colon = line.indexOf(QLatin1Char(':'));
  if (colon < 0) return {line.trimmed(), QString()};
  return {line.left(colon + 1), line.mid(colon + 1).trimmed()};
}

QStringList HelpDialog::Lines() {
  // The texts as written (the runs of spaces once lined the second column
  // up); the dialog shows them split in two columns.
  static const char* const kLines[] = {
      QT_TR_NOOP("左键双击:      正常视图<->全屏"),
      QT_TR_NOOP("空格:                      播放<->暂停"),
      QT_TR_NOOP(".(句号):                  停止"),
      QT_TR_NOOP("方向上键:              暂停"),
      QT_TR_NOOP("方向下键:              播放"),
      QT_TR_NOOP("Home键:                 调至第一帧"),
      QT_TR_NOOP("End键:                    调至最末帧"),
      QT_TR_NOOP("方向左键:              单帧回退"),
      QT_TR_NOOP("方向右键:              单帧步进"),
      QT_TR_NOOP("Ctrl + C:                  关闭文件"),
      QT_TR_NOOP("Ctrl + O:                  打开文件"),
      QT_TR_NOOP("Ctrl + T:                   剪切文件"),
      QT_TR_NOOP("Ctrl + M:                  拼接文件"),
      QT_TR_NOOP("Ctrl + One:              半数尺寸"),
      QT_TR_NOOP("Ctrl + Two:              原始尺寸"),
      QT_TR_NOOP("Ctrl + Three:           两倍尺寸"),
  };
  QStringList out;
  for (const char* line : kLines) out << tr(line);
  return out;
}

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("helpDialog"));
  UseDialogFrame(this);
  setWindowTitle(tr("帮助"));
  QFont f(QStringLiteral("Tahoma"));
  f.setPointSize(8);
  setFont(f);
  auto* group = new QGroupBox(tr("快捷键"), this);
  // A real two-column table: the runs of spaces in the texts were meant to
  // line the descriptions up in one font and are ragged in any other.
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(16);
  int n = 0;
  for (const QString& text : Lines()) {
    const auto [keys, meaning] = SplitLine(text);
    auto* key = new QLabel(keys, group);
    key->setObjectName(QStringLiteral("key%1").arg(++n));
    auto* what = new QLabel(meaning, group);
    what->setObjectName(QStringLiteral("line%1").arg(n));
    grid->addWidget(key, n - 1, 0);
    grid->addWidget(what, n - 1, 1);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(OkButton(this));
  setFixedSize(sizeHint());
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutDialog"));
  UseDialogFrame(this);
  setWindowTitle(tr("关于 Corvane"));
  QFont f(QStringLiteral("Tahoma"));
  f.setPointSize(9);
  setFont(f);
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setPixmap(QIcon(controls::IconPath(ids::kImageAppIcon)).pixmap(32, 32));
  auto* version = new QLabel(tr("Corvane Version: 1.0.0.1 beta"), this);
  version->setObjectName(QStringLiteral("version"));
  auto* about = new QLabel(tr("原始 YUV 视频文件播放器"), this);
  about->setObjectName(QStringLiteral("description"));
  auto* texts = new QVBoxLayout;
  texts->addWidget(version);
  texts->addWidget(about);
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(OkButton(this));
  setFixedSize(sizeHint());
}

}  // namespace ui
