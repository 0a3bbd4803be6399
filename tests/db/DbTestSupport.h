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
    void openDb() { ASSERT_TRUE(db.openPath(dbPath, prompter)); }
};

// All rows of a query as text cells, through a connection of our own.
inline std::vector<std::vector<std::string>> queryRows(const std::string& dbPath, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const auto* t = sqlite3_column_text(st, i);
                row.emplace_back(t ? reinterpret_cast<const char*>(t) : "<null>");
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

}  // namespace dbtest
