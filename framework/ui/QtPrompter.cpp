#include "framework/ui/QtPrompter.h"

#include <QApplication>
#include <QDir>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

class QtProgress : public Progress {
public:
    QtProgress(QWidget* parent, const std::string& title, const std::string& text, long maximum)
        : dlg_(q(text), QStringLiteral("Cancel"), 0, static_cast<int>(std::min<long>(maximum, INT_MAX)), parent) {
        dlg_.setWindowTitle(q(title));
        dlg_.setWindowModality(Qt::WindowModal);
        dlg_.setMinimumDuration(400);
        dlg_.setValue(0);
    }
    bool setValue(long value) override {
        dlg_.setValue(static_cast<int>(std::min<long>(value, dlg_.maximum())));
        QApplication::processEvents();
        return !dlg_.wasCanceled();
    }
    void setText(const std::string& text) override { dlg_.setLabelText(q(text)); }
    bool cancelled() const override { return dlg_.wasCanceled(); }

private:
    QProgressDialog dlg_;
};

}  // namespace

QString QtPrompter::qtFilter(const std::string& filter) {
    QStringList parts;
    for (const auto& [text, patterns] : splitFilter(filter)) {
        QString pat = q(patterns);
        pat.replace(';', ' ');
        QString t = q(text);
        // "Images (*.cs1)" already shows its patterns; others get them added.
        if (!t.contains('(')) t += " (" + pat + ")";
        else if (!t.contains(pat)) t = t.left(t.indexOf('(')).trimmed() + " (" + pat + ")";
        parts << t;
    }
    return parts.join(";;");
}

MsgResult QtPrompter::messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                 const std::string& caption) {
    QMessageBox box(parent_);
    box.setWindowTitle(caption.empty() ? QStringLiteral("Ordavia") : q(caption));
    box.setText(q(text));
    switch (icon) {
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        default: break;
    }
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    switch (buttons) {
        case MsgButtons::OkCancel: b = QMessageBox::Ok | QMessageBox::Cancel; break;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoDefaultNo: b = QMessageBox::Yes | QMessageBox::No; break;
        case MsgButtons::YesNoCancel: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
        case MsgButtons::RetryCancel: b = QMessageBox::Retry | QMessageBox::Cancel; break;
        case MsgButtons::AbortRetryIgnore: b = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
        default: break;
    }
    box.setStandardButtons(b);
    if (buttons == MsgButtons::YesNoDefaultNo) {
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return MsgResult::Ok;
        case QMessageBox::Cancel: return MsgResult::Cancel;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        case QMessageBox::Retry: return MsgResult::Retry;
        case QMessageBox::Abort: return MsgResult::Abort;
        case QMessageBox::Ignore: return MsgResult::Ignore;
        default: return buttons == MsgButtons::Ok ? MsgResult::Ok : (b & QMessageBox::Cancel ? MsgResult::Cancel : MsgResult::Ok);
    }
}

size_t QtPrompter::chooseButton(const std::string& text, const std::vector<std::string>& buttons, MsgIcon icon) {
    if (buttons.empty()) return 0;
    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Ordavia"));
    box.setText(q(text));
    box.setIcon(icon == MsgIcon::Warning ? QMessageBox::Warning
                : icon == MsgIcon::Error ? QMessageBox::Critical
                : icon == MsgIcon::Information ? QMessageBox::Information
                : icon == MsgIcon::Question ? QMessageBox::Question
                                            : QMessageBox::NoIcon);
    std::vector<QPushButton*> made;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const bool last = i + 1 == buttons.size();
        made.push_back(box.addButton(q(buttons[i]), last && buttons.size() > 1 ? QMessageBox::RejectRole
                                                                                : QMessageBox::AcceptRole));
    }
    box.setDefaultButton(made.front());
    box.setEscapeButton(made.back());
    box.exec();
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return i;
    return buttons.size() - 1;
}

std::optional<std::string> QtPrompter::promptText(const std::string& title, const std::string& label,
                                                  const std::string& value) {
    bool ok = false;
    const QString s = QInputDialog::getText(parent_, q(title), q(label), QLineEdit::Normal, q(value), &ok);
    if (!ok) return std::nullopt;
    return s.toStdString();
}

std::optional<int> QtPrompter::promptInt(const std::string& title, const std::string& label, int value, int min,
                                         int max) {
    bool ok = false;
    const int v = QInputDialog::getInt(parent_, q(title), q(label), value, min, max, 1, &ok);
    if (!ok) return std::nullopt;
    return v;
}

std::optional<double> QtPrompter::promptDouble(const std::string& title, const std::string& label, double value,
                                               double min, double max, int decimals) {
    bool ok = false;
    const double v = QInputDialog::getDouble(parent_, q(title), q(label), value, min, max, decimals, &ok);
    if (!ok) return std::nullopt;
    return v;
}

