#pragma once
// Menus declared as tables of commands. Each command is written once: its
// menu text exactly as documented, its shortcut and status tip, when it is
// available or ticked, and what it does; the menu is built from the table
// in the table's order, and the states are asked again each time the menu
// opens. A section row stands for entries that change while the program
// runs (the recent files, the open windows): they are asked for as the
// menu opens. Rows may form a radio group (one choice of several) or hold
// a submenu of rows of their own.
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace ordavia {

// One entry of a section, as its provider lists it when the menu opens.
struct MenuEntry {
    QString text;
    std::function<void()> run = {};  // none: shown but never available
    bool checkable = false;
    bool checked = false;
};

using MenuEntries = std::function<std::vector<MenuEntry>()>;

struct MenuCommand {
    // When `enabled` is asked.
    enum class Ask { OnOpen, OnBuild, Always };

    const char* text = nullptr;  // the menu text (UTF-8); null for a separator
    std::function<void()> run = {};  // none: shown but never available
    QKeySequence shortcut = {};
    // Where the shortcut works: the owner's window, or the whole program.
    Qt::ShortcutContext context = Qt::WindowShortcut;
    QIcon icon = {};
    const char* tip = nullptr;      // status tip
    const char* toolTip = nullptr;  // shown on hovering, where it differs from the text
    bool checkable = false;
    // Rows of one table with the same group name are one radio group:
    // checkable, shown as radio buttons, one ticked at a time.
    const char* radio = nullptr;
    std::function<bool()> enabled = {};  // none: always available
    Ask ask = Ask::OnOpen;
    // Asked as the menu opens and after the command ran: a checkable
    // command's tick shows the state it toggles, however that changed.
    std::function<bool()> checked = {};
    // Receives the action built (of a separator row too).
    QAction** action = nullptr;
    // A section instead of a command (text stays null): its entries stand
    // where this row stands, and its own separator shows only while it has
    // entries.
    MenuEntries entries = {};
    enum class Divider { None, Before, After };
    Divider divider = Divider::None;
    // A submenu under `text` instead of a command: its rows, built as a
    // table of their own (their states asked as the submenu opens).
    std::vector<MenuCommand> submenu = {};
};

using CommandTable = std::vector<MenuCommand>;

// A separator row of a table.
inline MenuCommand separator() { return MenuCommand{}; }

// A section row of a table.
inline MenuCommand section(MenuEntries entries, MenuCommand::Divider divider = MenuCommand::Divider::None) {
    return MenuCommand{.entries = std::move(entries), .divider = divider};
}

// Where the commands' shortcuts work: while the owner shows (the owner
// holds the actions), or only while the menu is in the menu bar.
enum class CommandKeys { Owner, MenuOnly };

// Adds the table's commands to `menu` in order; `owner` holds the
// handlers' connections (and the actions, see CommandKeys). The actions
// built, separators, sections and submenus left out.
QList<QAction*> addCommands(QMenu* menu, QWidget* owner, const CommandTable& table,
                            CommandKeys keys = CommandKeys::Owner);

// The same commands as actions of `owner` outside any menu (the entries a
// view adds to the main window's File menu); sections are left out.
QList<QAction*> makeCommandActions(QWidget* owner, const CommandTable& table,
                                   CommandKeys keys = CommandKeys::Owner);

}  // namespace ordavia
