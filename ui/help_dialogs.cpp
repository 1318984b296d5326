#include "ui/help_dialogs.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QRegularExpression>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "controls/resources.h"
#include "ui/command_table.h"
#include "ui/language.h"
#include "ui/prompts.h"
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

namespace {

// A key as the menu texts write keys: "Ctrl+Shift+C", "Ctrl+←", "F2".
QString KeyName(const BoundKey& bound) {
  const KeyBinding& e = bound.binding;
  if (e.pad == Pad::kOnly && session::IsDigit(bound.command)) return HelpDialog::tr("小键盘0-9");
  QString name;
  if (e.ctrl == Ctrl::kYes) name += QStringLiteral("Ctrl+");
  if (e.shift) name += QStringLiteral("Shift+");
  switch (e.key) {
    case Qt::Key_Left: return name + QStringLiteral("←");
    case Qt::Key_Right: return name + QStringLiteral("→");
    case Qt::Key_Return:
    case Qt::Key_Enter: return name + QStringLiteral("Enter");
    case Qt::Key_Escape: return name + QStringLiteral("Esc");
    default: return name + QKeySequence(e.key).toString(QKeySequence::PortableText);
  }
}

// What a key's command does: the written line of another key of it, else
// its menu item's text without the keys written after it, else the
// table's own words.
QString MeaningOf(Command c) {
  for (const KeyBinding& e : UiOf(c).keys)
    if (e.help) return HelpDialog::SplitLine(HelpDialog::tr(e.help)).second;
  if (const MenuItem& m = UiOf(c).item; m.id != 0) {
    static const QRegularExpression kKeysAfter(QStringLiteral("\\s{2,}.*$"));
    return QCoreApplication::translate("ui::PlayerWindow", m.text).remove(kKeysAfter).trimmed();
  }
  if (const char* meaning = UiOf(c).words) return HelpDialog::tr(meaning);
  return {};
}

}  // namespace

int HelpDialog::WrittenLineCount() {
  return 1 + int(std::count_if(BoundKeys().begin(), BoundKeys().end(), [](const BoundKey& k) { return k.binding.help; }));
}

QStringList HelpDialog::Lines() {
  // The mouse's line, then the keys' written lines as the command table has
  // them, then every other key of the table, a line per command (its keys
  // side by side), so that a key added to the table shows here.
  QStringList out{tr(kDoubleClickHelp)};
  for (const BoundKey& k : BoundKeys())
    if (k.binding.help) out << tr(k.binding.help);
  struct Group {
    Command command;
    QStringList keys;
  };
  std::vector<Group> groups;
  for (const BoundKey& e : BoundKeys()) {
    if (e.binding.help) continue;
    const Command c = session::IsDigit(e.command) ? Command::Digit0 : e.command;
    auto g = std::find_if(groups.begin(), groups.end(), [c](const Group& x) { return x.command == c; });
    if (g == groups.end()) g = groups.insert(groups.end(), Group{c, {}});
    const QString key = KeyName(e);
    if (!g->keys.contains(key)) g->keys << key;
  }
  for (const Group& g : groups) out << g.keys.join(QStringLiteral(" / ")) + QStringLiteral(":  ") + MeaningOf(g.command);
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
  // line the descriptions up in one font and are ragged in any other. The
  // written lines fill the left pair of columns, the others the right pair,
  // so the list stays low enough for a small screen.
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(16);
  const int written = WrittenLineCount();
  int n = 0;
  for (const QString& text : Lines()) {
    const auto [keys, meaning] = SplitLine(text);
    auto* key = new QLabel(keys, group);
    key->setObjectName(QStringLiteral("key%1").arg(++n));
    auto* what = new QLabel(meaning, group);
    what->setObjectName(QStringLiteral("line%1").arg(n));
    const int row = n <= written ? n - 1 : n - 1 - written, column = n <= written ? 0 : 2;
    if (column > 0) key->setContentsMargins(16, 0, 0, 0);  // the pairs apart
    grid->addWidget(key, row, column);
    grid->addWidget(what, row, column + 1);
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
  // The written version line stays; the package's own version stands beside
  // it, so a report can name the build it came from.
  auto* package = new QLabel(tr("（软件包 %1）").arg(QStringLiteral(CORVANE_PACKAGE_VERSION)), this);
  package->setObjectName(QStringLiteral("packageVersion"));
  auto* versions = new QHBoxLayout;
  versions->addWidget(version);
  versions->addWidget(package);
  versions->addStretch(1);
  auto* about = new QLabel(tr("原始 YUV 视频文件播放器"), this);
  about->setObjectName(QStringLiteral("description"));
  auto* texts = new QVBoxLayout;
  texts->addLayout(versions);
  texts->addWidget(about);
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(OkButton(this));
  setFixedSize(sizeHint());
}

const QString kManualFileName = QStringLiteral("Corvane用户手册V1.0.0.1.pdf");
const QString kEnglishManualFileName = QStringLiteral("CorvaneUserManualV1.0.0.1.pdf");

QString FindUserManual() {
  QStringList folders{QCoreApplication::applicationDirPath()};
  folders += QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    folders << QDir(data).filePath(QStringLiteral("corvane"));
  QStringList names{kManualFileName, kEnglishManualFileName};
  if (CurrentLanguage() == Language::kEnglish) names.swapItemsAt(0, 1);
  for (const QString& name : names)
    for (const QString& folder : folders) {
      const QString path = QDir(folder).filePath(name);
      if (QFileInfo(path).isFile()) return path;
    }
  return {};
}

void OpenUserManual(QWidget* parent) {
  const QString path = FindUserManual();
  if (path.isEmpty()) {
    Prompts::Current().ShowMessage(parent, HelpDialog::tr("找不到用户手册!"), MessageKind::kWarning);
    return;
  }
  // Without a viewer for PDF files the user can still open it by hand: say
  // where it is.
  auto byHand = [parent, path] {
    Prompts::Current().ShowMessage(parent, HelpDialog::tr("没有可以打开用户手册的程序，请手动打开:\n%1").arg(QDir::toNativeSeparators(path)),
                                   MessageKind::kWarning);
  };
  if (!Prompts::Current().OpenDocument(parent, path, byHand)) byHand();
}

}  // namespace ui
