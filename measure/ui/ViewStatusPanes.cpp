#include "measure/ui/ViewStatusPanes.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

namespace ordavia {

namespace {
constexpr const char* kObjectName = "ordaviaImageViewPanes";
// Minimum widths in characters, so that the panes do not jump about as the
// cursor moves: pos, pixel, line, dimlist, size, count, mag, zoom, tool.
constexpr int kWidths[ViewStatusPanes::kPaneCount] = {19, 9, 14, 9, 19, 4, 20, 10, 14};
}  // namespace

ViewStatusPanes::ViewStatusPanes(QStatusBar* bar) : QObject(bar) {
    setObjectName(kObjectName);
    const int em = bar->fontMetrics().horizontalAdvance('0');
    for (int i = 0; i < kPaneCount; ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(QString("imagePane%1").arg(i));
        l->setMinimumWidth(kWidths[i] * em);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(l);
        l->hide();
        panes_[static_cast<size_t>(i)] = l;
    }
}

ViewStatusPanes* ViewStatusPanes::forWidget(QWidget* w) {
    auto* main = w ? qobject_cast<QMainWindow*>(w->window()) : nullptr;
    if (!main) return nullptr;
    QStatusBar* bar = main->statusBar();
    if (auto* existing = bar->findChild<ViewStatusPanes*>(kObjectName, Qt::FindDirectChildrenOnly)) return existing;
    return new ViewStatusPanes(bar);
}

void ViewStatusPanes::show(const void* owner, const std::array<std::string, kPaneCount>& texts) {
    owner_ = owner;
    for (int i = 0; i < kPaneCount; ++i) {
        QLabel* l = panes_[static_cast<size_t>(i)];
        l->setText(QString::fromStdString(texts[static_cast<size_t>(i)]));
        l->show();
    }
}

void ViewStatusPanes::hideFor(const void* owner) {
    if (owner != owner_) return;
    owner_ = nullptr;
    for (QLabel* l : panes_) l->hide();
}

}  // namespace ordavia
