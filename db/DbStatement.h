#pragma once
// One prepared statement that lives exactly as long as the operation that
// made it: prepared from its full text in the constructor, finalized in the
// destructor. Parameters are bound by their number (a "?NNN" placeholder
// at NNN, a bare "?" at 1); texts as transient copies, integers as 32-bit
// ints.
//
// A statement remembers its first failure (a refused preparation, a step
// that ended in anything but a row or done), so that the end of a row loop
// is told apart from a damaged or busy database: status() says which.
#include <cstdint>
#include <string>

#include "base/Result.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ordavia {

class DbStatement {
public:
    DbStatement(sqlite3* db, const char* sql);
    ~DbStatement();
    DbStatement(const DbStatement&) = delete;
    DbStatement& operator=(const DbStatement&) = delete;

    bool ok() const { return stmt_ != nullptr && !failed_; }

    void bindText(int number, const std::string& text);
    void bindInt(int number, int32_t value);

    // Steps once: true while a row is available; false when done or failed.
    bool step();
    // Steps until the statement is done; true when it finished without error.
    bool run();
    // Success, or the database's reason for the first failure
    // ("database disk image is malformed", "database is locked").
    Status status() const;

    // Columns of the current row by index (0 is the table's first column);
    // NULL reads as the empty text and 0.
    std::string text(int column) const;
    int32_t integer(int column) const;
    // The number of columns of the statement's rows.
    int columns() const;

private:
    void fail(int rc);

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
    std::string error_;
};

}  // namespace ordavia
