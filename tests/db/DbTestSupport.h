#pragma once
// Shared pieces of the database tests: a scratch folder with a database
// path and a scripted prompter, and raw SQLite reads that do not go through
// the code under test.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "db/CSubjectDatabase.h"
#include "framework/ScriptedPrompter.h"
#include "settings/ProfileStore.h"
#include "tests/support/MveBytes.h"

namespace dbtest {

using testsupport::ScratchDir;
using testsupport::readBytes;

struct DbTest : ::testing::Test {
    ScratchDir tmp{"db"};
    ordavia::ScriptedPrompter prompter;
    ordavia::CSubjectDatabase db;
    const std::string dbPath = tmp / "orda.db";
    void openDb() { ASSERT_TRUE(db.openPath(dbPath)); }
};

// All rows of a query as text cells, through a connection of our own.
inline std::vector<std::vector<std::string>> queryRows(const std::string& dbPath, const std::string& sql) {
    using Rows = std::vector<std::vector<std::string>>;
    Rows rows;
    sqlite3* db = nullptr;
    auto addRow = [](void* to, int n, char** cells, char**) {
        auto& row = static_cast<Rows*>(to)->emplace_back();
        for (int i = 0; i < n; ++i) row.emplace_back(cells[i] ? cells[i] : "<null>");
        return 0;
    };
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        sqlite3_exec(db, sql.c_str(), addRow, &rows, nullptr);
    sqlite3_close(db);
    return rows;
}

}  // namespace dbtest
