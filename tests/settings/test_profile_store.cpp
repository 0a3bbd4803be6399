// The profile store against real files on disc: the rules of the classic
// initialisation-file functions, files written on Windows, and no caching.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "settings/ProfileStore.h"
#include "tests/support/TempFolderTest.h"

namespace {

class ProfileStoreTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ini_ = path("ordavia.ini");
        store_.SetPath(ini_);
    }
    std::string ini_;
    ProfileStore store_;
};

TEST_F(ProfileStoreTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(store_.GetInt("TRVcalcs", "ped1", 10), 10);
    EXPECT_EQ(store_.GetDouble("TRVcalcs", "FSthreshold", 0.5), 0.5);
    EXPECT_EQ(store_.GetString("settings", "directory", ".\\"), ".\\");
    EXPECT_FALSE(std::filesystem::exists(ini_));

    writeFile(ini_, "[Other]\nped1=3\n[TRVcalcs]\nped2=4\n");
    EXPECT_EQ(store_.GetInt("TRVcalcs", "ped1", 10), 10);  // key under another section
    EXPECT_EQ(store_.GetInt("Missing", "ped2", 7), 7);
    EXPECT_EQ(store_.GetInt("TRVcalcs", "ped2", 7), 4);
    writeFile(ini_, "[a]\n;k=1\nk=2\n[b]\nk=3\n");  // comments are not keys
    EXPECT_EQ(store_.GetInt("a", "k", 0), 2);
    EXPECT_EQ(store_.GetInt("b", "k", 0), 3);
    EXPECT_EQ(store_.GetInt("a", ";k", 0), 0);
}

TEST_F(ProfileStoreTest, FirstWritesCreateFileAndSectionsAndNamesIgnoreCase) {
    ASSERT_TRUE(store_.WriteString("directories", "basename", "scan"));
    ASSERT_TRUE(store_.WriteInt("trv2", "address", 768));
    ASSERT_TRUE(store_.WriteString("directories", "recorddir", "D:\\rec"));
    ASSERT_TRUE(store_.WriteInt("Settings", "expertmode", 0));
    EXPECT_EQ(store_.GetInt("settings", "EXPERTMODE", 1), 0);
    // Writing under another spelling replaces the same line.
    ASSERT_TRUE(store_.WriteInt("SETTINGS", "ExpertMode", 2));
    EXPECT_EQ(readFile(ini_), "[directories]\nbasename=scan\nrecorddir=D:\\rec\n[trv2]\naddress=768\n[Settings]\nExpertMode=2\n");
}

TEST_F(ProfileStoreTest, IntegersParseLeadingDigits) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"42", 42},      {"-17", -17},    {"+5", 5},          {"  12", 12},  {"12abc", 12},
        {"abc", 0},      {"-", 0},        {"3.9", 3},         {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"\"77\"", 77},      // quotes around a value are dropped
    };
    std::string text = "[n]\n";
    for (size_t i = 0; i < std::size(cases); ++i) text += "k" + std::to_string(i) + "=" + cases[i].text + "\n";
    writeFile(ini_, text);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(store_.GetInt("n", "k" + std::to_string(i), 99), cases[i].value) << cases[i].text;
}

