// Subjects, examinations and results from the command line, on the same
// database and folders as the workstation:
//   db subject add|list, db exam new|list, db results.
// Every listing is read only; "--json" prints one JSON object.
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <string>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/CSubjectDatabase.h"
#include "db/DbStatement.h"
#include "db/Examinations.h"
#include "db/SubjectDialogs.h"
#include "db/SubjectQueries.h"

using namespace ordavia;

namespace {

void subjectJson(JsonWriter& w, const SubjectRecord& s) {
    w.beginObject().field("id", s.id).field("name", s.name).field("surname", s.surname);
    w.field("comments", s.comments).endObject();
}

std::string subjectLine(const SubjectRecord& s) {
    return s.id + "\t" + s.name + (s.surname.empty() ? "" : " " + s.surname) +
           (s.comments.empty() ? "" : "\t" + s.comments) + "\n";
}

// ASCII letters of either case match, as the dialog's LIKE does.
bool beginsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

Status execSql(CSubjectDatabase& db, const char* sql) {
    DbStatement st(db.handle(), sql);
    st.run();
    return st.status();
}

int subjectAdd(const CliArgs& a) {
    const char* usage =
        "usage: ordavia-cli db subject add FOLDER --id ID --name NAME [--surname S] [--comment C] [--update] [--json]";
    const auto typed = a.get("--id");
    const auto name = a.get("--name");
    if (a.positional.size() != 2 || !typed || !name) return cliError(usage);
    const std::string id = storedSubjectId(*typed);
    if (limitSubjectId(id) != id)
        return cliError(strprintf("subject id '%s' is longer than %zu characters", typed->c_str(), kSubjectIdLimit));
    if (const std::string problem = subjectIdProblem(id); !problem.empty()) return cliError(problem);
    if (const std::string problem =
            detailsProblem(*name, a.get("--surname").value_or(""), a.get("--comment").value_or(""));
        !problem.empty())
        return cliError(problem);
    CSubjectDatabase db;
    if (int rc = openForWriting(a.positional[1], db)) return rc;
    const auto existing = readSubject(db.handle(), id);
    if (!existing) return cliError(db.databasePath() + ": " + existing.reason());
    if (*existing && !a.has("--update"))
        return cliError("subject " + id + " exists already in " + db.databasePath() + " (--update changes its details)");
    SubjectRecord r{id, *name, a.get("--surname").value_or(*existing ? (*existing)->surname : ""),
                    a.get("--comment").value_or(*existing ? (*existing)->comments : "")};
    // The id and its details arrive together or not at all.
    Status s = execSql(db, "BEGIN IMMEDIATE;");
    if (s && !*existing) s = insertSubject(db.handle(), id);
    if (s) s = updateSubject(db.handle(), id, r.name, r.surname, r.comments);
    if (s) s = execSql(db, "COMMIT;");
    if (!s) {
        (void)execSql(db, "ROLLBACK;");
        return cliError(db.databasePath() + ": " + s.reason());
    }
    if (a.json()) {
        JsonWriter w;
        subjectJson(w, r);
        cliOut(w.str());
    } else {
        cliOut(subjectLine(r));
    }
    return 0;
}

int subjectList(const CliArgs& a) {
    if (a.positional.size() != 2) return cliError("usage: ordavia-cli db subject list FOLDER [--match PREFIX] [--json]");
    CSubjectDatabase db;
    if (int rc = openForReading(a.positional[1], db)) return rc;
    const auto subjects = listSubjects(db.handle());
    if (!subjects) return cliError(db.databasePath() + ": " + subjects.reason());
    const std::string match = a.get("--match").value_or("");
    JsonWriter w;
    w.beginObject().key("subjects").beginArray();
    std::string text;
    for (const SubjectRecord& s : *subjects) {
        if (!beginsWithNoCase(s.id, match)) continue;
        subjectJson(w, s);
        text += subjectLine(s);
    }
    w.endArray().endObject();
    cliOut(a.json() ? w.str() : text);
    return 0;
}

int runSubject(const CliArgs& a) {
    const std::string sub = a.positional.empty() ? "" : a.positional[0];
    if (sub == "add") return subjectAdd(a);
    if (sub == "list") return subjectList(a);
    return cliError("usage: ordavia-cli db subject add|list FOLDER ...");
}

int examNew(const CliArgs& a) {
    const auto subject = a.get("--subject");
    const auto site = a.get("--site");
    if (a.positional.size() != 2 || !subject || !site)
        return cliError("usage: ordavia-cli db exam new FOLDER --subject ID --site TEXT [--comment C] [--json]");
    CSubjectDatabase db;
    if (int rc = openForWriting(a.positional[1], db)) return rc;
    const std::string id = storedSubjectId(*subject);
    const auto found = readSubject(db.handle(), id);
    if (!found) return cliError(db.databasePath() + ": " + found.reason());
    if (!*found) return cliError("no subject " + id + " in " + db.databasePath() + " (add it with \"db subject add\")");
    const auto made =
        createExamination(db, id, *site, a.get("--comment").value_or(""), static_cast<int64_t>(std::time(nullptr)));
    if (!made) return cliError(made.reason());
    if (a.json()) {
        JsonWriter w;
        w.beginObject().field("id", made->id).field("folder", made->folder).endObject();
        cliOut(w.str());
    } else {
        cliOut(strprintf("%i\t", made->id) + db.dataFolder() + made->folder + "\n");
    }
    return 0;
}

int examList(const CliArgs& a) {
    const auto subject = a.get("--subject");
    if (a.positional.size() != 2 || !subject) return cliError("usage: ordavia-cli db exam list FOLDER --subject ID [--json]");
    CSubjectDatabase db;
    if (int rc = openForReading(a.positional[1], db)) return rc;
    const auto exams = listExams(db.handle(), storedSubjectId(*subject));
    if (!exams) return cliError(db.databasePath() + ": " + exams.reason());
    JsonWriter w;
    w.beginObject().key("exams").beginArray();
    std::string text;
    for (const ExamRecord& e : *exams) {
        w.beginObject().field("id", e.id).field("site", e.site).field("created", e.created);
        w.field("comment", e.comment).field("folder", e.folder).endObject();
        text += strprintf("%i\t", e.id) + e.created + "\t" + e.site + "\t" + e.folder +
                (e.comment.empty() ? "" : "\t" + e.comment) + "\n";
    }
    w.endArray().endObject();
    cliOut(a.json() ? w.str() : text);
    return 0;
}

int runExam(const CliArgs& a) {
    const std::string sub = a.positional.empty() ? "" : a.positional[0];
    if (sub == "new") return examNew(a);
    if (sub == "list") return examList(a);
    return cliError("usage: ordavia-cli db exam new|list FOLDER ...");
}

int runResults(const CliArgs& a) {
    const auto exam = a.get("--exam");
    if (a.positional.size() != 1 || !exam) return cliError("usage: ordavia-cli db results FOLDER --exam ID [--json]");
    int32_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    CSubjectDatabase db;
    if (int rc = openForReading(a.positional[0], db)) return rc;
    const auto rows = listResults(db.handle(), id);
    if (!rows) return cliError(db.databasePath() + ": " + rows.reason());
    JsonWriter w;
    w.beginObject().key("results").beginArray();
    std::string text;
    for (const StoredResult& r : *rows) {
        w.beginObject().field("id", std::atoll(r.id.c_str())).field("created", r.created);
        w.field("filename", r.filename).field("result", r.result).endObject();
        text += r.id + "\t" + r.created + "\t" + r.filename + "\t" + r.result + "\n";
    }
    w.endArray().endObject();
    cliOut(a.json() ? w.str() : text);
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "db subject",
    "db subject add FOLDER --id ID --name NAME [--surname S] [--comment C] [--update] [--json]\n"
    "  db subject list FOLDER [--match PREFIX] [--json]",
    "add: adds a subject to FOLDER/orda.db (blanks in the id become \"_\"; at most 19 characters);\n"
    "an id that exists is an error unless --update, which rewrites its details.\n"
    "list: the subjects, or those whose id begins with PREFIX: {\"subjects\": [{\"id\", \"name\",\n"
    "\"surname\", \"comments\"}, ...]} with --json.",
    {"--id", "--name", "--surname", "--comment", "--match"},
    runSubject});
ORDAVIA_CLI_REGISTER(CliCommand{
    "db exam",
    "db exam new FOLDER --subject ID --site TEXT [--comment C] [--json]\n"
    "  db exam list FOLDER --subject ID [--json]",
    "new: starts an examination of the subject as the workstation does: its id is the time in\n"
    "seconds (the next free one), its folder ID-SUBJECT-SITE is made in FOLDER; prints {\"id\",\n"
    "\"folder\"} with --json.\n"
    "list: the subject's examinations: {\"exams\": [{\"id\", \"site\", \"created\", \"comment\",\n"
    "\"folder\"}, ...]} with --json.",
    {"--subject", "--site", "--comment"},
    runExam});
ORDAVIA_CLI_REGISTER(CliCommand{"db results", "db results FOLDER --exam ID [--json]",
                                "The results rows of one examination (read only): {\"results\": [{\"id\",\n"
                                "\"created\", \"filename\", \"result\"}, ...]} with --json.",
                                {"--exam"}, runResults});
