#include "framework/Prompter.h"

namespace ordavia {

size_t Prompter::chooseButton(const std::string& text, const std::vector<std::string>& buttons, MsgIcon icon) {
    if (buttons.size() < 2) {
        messageBox(text, MsgButtons::Ok, icon);
        return 0;
    }
    const MsgResult r = messageBox(text, buttons.size() == 2 ? MsgButtons::YesNo : MsgButtons::YesNoCancel, icon);
    if (r == MsgResult::Yes) return 0;
    if (r == MsgResult::No) return 1;
    return buttons.size() - 1;
}

void showFailure(Prompter& prompter, const Status& status, bool quiet, MsgIcon refusal) {
    if (status.ok() || status.isSilent() || quiet) return;
    MsgIcon icon = refusal;
    switch (status.code()) {
        case StatusCode::BadFormat:
        case StatusCode::NotFound:
        case StatusCode::IoError:
        case StatusCode::NoSpace:
        case StatusCode::NoMemory:
            icon = MsgIcon::Error;
            break;
        default:
            break;
    }
    prompter.messageBox(status.reason(), MsgButtons::Ok, icon);
}

std::vector<std::pair<std::string, std::string>> splitFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;
        out.emplace_back(parts[i], parts[i + 1]);
    }
    return out;
}

}  // namespace ordavia
