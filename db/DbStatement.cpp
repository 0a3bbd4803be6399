#include "db/DbStatement.h"

#include <sqlite3.h>

DbStatement::DbStatement(sqlite3* db, const char* sql) {
    if (!db) return;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

DbStatement::~DbStatement() { sqlite3_finalize(stmt_); }

void DbStatement::bindText(int number, const std::string& text) {
    if (stmt_)
        sqlite3_bind_text(stmt_, number, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void DbStatement::bindInt(int number, int32_t value) {
    if (stmt_) sqlite3_bind_int(stmt_, number, value);
}

bool DbStatement::step() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }

bool DbStatement::run() {
    if (!stmt_) return false;
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

std::string DbStatement::text(int column) const {
    if (!stmt_) return {};
    const auto* p = sqlite3_column_text(stmt_, column);
    if (!p) return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

int32_t DbStatement::integer(int column) const { return stmt_ ? sqlite3_column_int(stmt_, column) : 0; }
