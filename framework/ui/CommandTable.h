#pragma once
// Menus declared as tables of commands. Each command is written once: its
// menu text exactly as documented, its shortcut and status tip, when it is
// available or ticked, and what it does; the menu is built from the table
// in the table's order, and the states are asked again each time the menu
// opens.
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace ordavia {

struct MenuCommand {
    // When `enabled` is asked.
    enum class Ask { OnOpen, OnBuild, Always };

    const char* text = nullptr;  // the menu text (UTF-8); null for a separator
    std::function<void()> run = {};  // none: shown but never available
    QKeySequence shortcut = {};
    // Where the shortcut works: the owner's window, or the whole program.
    Qt::ShortcutContext context = Qt::WindowShortcut;
    QIcon icon = {};
    const char* tip = nullptr;  // status tip
    bool checkable = false;
    std::function<bool()> enabled = {};  // none: always available
    Ask ask = Ask::OnOpen;
    std::function<bool()> checked = {};  // asked as the menu opens
    QAction** action = nullptr;          // receives the action built
};

using CommandTable = std::vector<MenuCommand>;

// A separator row of a table.
inline MenuCommand separator() { return MenuCommand{}; }

// Adds the table's commands to `menu` in order; `owner` holds the actions
// (so that their shortcuts work while it has the focus) and their
// handlers' connections. The actions built, separators left out.
QList<QAction*> addCommands(QMenu* menu, QWidget* owner, const CommandTable& table);

// The same commands as actions of `owner` outside any menu (the entries a
// view adds to the main window's File menu).
QList<QAction*> makeCommandActions(QWidget* owner, const CommandTable& table);

}  // namespace ordavia
