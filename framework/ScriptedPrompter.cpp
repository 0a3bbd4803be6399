#include "framework/ScriptedPrompter.h"

namespace ordavia {

namespace {

MsgResult firstAnswer(MsgButtons b) {
    switch (b) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgResult::Yes;
        case MsgButtons::YesNoDefaultNo:
            return MsgResult::No;
        case MsgButtons::RetryCancel:
            return MsgResult::Retry;
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        default:
            return MsgResult::Ok;
    }
}

template <class T, class Q>
T take(Q& q, T fallback) {
    if (q.empty()) return fallback;
    T v = std::move(q.front());
    q.pop_front();
    return v;
}

class ScriptedProgress : public Progress {
public:
    explicit ScriptedProgress(long cancelAt) : cancelAt_(cancelAt) {}
    bool setValue(long value) override {
        if (cancelAt_ >= 0 && value >= cancelAt_) cancelled_ = true;
        return !cancelled_;
    }
    void setText(const std::string&) override {}
    bool cancelled() const override { return cancelled_; }

private:
    long cancelAt_;
    bool cancelled_ = false;
};

}  // namespace

std::vector<std::string> ScriptedPrompter::messages() const {
    std::vector<std::string> out;
    for (const auto& a : asked)
        if (a.kind == "message") out.push_back(a.text);
    return out;
}

MsgResult ScriptedPrompter::messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                       const std::string&) {
    asked.push_back({"message", text, buttons, icon});
    return take(messageAnswers, firstAnswer(buttons));
}

std::optional<std::string> ScriptedPrompter::promptText(const std::string&, const std::string& label,
                                                        const std::string& value) {
    asked.push_back({"text", label});
    return take(textAnswers, std::optional<std::string>(value));
}

std::optional<int> ScriptedPrompter::promptInt(const std::string&, const std::string& label, int value, int, int) {
    asked.push_back({"int", label});
    return take(intAnswers, std::optional<int>(value));
}

std::optional<double> ScriptedPrompter::promptDouble(const std::string&, const std::string& label, double value,
                                                     double, double, int) {
    asked.push_back({"double", label});
    return take(doubleAnswers, std::optional<double>(value));
}

std::vector<std::string> ScriptedPrompter::openFiles(const std::string& title, const std::string&,
                                                     const std::string&, bool) {
    asked.push_back({"open", title});
    return take(fileAnswers, std::vector<std::string>{});
}

std::optional<std::string> ScriptedPrompter::saveFile(const std::string& title, const std::string&,
                                                      const std::string& proposed) {
    asked.push_back({"save", title});
    lastProposedName = proposed;
    return take(saveAnswers, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompter::chooseFolder(const std::string& title, const std::string&) {
    asked.push_back({"folder", title});
    return take(folderAnswers, std::optional<std::string>{});
}

std::unique_ptr<Progress> ScriptedPrompter::beginProgress(const std::string& title, const std::string&, long) {
    asked.push_back({"progress", title});
    return std::make_unique<ScriptedProgress>(cancelProgressAt);
}

}  // namespace ordavia
