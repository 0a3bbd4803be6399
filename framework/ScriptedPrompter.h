#pragma once
// A Prompter that answers from a script and records every question, for
// tests and for headless use. With an empty script it answers every message
// box with its default answer ("yes/ok", or No where No is the default),
// every prompt with its proposed value, and every chooser with nothing.
#include <deque>
#include <string>
#include <vector>

#include "framework/Prompter.h"

namespace ordavia {

class ScriptedPrompter : public Prompter {
public:
    struct Asked {
        std::string kind;  // "message", "text", "int", "double", "open", "save", "folder", "progress"
        std::string text;
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
    };

    // The name the last save chooser proposed.
    std::string lastProposedName;

    // Answers are consumed in order by the questions of the matching kind.
    void pushMessageAnswer(MsgResult r) { messageAnswers.push_back(r); }
    void pushText(std::optional<std::string> v) { textAnswers.push_back(std::move(v)); }
    void pushInt(std::optional<int> v) { intAnswers.push_back(v); }
    void pushDouble(std::optional<double> v) { doubleAnswers.push_back(v); }
    void pushFiles(std::vector<std::string> v) { fileAnswers.push_back(std::move(v)); }
    void pushSaveFile(std::optional<std::string> v) { saveAnswers.push_back(std::move(v)); }
    void pushFolder(std::optional<std::string> v) { folderAnswers.push_back(std::move(v)); }
    // Cancels progress reports once they reach this value (-1: never).
    long cancelProgressAt = -1;

    std::vector<Asked> asked;
    // The texts of the message boxes shown, in order.
    std::vector<std::string> messages() const;

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

private:
    std::deque<MsgResult> messageAnswers;
    std::deque<std::optional<std::string>> textAnswers;
    std::deque<std::optional<int>> intAnswers;
    std::deque<std::optional<double>> doubleAnswers;
    std::deque<std::vector<std::string>> fileAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<std::optional<std::string>> folderAnswers;
};

}  // namespace ordavia
