// Tables opened on demand by title, reused until closed; owner slots
// cleared when a table closes.
#include <gtest/gtest.h>

#include "results/CResultDoc.h"
#include "results/ResultTables.h"

using namespace ordavia;

TEST(Tables, OpenedOnDemandAndReusedUntilClosed) {
    ResultTables t;
    CResultDoc* a = t.open("Chart Results");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetTitle(), "Chart Results");
    EXPECT_EQ(a->displayColumnCount(), 9u) << "the columns of its set";
    EXPECT_FALSE(a->IsModified());
    EXPECT_EQ(t.open("Chart Results"), a);
    CResultDoc* b = t.open("Image Results");
    EXPECT_NE(b, a);
    EXPECT_EQ(t.openTables().size(), 2u);

    CResultDoc* slot = a;
    a->registerOwner(&slot);
    t.close(a);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(t.find("Chart Results"), nullptr);
    CResultDoc* again = t.open("Chart Results");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->rowTotal(), 0u);
    EXPECT_EQ(t.open("no such table"), nullptr);
    // A title with the subject's suffix still finds the table.
    again->subjectId = "AB12";
    again->examId = 42;
    again->SetTitle("results.rst");
    EXPECT_EQ(t.open("Chart Results"), again);
}

TEST(Tables, MakerOwnedDocumentsAreForgottenWhenClosedOrDestroyed) {
    ResultTables tables;
    std::vector<std::unique_ptr<CResultDoc>> app;
    tables.setMaker([&] {
        app.push_back(std::make_unique<CResultDoc>());
        return app.back().get();
    });
    CResultDoc* a = tables.open("Chart Results");
    ASSERT_EQ(app.size(), 1u);
    EXPECT_EQ(a, app[0].get());
    a->OnCloseDocument();
    EXPECT_EQ(tables.find("Chart Results"), nullptr);

    CResultDoc* b = tables.open("Chart Results");
    CResultDoc* slot = b;
    b->registerOwner(&slot);
    app.clear();  // destroyed without a close
    EXPECT_EQ(slot, nullptr);
    EXPECT_TRUE(tables.openTables().empty());
}
