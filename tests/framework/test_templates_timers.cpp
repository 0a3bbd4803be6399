// Document templates and their ordered table, the recent-file list, and
// the manually stepped timers the document tests drive playback with.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/RecentFileList.h"
#include "framework/Timer.h"

using namespace ordavia;

namespace {

std::unique_ptr<DocTemplate> makeTemplate(int id, const std::string& desc, const std::string& docClass) {
    return std::make_unique<DocTemplate>(id, desc, docClass, docClass + "View");
}

TEST(DocTemplate, SaveFilterComesFromTheDescription) {
    DocTemplate t(10016, "\nLinescan\nLinescan\nLinescans (*.zvl)\n.zvl", "ZlineScanBaseDoc", "ZlineScanBaseView");
    EXPECT_EQ(t.saveFilter(), "Linescans (*.zvl)|*.zvl||");
    DocTemplate none(1, "", "X", "XView");
    EXPECT_EQ(none.saveFilter(), "All files (*.*)|*.*||");
    EXPECT_FALSE(none.matches("a."));
    EXPECT_FALSE(none.matches(""));
}

TEST(DocTemplate, FirstRegisteredTemplateForAnExtensionWins) {
    DocTemplateTable table;
    table.add(makeTemplate(10002, "\nImage\nImage\nImages (*.cs1)\n.cs1\nOrdavia.Image\nOrdavia Document", "ZBasicDoc"));
    table.add(makeTemplate(10005, "\nVideo\n\nFrozen Video (*.cs1)\n.cs1", "ZBasicfgDoc"));
    table.add(makeTemplate(10024, "\nChart\nChart\nChart files (*.zv1)\n.zv1\nZV.chart\nZV chart", "CReviewDoc"));
    // 0: no template.
    const std::pair<const char*, int> cases[] = {
        {"a.cs1", 10002}, {"D:\\data\\SCAN.CS1", 10002}, {"/x/b.Zv1", 10024},       {"c.cs1.bak", 0},
        {"cs1", 0},       {"D:\\dir.cs1\\file", 0},      {"", 0},
    };
    for (const auto& [path, resource] : cases) {
        const DocTemplate* t = table.templateFor(path);
        EXPECT_EQ(t ? t->resourceId : 0, resource) << path;
    }
    EXPECT_EQ(table.findByClass("ZBasicfgDoc")->resourceId, 10005);
    EXPECT_EQ(table.findByResource(10024)->docClass, "CReviewDoc");
    EXPECT_EQ(table.findByResource(4), nullptr);
}

TEST(DocTemplate, UntitledTitlesCountPerTemplate) {
    DocTemplate image(10002, "\nImage\nImage\nImages (*.cs1)\n.cs1", "ZBasicDoc", "ZBasicView");
    DocTemplate xy(10020, "\nXY Chart\nXYChart\nXY Chart files (*.zvxy)\n.zvxy", "xychartdoc", "xychartvw");
    DocTemplate nameless(1, "", "X", "XView");
    EXPECT_EQ(image.nextUntitledTitle(), "Image1");
    EXPECT_EQ(image.nextUntitledTitle(), "Image2");
    EXPECT_EQ(xy.nextUntitledTitle(), "XY Chart1");  // the document name, not the new-file name
    EXPECT_EQ(image.nextUntitledTitle(), "Image3");
    EXPECT_EQ(nameless.nextUntitledTitle(), "Untitled");
    EXPECT_EQ(nameless.nextUntitledTitle(), "Untitled");
}

TEST(RecentFileList, FourEntriesNewestFirstNoDuplicates) {
    using V = std::vector<std::string>;
    RecentFileList mru;
    struct Step {
        char op;  // 'a' add, 'r' remove
        const char* path;
        V after;
    };
    const Step steps[] = {
        {'a', "/d/1.cs1", {"/d/1.cs1"}},
        {'a', "/d/2.cs1", {"/d/2.cs1", "/d/1.cs1"}},
        {'a', "/d/1.cs1", {"/d/1.cs1", "/d/2.cs1"}},  // moved to the top, not doubled
        {'a', "/d/3.zv1", {"/d/3.zv1", "/d/1.cs1", "/d/2.cs1"}},
        {'a', "/d/4.zvl", {"/d/4.zvl", "/d/3.zv1", "/d/1.cs1", "/d/2.cs1"}},
        {'a', "/d/5.rst", {"/d/5.rst", "/d/4.zvl", "/d/3.zv1", "/d/1.cs1"}},  // oldest drops out
        {'a', "/d/1.cs1", {"/d/1.cs1", "/d/5.rst", "/d/4.zvl", "/d/3.zv1"}},
        {'a', "", {"/d/1.cs1", "/d/5.rst", "/d/4.zvl", "/d/3.zv1"}},
        {'r', "/d/4.zvl", {"/d/1.cs1", "/d/5.rst", "/d/3.zv1"}},
        {'r', "/d/none", {"/d/1.cs1", "/d/5.rst", "/d/3.zv1"}},
    };
    for (const Step& s : steps) {
        if (s.op == 'a') mru.add(s.path);
        else mru.remove(s.path);
        EXPECT_EQ(mru.entries(), s.after) << s.op << " " << s.path;
    }
    // Entries read back from a store keep the rules.
    mru.setEntries({"a", "b", "a", "c", "d", "e"});
    EXPECT_EQ(mru.entries(), (V{"a", "b", "c", "d"}));
}

// A timer that records when it fired.
struct Recorder {
    std::vector<std::string> events;
    ManualTimerFactory* clock = nullptr;
    void hit(const char* name) { events.push_back(std::string(name) + "@" + std::to_string(clock->now())); }
};

TEST(ManualTimer, FiresInTimeOrderAtItsIntervals) {
    ManualTimerFactory f;
    Recorder r{{}, &f};
    auto a = f.create();
    auto b = f.create();
    a->onTimeout = [&] { r.hit("a"); };
    b->onTimeout = [&] { r.hit("b"); };
    a->start(30);
    b->start(50);
    f.advance(29);
    EXPECT_TRUE(r.events.empty());
    f.advance(121);  // to 150; at 150 both are due: the older timer first
    EXPECT_EQ(r.events, (std::vector<std::string>{"a@30", "b@50", "a@60", "a@90", "b@100", "a@120", "a@150", "b@150"}));
    // Restarting measures the interval from now.
    r.events.clear();
    f.advance(5);
    a->start(10);
    b->stop();
    f.advance(25);
    EXPECT_EQ(r.events, (std::vector<std::string>{"a@165", "a@175"}));
    EXPECT_FALSE(b->isActive());
    EXPECT_EQ(f.activeCount(), 1);
}

TEST(ManualTimer, TimerDestroyedOrCreatedInsideACallback) {
    ManualTimerFactory f;
    Recorder r{{}, &f};
    std::unique_ptr<Timer> self = f.create();
    std::unique_ptr<Timer> child;
    // The callback owns state that must survive until it returns.
    auto payload = std::make_shared<std::string>(std::string(64, 'p'));
    self->onTimeout = [&, payload] {
        child = f.create();
        child->onTimeout = [&] { r.hit("child"); };
        child->start(5);
        self.reset();  // destroys the timer whose callback is running
        r.hit(payload->c_str() + 63);
    };
    self->start(10);
    f.advance(22);
    EXPECT_EQ(self, nullptr);
    EXPECT_EQ(r.events, (std::vector<std::string>{"p@10", "child@15", "child@20"}));
    EXPECT_EQ(f.activeCount(), 1);
}

}  // namespace
