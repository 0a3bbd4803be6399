#include "chart/ChartMessages.h"

#include "framework/Prompter.h"

namespace ordavia::chart {

Prompter& fallbackPrompter() { return Prompter::current(); }

void reportLowMemory(Prompter* p) {
    (p ? *p : fallbackPrompter()).messageBox(kLowMemory, MsgButtons::Ok, MsgIcon::Warning);
}

bool askYesNo(const std::string& text, Prompter* p) {
    return (p ? *p : fallbackPrompter()).messageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
}

void showMessage(const std::string& text, Prompter* p) {
    (p ? *p : fallbackPrompter()).messageBox(text, MsgButtons::Ok, MsgIcon::Information);
}

}  // namespace ordavia::chart
