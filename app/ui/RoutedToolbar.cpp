#include "app/ui/RoutedToolbar.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "app/ui/FrameIcons.h"
#include "framework/ui/MenuProvider.h"

namespace ordavia {

namespace {

QAction* findInMenu(QMenu* m, const QString& text, QString* where) {
    if (!m) return nullptr;
    for (QAction* a : m->actions()) {
        if (a->menu()) {
            if (QAction* b = findInMenu(a->menu(), text, where)) return b;
        } else if (!a->isSeparator() && a->text() == text) {
            if (where) *where = plainMenuText(m->title());
            return a;
        }
    }
    return nullptr;
}

bool isToggle(const RoutedToolbar::Button& b) { return b.group != RoutedToolbar::kNoGroup && !*b.command; }

}  // namespace

QString plainMenuText(const QString& menuText) {
    QString t = menuText;
    t.replace("&&", "\x01");
    t.remove('&');
    t.replace("\x01", "&");
    return t;
}

QAction* findViewCommand(QWidget* view, const QString& text, QString* where) {
    if (!view) return nullptr;
    if (auto* provider = dynamic_cast<MenuProvider*>(view)) {
        for (QAction* a : provider->fileActions())
            if (a && a->text() == text) {
                if (where) *where = "File";
                return a;
            }
        for (QMenu* m : provider->documentMenus())
            if (QAction* a = findInMenu(m, text, where)) return a;
    }
    for (QAction* a : view->actions())
        if (a->text() == text) {
            if (where) where->clear();
            return a;
        }
    return nullptr;
}

RoutedToolbar::RoutedToolbar(const QString& title, const std::vector<Button>& buttons, QWidget* parent)
    : QToolBar(title, parent), buttons_(buttons) {
    setIconSize(QSize(24, 24));
    setMovable(true);
    setAllowedAreas(Qt::AllToolBarAreas);
    routes_.resize(buttons_.size());
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const Button& b = buttons_[i];
        if (b.newGroup) addSeparator();
        Route& r = routes_[i];
        r.button = &b;
        r.proxy = addAction(frameIcon(b.icon), QString::fromUtf8(b.name));
        if (isToggle(b)) {
            // Shows or hides the buttons that follow it in its group.
            r.proxy->setCheckable(true);
            r.proxy->setChecked(true);
            r.proxy->setToolTip(QString::fromUtf8(b.name) + ": show or hide the buttons of this group");
            const int group = b.group;
            connect(r.proxy, &QAction::triggered, this, [this, group](bool on) { setGroupShown(group, on); });
            continue;
        }
        r.proxy->setObjectName(QString::fromUtf8(b.command));
        connect(r.proxy, &QAction::triggered, this, [this, i] {
            Route& rt = routes_[i];
            if (rt.target && rt.target->isEnabled()) rt.target->trigger();
            refresh(rt);
        });
        refresh(r);
    }
}

void RoutedToolbar::setActiveView(QWidget* view) {
    for (const auto& c : watches_) disconnect(c);
    watches_.clear();
    for (size_t i = 0; i < routes_.size(); ++i) {
        Route& r = routes_[i];
        if (isToggle(*r.button)) continue;
        r.where.clear();
        r.target = findViewCommand(view, QString::fromUtf8(r.button->command), &r.where);
        // The button follows its command: enabled, checked, or gone with its view.
        if (r.target) {
            watches_.push_back(connect(r.target, &QAction::changed, this, [this, i] { refresh(routes_[i]); }));
            watches_.push_back(connect(r.target, &QObject::destroyed, this, [this, i] {
                routes_[i].target = nullptr;
                refresh(routes_[i]);
            }));
        }
        refresh(r);
    }
}

void RoutedToolbar::refresh(Route& r) {
    const QString command = plainMenuText(QString::fromUtf8(r.button->command));
    QAction* t = r.target.data();
    r.proxy->setEnabled(t && t->isEnabled());
    r.proxy->setCheckable(t && t->isCheckable());
    r.proxy->setChecked(t && t->isChecked());
    QString tip = QString::fromUtf8(r.button->name);
    if (!t)
        tip += " (" + command + "): not available in this window";
    else if (!t->statusTip().isEmpty())
        tip += " (" + command + ")\n" + t->statusTip();
    else
        tip += " (" + (r.where.isEmpty() ? command : r.where + " > " + command) + ")";
    r.proxy->setToolTip(tip);
}

QAction* RoutedToolbar::buttonFor(const QString& command) const {
    for (const Route& r : routes_)
        if (QString::fromUtf8(r.button->command) == command && !isToggle(*r.button)) return r.proxy;
    return nullptr;
}

QAction* RoutedToolbar::groupToggle(int group) const {
    for (const Route& r : routes_)
        if (isToggle(*r.button) && r.button->group == group) return r.proxy;
    return nullptr;
}

bool RoutedToolbar::groupShown(int group) const {
    return std::find(hiddenGroups_.begin(), hiddenGroups_.end(), group) == hiddenGroups_.end();
}

void RoutedToolbar::setGroupShown(int group, bool on) {
    if (on)
        hiddenGroups_.erase(std::remove(hiddenGroups_.begin(), hiddenGroups_.end(), group), hiddenGroups_.end());
    else if (groupShown(group))
        hiddenGroups_.push_back(group);
    for (const Route& r : routes_) {
        if (r.button->group != group) continue;
        if (isToggle(*r.button))
            r.proxy->setChecked(on);
        else
            r.proxy->setVisible(on);
    }
}

}  // namespace ordavia
