#include "ui/command_wiring.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>

#include "ui/command_table.h"
#include "ui/resource_ids.h"

namespace ui {

using session::Command;
using session::PlayState;

namespace {

constexpr char kSourceTextProperty[] = "corvaneSourceText";

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

QHash<int, QAction*> BuildMenuBar(QMenuBar* bar, QObject* owner, std::function<void(Command)> run) {
  QHash<int, QAction*> items;
  QHash<QString, QMenu*> menus;
  QActionGroup* groups[7] = {nullptr};
  for (int g = 1; g < 7; ++g) groups[g] = new QActionGroup(owner);
  for (const MenuEntry& e : MenuEntries()) {
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
    a->setCheckable(e.checkable);
    // One of each group is always checked: radio marks, not check boxes.
    if (QActionGroup* g = groups[int(e.group)]) g->addAction(a);
    items.insert(e.id, a);
    // Qt flips a checkable item before it reports the click; the items are
    // set afresh from the session after every command.
    QObject::connect(a, &QAction::triggered, owner, [run, c = e.command] { run(c); });
  }
  return items;
}

void ShowMenuState(const QHash<int, QAction*>& items, const session::PlayerSession& session,
                   const session::WindowFacts& window) {
  const session::PlayerView v = session.View();
  const int component = v.state == PlayState::NoFile ? 0 : v.component;
  for (const MenuEntry& e : MenuEntries()) {
    QAction* a = items.value(e.id);
    a->setEnabled(session.CanRun(e.command, window));
    if (e.group == MenuGroup::kZoom) a->setChecked(int(e.command) - int(Command::Zoom50) == int(v.zoom));
    if (e.group == MenuGroup::kComponent) a->setChecked(int(e.command) - int(Command::ComponentYUV) == component);
    if (e.group == MenuGroup::kMatrix) a->setChecked(int(e.command) - int(Command::Matrix601) == int(v.colour.matrix));
    if (e.group == MenuGroup::kRange)
      a->setChecked((e.command == Command::RangeFull) == (v.colour.range == corvane::YuvRange::kFull));
    if (e.group == MenuGroup::kCompareView) a->setChecked(int(e.command) - int(Command::ViewA) == int(v.compareView));
    if (e.group == MenuGroup::kDiffGain)
      a->setChecked(v.diffGain == (e.command == Command::DiffGain1 ? 1 : e.command == Command::DiffGain4 ? 4 : 16));
    if (e.command == Command::GraphSsim) a->setChecked(v.graphSsim);
  }
  items.value(ids::kPlayReverse)->setChecked(v.reverse && v.state != PlayState::NoFile);
}

KeyOutcome CommandForKeyEvent(QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return {};
  auto* key = static_cast<QKeyEvent*>(event);
  if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return {};
  // Claiming the override makes the key arrive as a key press, so no
  // shortcut anywhere acts on it.
  event->accept();
  if (event->type() != QEvent::KeyPress) return {true, std::nullopt};
  return {true, CommandForKey(key->key(), key->modifiers())};
}

}  // namespace ui
