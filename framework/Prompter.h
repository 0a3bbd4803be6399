#pragma once
// Everything a document or command asks of the user goes through a
// Prompter: message boxes, value prompts, file and folder choosers and
// progress with cancel. The workstation installs a Qt implementation; tests
// install a ScriptedPrompter; the command-line tool installs one that never
// asks and answers with defaults.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

// YesNoDefaultNo: Yes and No with No as the default answer (Enter, a
// scripted answer left out), for a question whose safe answer is No.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore, YesNoDefaultNo };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// A running progress report. setValue returns false once the user asked to
// cancel; the computation then stops at the next convenient place.
class Progress {
public:
    virtual ~Progress() = default;
    virtual bool setValue(long value) = 0;
    virtual void setText(const std::string& text) = 0;
    virtual bool cancelled() const = 0;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    virtual MsgResult messageBox(const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None, const std::string& caption = {}) = 0;

    virtual std::optional<std::string> promptText(const std::string& title, const std::string& label,
                                                  const std::string& value) = 0;
    virtual std::optional<int> promptInt(const std::string& title, const std::string& label, int value, int min,
                                         int max) = 0;
    virtual std::optional<double> promptDouble(const std::string& title, const std::string& label, double value,
                                               double min, double max, int decimals) = 0;

    // Filters are in the framework's form: "Text|*.a;*.b|Other|*.c||".
    virtual std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                               const std::string& start, bool multiple) = 0;
    virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                                const std::string& proposed) = 0;
    virtual std::optional<std::string> chooseFolder(const std::string& title, const std::string& start) = 0;

    virtual std::unique_ptr<Progress> beginProgress(const std::string& title, const std::string& text,
                                                    long maximum) = 0;

    // A question answered by buttons of the caller's own texts; the index of
    // the button chosen. The last button is what Escape or closing the box
    // chooses. This default asks a message box: the first three buttons
    // stand on Yes, No and Cancel (Cancel gives the last index).
    virtual size_t chooseButton(const std::string& text, const std::vector<std::string>& buttons,
                                MsgIcon icon = MsgIcon::Question);

    // One file, or nothing when cancelled.
    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& start = {}) {
        auto v = openFiles(title, filter, start, false);
        if (v.empty()) return std::nullopt;
        return v.front();
    }
};

// The one way a command's failure reaches the user: its reason in a message
// box. Nothing on success, for a failure the user need not be told about
// (cancelled, no result) or while quiet. A file that could not be read or
// written shows as an error, any other refusal with the icon given.
void showFailure(Prompter& prompter, const Status& status, bool quiet, MsgIcon refusal = MsgIcon::Warning);

// Splits a framework filter into (text, patterns) pairs; the patterns keep
// their "*.ext;*.ext" form.
std::vector<std::pair<std::string, std::string>> splitFilter(const std::string& filter);

}  // namespace ordavia
