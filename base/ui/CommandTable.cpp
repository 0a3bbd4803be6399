#include "base/ui/CommandTable.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

namespace ordavia {

namespace {

QAction* build(QWidget* owner, const MenuCommand& c, bool ownerKeys) {
    auto* a = new QAction(QString::fromUtf8(c.text), owner);
    if (!c.icon.isNull()) a->setIcon(c.icon);
    if (!c.shortcut.isEmpty()) {
        a->setShortcut(c.shortcut);
        a->setShortcutContext(c.context);
    }
    if (c.tip) a->setStatusTip(QString::fromUtf8(c.tip));
    if (c.toolTip) a->setToolTip(QString::fromUtf8(c.toolTip));
    a->setCheckable(c.checkable || c.radio);
    if (c.run) {
        const QPointer<QAction> self(a);
        QObject::connect(a, &QAction::triggered, owner, [run = c.run, checked = c.checked, self] {
            run();
            if (checked && self) self->setChecked(checked());
        });
        if (ownerKeys) owner->addAction(a);
    } else {
        a->setEnabled(false);
    }
    if (c.enabled && c.ask != MenuCommand::Ask::OnOpen) a->setEnabled(c.enabled());
    if (c.action) *c.action = a;
    return a;
}

// The section's entries are made afresh each time the menu opens, in
// front of a hidden marker that keeps the section's place.
void addSection(QMenu* menu, QWidget* owner, const MenuCommand& c) {
    using D = MenuCommand::Divider;
    QAction* divider = c.divider == D::Before ? menu->addSeparator() : nullptr;
    QAction* place = menu->addSeparator();
    place->setVisible(false);
    if (c.divider == D::After) divider = menu->addSeparator();
    if (divider) divider->setVisible(false);
    auto made = std::make_shared<QList<QPointer<QAction>>>();
    QObject::connect(menu, &QMenu::aboutToShow, place, [menu, owner, place, divider, made, entries = c.entries] {
        for (const QPointer<QAction>& a : *made) {
            if (!a) continue;
            menu->removeAction(a);
            a->deleteLater();
        }
        made->clear();
        const std::vector<MenuEntry> list = entries();
        for (const MenuEntry& e : list) {
            auto* a = new QAction(e.text, menu);
            a->setCheckable(e.checkable);
            a->setChecked(e.checked);
            if (e.run) QObject::connect(a, &QAction::triggered, owner, [run = e.run] { run(); });
            else a->setEnabled(false);
            menu->insertAction(place, a);
            *made << a;
        }
        if (divider) divider->setVisible(!list.empty());
    });
}

}  // namespace

QList<QAction*> addCommands(QMenu* menu, QWidget* owner, const CommandTable& table, CommandKeys keys) {
    QList<QAction*> out;
    std::map<std::string, QActionGroup*> groups;
    for (const MenuCommand& c : table) {
        if (c.entries) {
            addSection(menu, owner, c);
            continue;
        }
        if (!c.text) {
            QAction* s = menu->addSeparator();
            if (c.action) *c.action = s;
            continue;
        }
        if (!c.submenu.empty()) {
            QMenu* sub = menu->addMenu(QString::fromUtf8(c.text));
            addCommands(sub, owner, c.submenu, keys);
            if (c.action) *c.action = sub->menuAction();
            continue;
        }
        QAction* a = build(owner, c, keys == CommandKeys::Owner);
        if (c.radio) {
            QActionGroup*& group = groups[c.radio];
            if (!group) group = new QActionGroup(menu);
            group->addAction(a);
        }
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

QList<QAction*> makeCommandActions(QWidget* owner, const CommandTable& table, CommandKeys keys) {
    QList<QAction*> out;
    for (const MenuCommand& c : table)
        if (c.text) out << build(owner, c, keys == CommandKeys::Owner);
    return out;
}

}  // namespace ordavia
