#include "chart/ChartMessages.h"

#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"

namespace ordavia::chart {

namespace {
Prompter& need(Prompter* p) {
    if (!p) throw MissingService("prompter");
    return *p;
}
}  // namespace

void reportLowMemory(Prompter* p) {
    // Traces and vectors made outside any document have nobody to tell;
    // the log keeps the fact, and the document that wanted them sees none.
    if (!p) {
        debugLog("%s\n", kLowMemory);
        return;
    }
    p->messageBox(kLowMemory, MsgButtons::Ok, MsgIcon::Warning);
}

bool askYesNo(const std::string& text, Prompter* p) {
    return need(p).messageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
}

void showMessage(const std::string& text, Prompter* p) {
    need(p).messageBox(text, MsgButtons::Ok, MsgIcon::Information);
}

}  // namespace ordavia::chart
