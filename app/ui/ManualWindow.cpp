#include "app/ui/ManualWindow.h"

#include <QDesktopServices>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace ordavia {

ManualWindow::ManualWindow(const QString& page, QWidget* parent) : QDialog(parent, Qt::Window) {
    setObjectName("ManualWindow");
    setWindowTitle("Ordavia User Manual");
    setModal(false);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(false);
    // Pages of the manual stay here; the rest of the web goes to a browser.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QUrl target = browser_->source().resolved(url);
        if (target.isLocalFile())
            browser_->setSource(target);
        else
            QDesktopServices::openUrl(url);
    });
    l->addWidget(browser_);
    browser_->setSource(QUrl::fromLocalFile(page));
    resize(820, 900);
}

bool ManualWindow::showSection(const QString& text) {
    QTextDocument* d = browser_->document();
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() > 0 && b.text().contains(text, Qt::CaseInsensitive)) {
            QTextCursor c(b);
            browser_->setTextCursor(c);
            browser_->ensureCursorVisible();
            return true;
        }
    }
    return false;
}

}  // namespace ordavia
