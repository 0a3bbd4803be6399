#pragma once
// The services of a document that runs without the application: one made
// by a tool, a test or a batch step before (or without) being given the
// workstation's or the command line's. Nobody is there to answer, so every
// question takes its proposed answer (as the command line's prompter
// answers) and every message goes to the debug log. There is no profile,
// no start-up settings, no database, no results tables, no timers, no links
// and no program folder: each reads as absent, as in an application that
// has none. A document handed over for a window has no window to go to and
// is closed.
#include "framework/AppServices.h"
#include "framework/ScriptedPrompter.h"

namespace ordavia {

class HeadlessServices : public AppServices {
public:
    HeadlessServices();

private:
    // Proposed answers; messages into the debug log.
    class LoggedAnswers : public ScriptedPrompter {
    public:
        MsgResult messageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& caption) override;
    };
    LoggedAnswers answers_;
};

}  // namespace ordavia
