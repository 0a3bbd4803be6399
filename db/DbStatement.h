#pragma once
// One prepared statement that lives exactly as long as the operation that
// made it: prepared from its full text in the constructor, finalized in the
// destructor. Parameters are bound by their number (a "?NNN" placeholder
// at NNN, a bare "?" at 1); texts as transient copies, integers as 32-bit
// ints. Every call on a statement that failed to prepare does nothing, so
// an operation reads as a straight line and simply has no effect when the
// database refuses it.
#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class DbStatement {
public:
    DbStatement(sqlite3* db, const char* sql);
    ~DbStatement();
    DbStatement(const DbStatement&) = delete;
    DbStatement& operator=(const DbStatement&) = delete;

    bool ok() const { return stmt_ != nullptr; }

    void bindText(int number, const std::string& text);
    void bindInt(int number, int32_t value);

    // Steps once: true while a row is available.
    bool step();
    // Steps until the statement is done; true when it finished without error.
    bool run();

    // Columns of the current row by index (0 is the table's first column);
    // NULL reads as the empty text and 0.
    std::string text(int column) const;
    int32_t integer(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
};
