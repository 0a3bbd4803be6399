#include "chart/ChartMessages.h"

#include "framework/Prompter.h"

namespace ordavia::chart {

void reportLowMemory() { Prompter::current().messageBox(kLowMemory, MsgButtons::Ok, MsgIcon::Warning); }

bool askYesNo(const std::string& text) {
    return Prompter::current().messageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
}

void showMessage(const std::string& text) { Prompter::current().messageBox(text, MsgButtons::Ok, MsgIcon::Information); }

}  // namespace ordavia::chart
