#include "framework/ConsolePrompter.h"

namespace ordavia {

MsgResult ConsolePrompter::messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                      const std::string& caption) {
    // One line per message: texts made for a dialog break their lines.
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (out_) {
        std::fprintf(out_, "%s: %s\n", prefix_.c_str(), line.c_str());
        std::fflush(out_);
    }
    return ScriptedPrompter::messageBox(text, buttons, icon, caption);
}

}  // namespace ordavia
