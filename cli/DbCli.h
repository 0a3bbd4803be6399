#pragma once
// Opening the subject database of a data folder from the command line.
#include <cstdint>
#include <string>

namespace ordavia {

class CSubjectDatabase;

// FOLDER/orda.db, or the database file itself.
std::string databasePathFor(const std::string& arg);
// Each returns 0, or prints the reason and returns 1. Neither creates a
// database: that is "db init".
int openForReading(const std::string& arg, CSubjectDatabase& db);
int openForWriting(const std::string& arg, CSubjectDatabase& db);
// A decimal examination id in the range of the column (64 bits).
int parseExamId(const std::string& text, int64_t& id);

}  // namespace ordavia
