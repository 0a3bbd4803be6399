// Where the file choosers open: the folder last used, else the data folder;
// a caller's own place when it exists.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/DialogFolders.h"
#include "tests/support/ScratchDir.h"

TEST(DialogFolders, LastFolderThenDataFolderThenTheCallersPlace) {
    testsupport::ScratchDir scratch("dialog-folders");
    const std::string data = scratch.dir.string() + "/", exam = (scratch.dir / "exam").string() + "/";
    std::filesystem::create_directories(exam);
    ordavia::DialogFolders f;
    EXPECT_EQ(f.startFor("a.cs1"), "a.cs1");  // nothing known yet
    f.dataFolder = [&] { return data; };
    EXPECT_EQ(f.startFor(""), data);
    EXPECT_EQ(f.startFor("Untitled.zv1"), data + "Untitled.zv1");
    // A stored Windows folder or one that is gone does not count.
    EXPECT_EQ(f.startFor(".\\"), data);
    EXPECT_EQ(f.startFor("/gone/away/b.bmp"), data + "b.bmp");
    std::string kept;
    f.onRemember = [&](const std::string& folder) { kept = folder; };
    f.rememberFile(exam + "n1.bmp");
    EXPECT_EQ(kept, exam);
    EXPECT_EQ(f.startFor("n2.cs1"), exam + "n2.cs1");
    EXPECT_EQ(f.startFor(data + "x.rst"), data + "x.rst");  // a place that exists wins
}
