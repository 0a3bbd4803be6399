#pragma once
// The application services a test runs against: a profile of its own (no
// file until the test names one), a scripted prompter that records every
// question, fresh start-up settings and results tables, timers stepped by
// hand. No subject database
// unless the test gives one. Documents made by a test get these through
// adopt(); one made without them runs headless (every question takes its
// proposed answer, and nothing records it).
#include <memory>

#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/Document.h"
#include "framework/Timer.h"
#include "framework/ScriptedPrompter.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

namespace ordavia::test {

struct TestServices {
    ProfileStore profile;
    ScriptedPrompter prompter;
    StartupSettings settings;
    ResultTables results;
    ManualTimerFactory timers;
    AppServices services;

    TestServices() {
        services.profileStore = &profile;
        services.prompterPtr = &prompter;
        services.startupSettings = &settings;
        services.provide<ResultTables>(&results);
        services.timerFactory = &timers;
    }

    template <class D>
    D& adopt(D& doc) {
        doc.setServices(&services);
        return doc;
    }
    template <class D>
    std::unique_ptr<D> make() {
        auto d = std::make_unique<D>();
        d->setServices(&services);
        return d;
    }
};

}  // namespace ordavia::test
