// Opening and creating the subject database: the folder prompt, the stored
// key, the exact schema and info row, and the rule that an existing file is
// never altered.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <thread>

#include "DbTestSupport.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/SubjectQueries.h"

using namespace ordavia;
using namespace dbtest;

namespace {

struct OpenFixture : DbTest {
    ProfileStore profile{tmp / "ordavia.ini"};

    std::vector<ScriptedPrompter::Asked> folderQuestions() const {
        std::vector<ScriptedPrompter::Asked> out;
        for (const auto& a : prompter.asked)
            if (a.kind == "folder") out.push_back(a);
        return out;
    }
};

}  // namespace

TEST_F(OpenFixture, FirstStartAsksForFolderAndCreatesExactSchema) {
    const std::string data = tmp / "O'Brien's data";  // quotes are data, not SQL
    std::filesystem::create_directories(data);
    prompter.pushFolder(data + "/");  // a trailing separator is not doubled

    ASSERT_TRUE(db.openAtStartup(profile, prompter));
    ASSERT_TRUE(db.isOpen());
    const auto asked = folderQuestions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Open or create a new data folder");  // nothing current to name

    const std::string dbPath = data + "/orda.db";
    EXPECT_EQ(db.databasePath(), dbPath);
    EXPECT_EQ(db.dataFolder(), data + "/");
    EXPECT_EQ(profile.GetString("Settings", "database", "?"), dbPath);
    db.close();

    // The schema text exactly as the four creation statements give it, in
    // creation order.
    const auto schema = queryRows(dbPath, "SELECT name, sql FROM sqlite_master ORDER BY rowid;");
    ASSERT_EQ(schema.size(), 5u);  // four tables and the primary-key index of patients
    EXPECT_EQ(schema[0][0], "info");
    EXPECT_EQ(schema[0][1], "CREATE TABLE info ( dbversion INTEGER, ordaversion TEXT, created TEXT, folder TEXT )");
    EXPECT_EQ(schema[1][0], "patients");
    EXPECT_EQ(schema[1][1], "CREATE TABLE patients ( id TEXT PRIMARY KEY, name TEXT, surname TEXT, comments TEXT )");
    EXPECT_EQ(schema[2][0], "sqlite_autoindex_patients_1");
    EXPECT_EQ(schema[3][0], "exams");
    EXPECT_EQ(schema[3][1],
              "CREATE TABLE exams ( id integer primary key, patientid TEXT, created TEXT, site TEXT, comment TEXT, "
              "folder TEXT )");
    EXPECT_EQ(schema[4][0], "results");
    EXPECT_EQ(schema[4][1],
              "CREATE TABLE results ( id integer primary key, examid integer, created TEXT, filename TEXT, result "
              "TEXT )");

    const auto info = queryRows(dbPath, "SELECT dbversion, typeof(dbversion), ordaversion, created, folder FROM info;");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0][0], "1");
    EXPECT_EQ(info[0][1], "integer");
    EXPECT_EQ(info[0][2], "04.42.00.00");
    EXPECT_TRUE(std::regex_match(info[0][3], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << info[0][3];
    EXPECT_EQ(info[0][4], data + "/");
}

TEST_F(OpenFixture, CancelAndADeletedFileAskAgainAndRecreateNothing) {
    EXPECT_TRUE(db.openAtStartup(profile, prompter));  // running without a database is success
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(profile.GetString("Settings", "database", "?"), "");
    EXPECT_EQ(folderQuestions().size(), 1u);

    // A stored database that was deleted is asked about again, not made anew.
    const std::string old = tmp / "gone/orda.db";
    profile.WriteString("Settings", "database", old);
    CSubjectDatabase again;
    EXPECT_TRUE(again.openAtStartup(profile, prompter));
    ASSERT_EQ(folderQuestions().size(), 2u);
    EXPECT_EQ(folderQuestions()[1].text, "Open or create a new data folder\ncurrently " + folderOf(old));
    EXPECT_FALSE(again.isOpen());
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_EQ(profile.GetString("Settings", "database", "?"), "");
}

TEST_F(OpenFixture, ExistingDatabaseIsNeverAltered) {
    const std::string data = tmp / "d";
    std::filesystem::create_directories(data);
    prompter.pushFolder(data);
    ASSERT_TRUE(db.openAtStartup(profile, prompter));
    EXPECT_TRUE(insertSubject(db.handle(), "AB12"));
    db.close();

    const std::string dbPath = data + "/orda.db";
    const auto before = readBytes(dbPath);
    const auto mtime = std::filesystem::last_write_time(dbPath);
    CSubjectDatabase second;
    ASSERT_TRUE(second.openAtStartup(profile, prompter));
    EXPECT_TRUE(second.isOpen());
    EXPECT_EQ(folderQuestions().size(), 1u);  // no second question
    EXPECT_EQ(readDbInfo(second.handle()).value()->dbversion, "1");
    second.close();
    EXPECT_EQ(readBytes(dbPath), before);
    EXPECT_EQ(std::filesystem::last_write_time(dbPath), mtime);
    EXPECT_EQ(queryRows(dbPath, "SELECT count(*) FROM info;")[0][0], "1");
}

TEST_F(OpenFixture, FileThatIsNoDatabaseLeavesHandleNullWithMessage) {
    const std::string bad = tmp / "orda.db";
    {
        std::ofstream f(bad, std::ios::binary);
        f << std::string(4096, 'x');
    }
    const auto before = readBytes(bad);
    profile.WriteString("Settings", "database", bad);
    const Status refused = db.openAtStartup(profile, prompter);
    EXPECT_FALSE(db.isOpen());
    EXPECT_TRUE(prompter.messages().empty());  // start-up shows it
    EXPECT_EQ(refused.reason().rfind(bad + ": ", 0), 0u) << refused.reason();
    EXPECT_NE(refused.reason().find("not a database"), std::string::npos) << refused.reason();
    EXPECT_FALSE(db.openReadOnly(bad));  // the read-only road refuses it too
    EXPECT_EQ(readBytes(bad), before);
}

namespace {
void rawExec(const std::string& path, const char* sql) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
    sqlite3_close(h);
}
}  // namespace

