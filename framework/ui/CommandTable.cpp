#include "framework/ui/CommandTable.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace ordavia {

namespace {

QAction* build(QWidget* owner, const MenuCommand& c) {
    auto* a = new QAction(QString::fromUtf8(c.text), owner);
    if (!c.icon.isNull()) a->setIcon(c.icon);
    if (!c.shortcut.isEmpty()) {
        a->setShortcut(c.shortcut);
        a->setShortcutContext(c.context);
    }
    if (c.tip) a->setStatusTip(QString::fromUtf8(c.tip));
    a->setCheckable(c.checkable);
    if (c.run) {
        QObject::connect(a, &QAction::triggered, owner, [run = c.run] { run(); });
        owner->addAction(a);
    } else {
        a->setEnabled(false);
    }
    if (c.enabled && c.ask != MenuCommand::Ask::OnOpen) a->setEnabled(c.enabled());
    if (c.action) *c.action = a;
    return a;
}

}  // namespace

QList<QAction*> addCommands(QMenu* menu, QWidget* owner, const CommandTable& table) {
    QList<QAction*> out;
    for (const MenuCommand& c : table) {
        if (!c.text) {
            menu->addSeparator();
            continue;
        }
        QAction* a = build(owner, c);
        menu->addAction(a);
        out << a;
        const bool refresh = c.enabled && c.ask != MenuCommand::Ask::OnBuild;
        if (refresh || c.checked) {
            QObject::connect(menu, &QMenu::aboutToShow, a, [a, enabled = refresh ? c.enabled : nullptr, checked = c.checked] {
                if (enabled) a->setEnabled(enabled());
                if (checked) a->setChecked(checked());
            });
        }
    }
    return out;
}

QList<QAction*> makeCommandActions(QWidget* owner, const CommandTable& table) {
    QList<QAction*> out;
    for (const MenuCommand& c : table)
        if (c.text) out << build(owner, c);
    return out;
}

}  // namespace ordavia
