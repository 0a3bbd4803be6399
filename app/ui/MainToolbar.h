#pragma once
// The workstation's main toolbar: Open, Save, the clipboard, the chart
// editing buttons, the Doppler bandwidth pair and the live chart's hold.
// Every button but Open runs a command of the active view, found by its
// menu text, and is enabled exactly when the active view has that command
// enabled; so a button never does something the window in front cannot.
#include <QPointer>
#include <QToolBar>
#include <vector>

class QMenu;

namespace ordavia {

class MainToolbar : public QToolBar {
    Q_OBJECT
public:
    // One button: what it does (its tooltip) and the view command it runs.
    struct Button {
        const char* name;
        const char* command;  // the view's menu text
        int icon;
        bool chartEditing;    // one of the ten from Cut to hide trace
        bool newGroup;        // a separator goes before it
    };
    static const std::vector<Button>& buttons();

    // openAction is the frame's own "&Open...": always there.
    MainToolbar(QAction* openAction, QWidget* parent = nullptr);

    // Routes the buttons to the commands of the view now in front (null:
    // no window, every view button disabled).
    void setActiveView(QWidget* view);
    // The button that runs a view command, by the command's menu text.
    QAction* buttonFor(const QString& command) const;
    // Shows or hides the ten chart editing buttons together.
    void setChartEditingShown(bool on);
    bool chartEditingShown() const { return chartShown_; }

private:
    struct Route {
        const Button* button = nullptr;
        QAction* proxy = nullptr;
        QPointer<QAction> target;
        QString where;  // the menu the command lives in
    };
    void refresh(Route& r);

    std::vector<Route> routes_;
    std::vector<QMetaObject::Connection> watches_;
    bool chartShown_ = true;
};

// The action of a view command by its menu text: in the view's own menus
// (and their submenus), its File menu actions or its widget actions. Sets
// *where to the title of the menu it was found in. Null when the view has
// no such command.
QAction* findViewCommand(QWidget* view, const QString& text, QString* where = nullptr);

}  // namespace ordavia