// A creation cut short (the program stopped after two tables) is completed
// at the next open, and a read-only tool refuses it instead of listing it.
TEST_F(OpenFixture, HalfBuiltDatabaseIsRepairedOnOpen) {
    rawExec(dbPath,
            "create table info ( dbversion INTEGER, ordaversion TEXT, created TEXT, folder TEXT );"
            "create table patients ( id TEXT PRIMARY KEY, name TEXT, surname TEXT, comments TEXT );"
            "insert into patients (id) values ('AB12');");
    const Status incomplete = db.openReadOnly(dbPath);
    EXPECT_NE(incomplete.reason().find("missing tables"), std::string::npos) << incomplete.reason();

    ASSERT_TRUE(db.openPath(dbPath));
    EXPECT_TRUE(prompter.messages().empty());
    EXPECT_TRUE(insertExam(db.handle(), 1, "AB12", "", "", "1-AB12"));
    EXPECT_TRUE(insertResult(db.handle(), 1, "a.cs1", "r"));
    db.close();
    EXPECT_EQ(queryRows(dbPath, "SELECT count(*) FROM sqlite_master WHERE type='table';")[0][0], "4");
    EXPECT_EQ(queryRows(dbPath, "SELECT id FROM patients;")[0][0], "AB12");
    EXPECT_EQ(db.openReadOnly(dbPath).reason(), "");
}

// Damage inside a table is an error at open, said once, never an empty list.
TEST_F(OpenFixture, DamagedDatabaseIsAnErrorNotAnEmptyList) {
    ASSERT_TRUE(db.openPath(dbPath));
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(insertSubject(db.handle(), strprintf("S%02d", i)));
    db.close();
    {
        // The patients table is the second page.
        std::fstream f(dbPath, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 + 8);
        const std::string junk(2000, '\xA5');
        f.write(junk.data(), std::streamsize(junk.size()));
    }
    const Status damaged = db.openReadOnly(dbPath);
    EXPECT_NE(damaged.reason().find("malformed"), std::string::npos) << damaged.reason();
    const Status refused = db.openPath(dbPath);
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(refused.code(), damaged.code());
    EXPECT_NE(refused.reason().find("malformed"), std::string::npos) << refused.reason();
}

// A step that fails (here: another program holds the file) ends a listing
// with the reason, not with fewer rows.
TEST_F(OpenFixture, FailedStepIsNotTheEndOfTheRows) {
    ASSERT_TRUE(db.openPath(dbPath));
    EXPECT_TRUE(insertSubject(db.handle(), "AB12"));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_busy_timeout(db.handle(), 0);
    const auto listed = listSubjects(db.handle());
    EXPECT_EQ(listed.reason(), "database is locked");
    const auto found = findSubjectIds(db.handle(), "AB");
    EXPECT_FALSE(found);
    sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(listSubjects(db.handle()).value().size(), 1u);
}

// Two programs creating the same new database at once: one waits for the
// other and finds the tables made; one info row.
TEST_F(OpenFixture, ConcurrentCreationMakesOneCompleteDatabase) {
    CSubjectDatabase a, b;
    Status okA;
    std::thread t([&] { okA = a.openPath(dbPath); });
    const Status okB = b.openPath(dbPath);
    t.join();
    EXPECT_TRUE(okA && okB) << okA.reason() << okB.reason();
    a.close();
    b.close();
    EXPECT_EQ(queryRows(dbPath, "SELECT count(*) FROM info;")[0][0], "1");
    EXPECT_EQ(queryRows(dbPath, "SELECT count(*) FROM sqlite_master WHERE type='table';")[0][0], "4");
}
