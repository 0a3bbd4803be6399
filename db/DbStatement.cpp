#include "db/DbStatement.h"

#include <sqlite3.h>

namespace ordavia {

DbStatement::DbStatement(sqlite3* db, const char* sql) : db_(db) {
    if (!db) {
        failed_ = true;
        error_ = "no database is open";
        return;
    }
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

DbStatement::~DbStatement() { sqlite3_finalize(stmt_); }

void DbStatement::fail(int rc) {
    if (failed_) return;
    failed_ = true;
    // The connection's message names the table or constraint; fall back to
    // the code's text when it has none.
    const char* msg = db_ ? sqlite3_errmsg(db_) : nullptr;
    error_ = (msg && *msg && sqlite3_errcode(db_) == rc) ? msg : sqlite3_errstr(rc);
}

void DbStatement::bindText(int number, const std::string& text) {
    if (stmt_)
        sqlite3_bind_text(stmt_, number, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void DbStatement::bindInt(int number, int32_t value) {
    if (stmt_) sqlite3_bind_int(stmt_, number, value);
}

bool DbStatement::step() {
    if (!stmt_ || failed_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) fail(rc);
    return false;
}

bool DbStatement::run() {
    while (step()) {
    }
    return ok();
}

Status DbStatement::status() const {
    return failed_ ? Status::failure(error_) : Status::success();
}

std::string DbStatement::text(int column) const {
    if (!stmt_) return {};
    const auto* p = sqlite3_column_text(stmt_, column);
    if (!p) return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

int DbStatement::columns() const { return stmt_ ? sqlite3_column_count(stmt_) : 0; }

int32_t DbStatement::integer(int column) const { return stmt_ ? sqlite3_column_int(stmt_, column) : 0; }

}  // namespace ordavia
