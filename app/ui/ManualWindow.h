#pragma once
// The user manual in a window of the workstation's own, so that it opens
// where no web browser is installed: the help page of the program folder
// in a text browser, with its links followed inside the window (links to
// other sites go to the system's browser when there is one).
#include <QDialog>

class QTextBrowser;

namespace ordavia {

class ManualWindow : public QDialog {
    Q_OBJECT
public:
    // `page`: the manual's HTML file.
    explicit ManualWindow(const QString& page, QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }
    // Shows the section whose heading holds `text` (case ignored); false
    // when the manual has none.
    bool showSection(const QString& text);

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace ordavia
