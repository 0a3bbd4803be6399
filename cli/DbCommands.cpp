// The subject database from the command line: "db init FOLDER" opens or
// creates FOLDER/orda.db as start-up does; "db subjects" lists its subjects
// as JSON without changing the file. Subjects, examinations and results
// have their own commands (DbSubjectCommands.cpp).
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"

using namespace ordavia;

namespace {

int runInit(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli db init FOLDER [--json]");
    // A new data folder is made, as the folder dialog's "new folder" would,
    // readable by the user only: its examination folders carry subject ids.
    std::error_code ec;
    const bool made = std::filesystem::create_directories(a.positional[0], ec);
    if (ec) return cliError(a.positional[0] + ": " + ec.message());
    namespace fs = std::filesystem;
    if (made) fs::permissions(a.positional[0], fs::perms::owner_all, fs::perm_options::replace, ec);
    const fs::perms open = fs::status(a.positional[0], ec).permissions() & (fs::perms::group_all | fs::perms::others_all);
    if (!made && !ec && open != fs::perms::none)
        std::fprintf(stderr, "ordavia-cli: note: %s can be read by other users (chmod 700 makes it private)\n",
                     a.positional[0].c_str());
    const std::string path = joinPath(a.positional[0], CSubjectDatabase::kFileName);
    CSubjectDatabase db;
    if (const Status opened = db.openPath(path); !opened) return cliError(opened.reason());
    const auto infoRead = readDbInfo(db.handle());
    if (!infoRead) return cliError(path + ": " + infoRead.reason());
    const std::optional<DbInfoRecord>& info = *infoRead;
    if (a.json()) {
        JsonWriter w;
        w.beginObject().field("database", path).field("folder", db.dataFolder());
        if (info) {
            w.field("dbversion", info->dbversion).field("ordaversion", info->ordaversion);
            w.field("created", info->created).field("infoFolder", info->folder);
        }
        w.endObject();
        cliOut(w.str());
    } else {
        cliOut(path + "\n" +
               (info ? "  version " + info->dbversion + ", created by " + info->ordaversion + " on " + info->created +
                           " in " + info->folder + "\n"
                     : std::string("  no info row\n")));
    }
    return 0;
}

int runSubjects(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli db subjects FOLDER");
    CSubjectDatabase db;
    if (int rc = openForReading(a.positional[0], db)) return rc;
    const auto subjects = listSubjects(db.handle());
    if (!subjects) return cliError(db.databasePath() + ": " + subjects.reason());
    JsonWriter w;
    w.beginArray();
    for (const SubjectRecord& s : *subjects) {
        w.beginObject().field("id", s.id).field("name", s.name).field("surname", s.surname);
        w.field("comments", s.comments).endObject();
    }
    w.endArray();
    cliOut(w.str());
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{"db init", "db init FOLDER [--json]",
                                "Opens FOLDER/orda.db, creating it with its four tables and info row when it\n"
                                "has none, exactly as the workstation does at start-up.",
                                {}, runInit});
ORDAVIA_CLI_REGISTER(CliCommand{"db subjects", "db subjects FOLDER",
                                "Lists the subjects of FOLDER/orda.db as JSON (read only).", {}, runSubjects});
