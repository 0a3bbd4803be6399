#pragma once
// A toolbar whose buttons run commands of the view in front, found by their
// menu text: each button is enabled (and checked) exactly when the active
// view has that command enabled (checked), so a button never does something
// the window in front cannot. Buttons come in groups that can be shown or
// hidden together; a group's toggle button shows or hides the buttons that
// follow it.
#include <QPointer>
#include <QToolBar>
#include <vector>

class QMenu;

namespace ordavia {

class RoutedToolbar : public QToolBar {
    Q_OBJECT
public:
    enum Group { kNoGroup = 0, kChartEditing = 1, kMeasurement = 2, kImageTools = 3 };

    // One button: what it does (its tooltip), the view command it runs, its
    // icon in the frame's set, its group, and whether a separator goes
    // before it. A button whose command is empty and whose group is set is
    // that group's toggle.
    struct Button {
        const char* name;
        const char* command;  // the view's menu text
        const char* icon;
        int group = kNoGroup;
        bool newGroup = false;
    };

    RoutedToolbar(const QString& title, const std::vector<Button>& buttons, QWidget* parent = nullptr);

    // Routes the buttons to the commands of the view now in front (null:
    // no window, every view button disabled).
    void setActiveView(QWidget* view);
    // The button that runs a view command, by the command's menu text.
    QAction* buttonFor(const QString& command) const;
    // Shows or hides the buttons of a group together.
    void setGroupShown(int group, bool on);
    bool groupShown(int group) const;
    // The toggle button of a group (null when the bar has none).
    QAction* groupToggle(int group) const;

private:
    struct Route {
        const Button* button = nullptr;
        QAction* proxy = nullptr;
        QPointer<QAction> target;
        QString where;  // the menu the command lives in
    };
    void refresh(Route& r);

    std::vector<Button> buttons_;
    std::vector<Route> routes_;
    std::vector<QMetaObject::Connection> watches_;
    std::vector<int> hiddenGroups_;
};

// The action of a view command by its menu text: in the view's own menus
// (and their submenus), its File menu actions or its widget actions. Sets
// *where to the title of the menu it was found in. Null when the view has
// no such command.
QAction* findViewCommand(QWidget* view, const QString& text, QString* where = nullptr);

// A menu text without its accelerator marks ("&Open..." -> "Open...").
QString plainMenuText(const QString& menuText);

}  // namespace ordavia
