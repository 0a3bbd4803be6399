#pragma once
// The read-out panes of the image views on the main window's status
// bar. One set per main window, shared by all image views: the active view
// fills and shows them, and they go when no image view is active.
#include <QObject>
#include <QPointer>
#include <array>
#include <string>

class QLabel;
class QStatusBar;
class QWidget;

namespace ordavia {

class ViewStatusPanes : public QObject {
    Q_OBJECT
public:
    static constexpr int kPaneCount = 9;

    // The panes of the status bar of the main window that holds w (created
    // on first use); null when w is not inside a main window with one.
    static ViewStatusPanes* forWidget(QWidget* w);

    // Shows the texts on behalf of the owner, which becomes the owner.
    void show(const void* owner, const std::array<std::string, kPaneCount>& texts);
    // Hides the panes when they belong to the owner.
    void hideFor(const void* owner);
    const void* owner() const { return owner_; }
    QLabel* pane(int i) const { return panes_[static_cast<size_t>(i)]; }

private:
    explicit ViewStatusPanes(QStatusBar* bar);
    std::array<QLabel*, kPaneCount> panes_{};
    const void* owner_ = nullptr;
};

}  // namespace ordavia
