#pragma once
// The workstation's Prompter: Qt message boxes, input dialogs, file and
// folder dialogs and a progress dialog with Cancel.
#include <QPointer>
#include <QWidget>

#include "framework/DialogFolders.h"
#include "framework/Prompter.h"

namespace ordavia {

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* p) { parent_ = p; }

    MsgResult messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& caption) override;
    std::optional<std::string> promptText(const std::string& title, const std::string& label,
                                          const std::string& value) override;
    std::optional<int> promptInt(const std::string& title, const std::string& label, int value, int min,
                                 int max) override;
    std::optional<double> promptDouble(const std::string& title, const std::string& label, double value,
                                       double min, double max, int decimals) override;
    std::vector<std::string> openFiles(const std::string& title, const std::string& filter, const std::string& start,
                                       bool multiple) override;
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& proposed) override;
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& start) override;
    std::unique_ptr<Progress> beginProgress(const std::string& title, const std::string& text,
                                            long maximum) override;
    size_t chooseButton(const std::string& text, const std::vector<std::string>& buttons, MsgIcon icon) override;

    // "Text|*.a;*.b|..||" as a Qt name filter list ("Text (*.a *.b);;...").
    static QString qtFilter(const std::string& filter);

    // Where the file choosers open.
    DialogFolders& folders() { return folders_; }

private:
    QPointer<QWidget> parent_;
    DialogFolders folders_;
};

}  // namespace ordavia