TEST_F(ProfileStoreTest, RealsAreWrittenWithSixDecimalsAndReadWithAtof) {
    struct Case {
        double written;
        const char* text;
        double readBack;
    };
    const Case cases[] = {
        {1.23456789, "1.234568", 1.234568},
        {0.0000004, "0.000000", 0.0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(store_.WriteDouble("Settings", "red", c.written));
        EXPECT_EQ(store_.GetString("Settings", "red", ""), c.text);
        EXPECT_DOUBLE_EQ(store_.GetDouble("Settings", "red", 9.0), c.readBack);
    }
    // A present but unreadable text is 0.0, not the default.
    writeFile(ini_, "[TRVcalcs]\nFSthreshold=abc\nlead=2.5kg\n");
    EXPECT_EQ(store_.GetDouble("TRVcalcs", "FSthreshold", 0.5), 0.0);
    EXPECT_EQ(store_.GetDouble("TRVcalcs", "lead", 0.5), 2.5);
    // The default goes through "%f" too.
    EXPECT_EQ(store_.GetDouble("TRVcalcs", "missing", 0.0000004), 0.0);
}

TEST_F(ProfileStoreTest, StringsAreCutAt249Characters) {
    const std::string v300(300, 'v');
    ASSERT_TRUE(store_.WriteString("directories", "recorddir", v300));
    EXPECT_EQ(readFile(ini_), "[directories]\nrecorddir=" + v300 + "\n");  // written whole
    EXPECT_EQ(store_.GetString("directories", "recorddir", ""), std::string(249, 'v'));
    EXPECT_EQ(store_.GetString("directories", "absent", std::string(250, 'd')), std::string(249, 'd'));
}

// A profile written on Windows: CRLF line ends (one LF line among them),
// comments, blank lines, spaces around '=' and a byte-order mark. A write
// changes one line and keeps everything else, each line its own end; a line
// added takes the file's usual end.
TEST_F(ProfileStoreTest, WindowsFileIsRewrittenKeepingItsOtherLines) {
    const std::string original =
        "\xEF\xBB\xBF; Ordavia profile\r\n"
        "[Settings]\r\n"
        "database = D:\\data\\orda.db\r\n"
        "expertmode=1\n"
        "\r\n"
        "; grey weights\r\n"
        "[TRVcalcs]\r\n"
        "ped1=10\r\n"
        "\r\n"
        "[trv2]\r\n"
        "address=768";  // no line end at the end of the file
    writeFile(ini_, original);
    EXPECT_EQ(store_.GetString("settings", "database", ""), "D:\\data\\orda.db");
    EXPECT_EQ(store_.GetInt("trv2", "address", 0), 768);

    ASSERT_TRUE(store_.WriteInt("Settings", "expertmode", 0));   // in place
    ASSERT_TRUE(store_.WriteInt("TRVcalcs", "ped2", 60));        // new key after the section's last key
    ASSERT_TRUE(store_.WriteInt("Dynamic settings", "direct2disc", 1));  // new section at the end
    std::string want = original;
    want.replace(want.find("expertmode=1"), 12, "expertmode=0");
    want.replace(want.find("ped1=10\r\n"), 9, "ped1=10\r\nped2=60\r\n");
    EXPECT_EQ(readFile(ini_), want + "\r\n[Dynamic settings]\r\ndirect2disc=1\r\n");
}

// A profile that exists but cannot be read must not be replaced by a file
// holding only the one key being written.
TEST_F(ProfileStoreTest, UnreadableProfileIsNotOverwritten) {
    writeFile(ini_, "[keep]\nx=1\n");
    std::filesystem::resize_file(ini_, 100u << 20);  // sparse, above the store's size limit
    EXPECT_FALSE(store_.WriteInt("Settings", "showdb", 1));
    EXPECT_EQ(std::filesystem::file_size(ini_), 100u << 20);

    const std::string folder = path("folder.ini");
    std::filesystem::create_directory(folder);
    ProfileStore onFolder(folder);
    EXPECT_FALSE(onFolder.WriteInt("Settings", "showdb", 1));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(onFolder.GetInt("Settings", "showdb", 4), 4);
}

// Lookups read the file once, and again only after it changed on disc.
TEST_F(ProfileStoreTest, FileIsReadOnceUntilItChanges) {
    writeFile(ini_, "[Settings]\nshowdb=0\n");
    const auto past = std::filesystem::last_write_time(ini_) - std::chrono::hours(1);
    std::filesystem::last_write_time(ini_, past);
    for (int i = 0; i < 53; ++i) EXPECT_EQ(store_.GetInt("Settings", "showdb", 5), 0);
    EXPECT_EQ(store_.fileReads(), 1);
    writeFile(ini_, "[Settings]\nshowdb=12\n");
    EXPECT_EQ(store_.GetInt("Settings", "showdb", 5), 12);
    EXPECT_EQ(store_.fileReads(), 2);
    // Another writer's change is seen, and a removed file gives the default.
    ProfileStore other(ini_);
    ASSERT_TRUE(other.WriteInt("Settings", "showdb", 2));
    EXPECT_EQ(store_.GetInt("Settings", "showdb", 5), 2);
    std::filesystem::remove(ini_);
    EXPECT_EQ(store_.GetInt("Settings", "showdb", 5), 5);
}

// The jobs of a batch read one profile from several threads while it may
// change: each read sees a whole file, the one before or after a write.
TEST_F(ProfileStoreTest, ThreadsReadWhileTheProfileIsRewritten) {
    ASSERT_TRUE(store_.WriteInt("count", "limb", 1));
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&] {
            while (!done)
                if (const int v = store_.GetInt("count", "limb", -1); v < 1 || v > 60) ++wrong;
        });
    for (int i = 2; i <= 60; ++i) ASSERT_TRUE(store_.WriteInt("count", "limb", i));
    done = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(store_.GetInt("count", "limb", -1), 60);
}

}  // namespace
