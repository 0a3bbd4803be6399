#include "cli/DbCli.h"

#include <cstdlib>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "cli/CliCommand.h"
#include "db/CSubjectDatabase.h"

namespace ordavia {

std::string databasePathFor(const std::string& arg) {
    return fileExists(arg) ? arg : joinPath(arg, CSubjectDatabase::kFileName);
}

int openForReading(const std::string& arg, CSubjectDatabase& db) {
    const std::string path = databasePathFor(arg);
    if (!fileExists(path)) return cliError(path + ": no database there");
    const Status opened = db.openReadOnly(path);
    if (!opened) return cliError(path + ": " + opened.reason());
    return 0;
}

int openForWriting(const std::string& arg, CSubjectDatabase& db) {
    const std::string path = databasePathFor(arg);
    if (!fileExists(path)) return cliError(path + ": no database there (make one with \"db init\")");
    if (const Status opened = db.openPath(path); !opened) return cliError(opened.reason());
    return 0;
}

int parseExamId(const std::string& text, int64_t& id) {
    const Result<int64_t> v = parseNumber<int64_t>(text, 0, INT64_MAX);
    if (!v) return cliError("--exam needs an examination id, not '" + text + "'");
    id = *v;
    return 0;
}

}  // namespace ordavia
