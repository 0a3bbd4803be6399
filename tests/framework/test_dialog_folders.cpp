// Where the file choosers open: the folder last used, else the data folder;
// a caller's own place when it exists.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/DialogFolders.h"
#include "tests/support/ScratchDir.h"

using namespace ordavia;

TEST(DialogFolders, LastFolderThenDataFolderThenTheCallersPlace) {
    testsupport::ScratchDir scratch("dialog-folders");
    const std::string data = (scratch.dir / "data").string() + "/";
    const std::string exam = (scratch.dir / "exam").string();
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(exam);
    DialogFolders f;
    // Nothing known yet: the caller's start as it was.
    EXPECT_EQ(f.startFor(""), "");
    EXPECT_EQ(f.startFor("a.cs1"), "a.cs1");
    f.dataFolder = [&] { return data; };
    EXPECT_EQ(f.startFor(""), data);
    EXPECT_EQ(f.startFor("Untitled.zv1"), data + "Untitled.zv1");
    // A stored Windows folder or one that is gone does not count.
    EXPECT_EQ(f.startFor(".\\"), data);
    EXPECT_EQ(f.startFor("/gone/away/b.bmp"), data + "b.bmp");

    std::string remembered;
    f.onRemember = [&](const std::string& folder) { remembered = folder; };
    f.rememberFile(exam + "/n1.bmp");
    EXPECT_EQ(remembered, exam + "/");
    EXPECT_EQ(f.startFor(""), exam + "/");
    EXPECT_EQ(f.startFor("n2.cs1"), exam + "/n2.cs1");
    // A place the caller names that exists wins.
    EXPECT_EQ(f.startFor(data + "x.rst"), data + "x.rst");
    EXPECT_EQ(f.startFor(data), data);
}
