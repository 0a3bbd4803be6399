#pragma once
// The prompter of a program without a window: nobody is there to answer,
// so every question takes its proposed answer (as ScriptedPrompter with an
// empty script), and every message a document shows is written as one line
// "PREFIX: text" to a stream (stderr for ordavia-cli), so that it reaches
// the user instead of vanishing.
#include <cstdio>
#include <string>

#include "framework/ScriptedPrompter.h"

namespace ordavia {

class ConsolePrompter : public ScriptedPrompter {
public:
    ConsolePrompter(std::FILE* out, std::string prefix) : out_(out), prefix_(std::move(prefix)) {}

    MsgResult messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& caption) override;

private:
    std::FILE* out_;
    std::string prefix_;
};

}  // namespace ordavia
