#include "db/HeadlessServices.h"

#include "framework/Document.h"
#include "settings/DebugLog.h"

namespace ordavia {

HeadlessServices::HeadlessServices() {
    prompterPtr = &answers_;
    opener = [](std::unique_ptr<Document>) -> Document* { return nullptr; };
}

MsgResult HeadlessServices::LoggedAnswers::messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                                      const std::string& caption) {
    debugLog("%s\n", text.c_str());
    return ScriptedPrompter::messageBox(text, buttons, icon, caption);
}

}  // namespace ordavia
