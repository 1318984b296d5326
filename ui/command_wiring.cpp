#include "ui/command_wiring.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>

#include "ui/command_table.h"

namespace ui {

using session::Command;
using session::PlayState;

namespace {

constexpr char kSourceTextProperty[] = "corvaneSourceText";
// The command's stable name (session/commands.h), for scripts.
constexpr char kCommandNameProperty[] = "corvaneCommand";

QString MenuText(const char* source) { return QCoreApplication::translate("ui::PlayerWindow", source); }

}  // namespace

void SetSourceText(QAction* action, const char* source) {
  action->setProperty(kSourceTextProperty, QByteArray(source));
  action->setText(MenuText(source));
}

void RetranslateMenus(QWidget* bar) {
  for (QAction* a : bar->findChildren<QAction*>()) {
    const QVariant source = a->property(kSourceTextProperty);
    if (source.isValid()) a->setText(MenuText(source.toByteArray().constData()));
  }
}

bool CommandHandlers::Has(Command c) const {
  return std::any_of(m_handlers.begin(), m_handlers.end(), [c](const auto& h) { return h.first == c; });
}

bool CommandHandlers::Run(Command c) const {
  for (const auto& [command, run] : m_handlers)
    if (command == c) {
      run();
      return true;
    }
  return false;
}

QHash<int, QAction*> BuildMenuBar(QMenuBar* bar, QObject* owner, std::function<void(Command)> run) {
  QHash<int, QAction*> items;
  QHash<QString, QMenu*> menus;
  QHash<int, QActionGroup*> groups;  // by the session rows' radio groups
  for (const CommandUi& r : kCommandUi) {
    const MenuItem& e = r.item;
    if (e.id == 0) continue;
    const QString top = QString::fromUtf8(e.menu);
    QMenu*& menu = menus[top];
    if (!menu) {
      menu = bar->addMenu(QString());
      SetSourceText(menu->menuAction(), e.menu);
    }
    QMenu* in = menu;
    if (e.submenu) {
      QMenu*& sub = menus[top + u'/' + QString::fromUtf8(e.submenu)];
      if (!sub) {
        sub = menu->addMenu(QString());
        SetSourceText(sub->menuAction(), e.submenu);
      }
      in = sub;
    }
    QAction* a = in->addAction(QString());
    SetSourceText(a, e.text);
    a->setObjectName(QStringLiteral("act%1").arg(e.id));
    a->setProperty(kCommandNameProperty, QByteArray(session::RowOf(r.command).name));
    a->setCheckable(e.checkable);
    // One of each group is always checked: radio marks, not check boxes.
    if (const session::Group g = session::RowOf(r.command).group; session::IsRadio(g)) {
      QActionGroup*& group = groups[int(g)];
      if (!group) group = new QActionGroup(owner);
      group->addAction(a);
    }
    items.insert(e.id, a);
    // Qt flips a checkable item before it reports the click; the items are
    // set afresh from the session after every command.
    QObject::connect(a, &QAction::triggered, owner, [run, c = r.command] { run(c); });
  }
  return items;
}

void ShowMenuState(const QHash<int, QAction*>& items, const session::PlayerSession& session) {
  const session::PlayerView v = session.View();
  const int component = v.state == PlayState::NoFile ? 0 : v.component;
  using session::Group;
  for (const CommandUi& r : kCommandUi) {
    if (r.item.id == 0) continue;
    QAction* a = items.value(r.item.id);
    a->setEnabled(session.CanRun(r.command));
    const session::CommandRow& row = session::RowOf(r.command);
    switch (row.group) {
      case Group::kZoom: a->setChecked(row.value == int(v.zoom)); break;
      case Group::kComponent: a->setChecked(row.value == component); break;
      case Group::kMatrix: a->setChecked(row.value == int(v.colour.matrix)); break;
      case Group::kRange: a->setChecked(row.value == int(v.colour.range)); break;
      case Group::kCompareView: a->setChecked(row.value == int(v.compareView)); break;
      case Group::kDiffGain: a->setChecked(row.value == v.diffGain); break;
      default: break;
    }
    if (r.command == Command::GraphSsim) a->setChecked(v.graphSsim);
    if (r.command == Command::Reverse) a->setChecked(v.reverse && v.state != PlayState::NoFile);
  }
}

KeyOutcome CommandForKeyEvent(QEvent* event, const std::function<bool(session::Command)>& acts) {
  if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return {};
  auto* key = static_cast<QKeyEvent*>(event);
  if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return {};
  // Claiming the override makes the key arrive as a key press, so no
  // shortcut anywhere acts on it.
  event->accept();
  if (event->type() != QEvent::KeyPress) return {true, std::nullopt};
  return {true, CommandForKey(key->key(), key->modifiers(), acts)};
}

}  // namespace ui