std::vector<std::string> QtPrompter::openFiles(const std::string& title, const std::string& filter,
                                               const std::string& start, bool multiple) {
    std::vector<std::string> out;
    const QString from = q(folders_.startFor(start));
    if (multiple) {
        for (const QString& f : QFileDialog::getOpenFileNames(parent_, q(title), from, qtFilter(filter)))
            out.push_back(f.toStdString());
    } else {
        const QString f = QFileDialog::getOpenFileName(parent_, q(title), from, qtFilter(filter));
        if (!f.isEmpty()) out.push_back(f.toStdString());
    }
    if (!out.empty()) folders_.rememberFile(out.front());
    return out;
}

std::optional<std::string> QtPrompter::saveFile(const std::string& title, const std::string& filter,
                                                const std::string& proposed) {
    const QString f = QFileDialog::getSaveFileName(parent_, q(title), q(folders_.startFor(proposed)), qtFilter(filter));
    if (f.isEmpty()) return std::nullopt;
    folders_.rememberFile(f.toStdString());
    return f.toStdString();
}

namespace {

// The folder chooser takes a typed folder that does not exist yet and
// creates it, so that "Open or create a new data folder" means what it says.
class CreatingFolderDialog : public QFileDialog {
public:
    CreatingFolderDialog(QWidget* parent, const QString& caption, const QString& start)
        : QFileDialog(parent, caption, start) {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly, true);
        setOption(QFileDialog::DontUseNativeDialog, true);
        // The dialog disables its button for a folder that does not exist;
        // these run after its own checks and allow any typed name.
        if (auto* edit = findChild<QLineEdit*>("fileNameEdit")) {
            connect(edit, &QLineEdit::textChanged, this, &CreatingFolderDialog::allowTyped);
            connect(this, &QFileDialog::directoryEntered, this, &CreatingFolderDialog::allowTyped);
            connect(this, &QFileDialog::currentChanged, this, &CreatingFolderDialog::allowTyped);
        }
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty()) {
            const QString path = QDir::cleanPath(chosen.first());
            const QFileInfo info(path);
            if (info.exists() && !info.isDir()) {
                QMessageBox::warning(this, windowTitle(), QString("%1\nis a file, not a folder.").arg(path));
                return;
            }
            if (!info.exists() && !QDir().mkpath(path)) {
                QMessageBox::warning(this, windowTitle(), QString("Cannot create the folder\n%1").arg(path));
                return;
            }
        }
        QFileDialog::accept();
    }

protected:
    void showEvent(QShowEvent* e) override {
        QFileDialog::showEvent(e);
        allowTyped();
    }

private:
    void allowTyped() {
        auto* edit = findChild<QLineEdit*>("fileNameEdit");
        auto* box = findChild<QDialogButtonBox*>("buttonBox");
        QPushButton* ok = box ? box->button(QDialogButtonBox::Open) : nullptr;
        if (!ok && box) ok = box->button(QDialogButtonBox::Save);
        if (edit && ok && !edit->text().trimmed().isEmpty()) ok->setEnabled(true);
    }
};

}  // namespace

std::optional<std::string> QtPrompter::chooseFolder(const std::string& title, const std::string& start) {
    // Like the folder-browse dialog it stands for, the prompt (which may run
    // over several lines) is shown inside the dialog; its first line is the
    // window title.
    const QString prompt = q(title);
    const std::string from = start.empty() ? folders_.startFor(start) : start;
    CreatingFolderDialog dlg(parent_, prompt.section('\n', 0, 0).trimmed(), from.empty() ? QDir::homePath() : q(from));
    dlg.setObjectName("ordaviaFolderDialog");
    dlg.setLabelText(QFileDialog::Accept, "&Choose");
    if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) {
        auto* label = new QLabel(prompt.trimmed(), &dlg);
        label->setWordWrap(true);
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        // Above everything else: move the existing rows down by one.
        QList<std::tuple<QLayoutItem*, int, int, int, int>> items;
        while (grid->count() > 0) {
            int r, c, rs, cs;
            grid->getItemPosition(0, &r, &c, &rs, &cs);
            items.append({grid->takeAt(0), r, c, rs, cs});
        }
        grid->addWidget(label, 0, 0, 1, -1);
        for (auto& [item, r, c, rs, cs] : items) grid->addItem(item, r + 1, c, rs, cs);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    const QString f = dlg.selectedFiles().first();
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::unique_ptr<Progress> QtPrompter::beginProgress(const std::string& title, const std::string& text,
                                                    long maximum) {
    return std::make_unique<QtProgress>(parent_, title, text, maximum);
}

}  // namespace ordavia
