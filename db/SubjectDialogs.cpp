#include "db/SubjectDialogs.h"

#include <utility>

#include "base/FileIO.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"

namespace ordavia {

std::string limitSubjectId(const std::string& typed) {
    size_t chars = 0, i = 0;
    while (i < typed.size()) {
        if (chars == kSubjectIdLimit) return typed.substr(0, i);
        ++i;
        // Continuation bytes belong to the character before them.
        while (i < typed.size() && (static_cast<unsigned char>(typed[i]) & 0xC0) == 0x80) ++i;
        ++chars;
    }
    return typed;
}

namespace {
// The length of the well-formed UTF-8 character at s[i] (no overlong
// forms, surrogates or values past U+10FFFF), or 0.
size_t utf8Length(const std::string& s, size_t i) {
    const auto at = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned c = at(i);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    else return 0;
    if (at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return n;
}
}  // namespace

std::string textProblem(const std::string& text, const std::string& what) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return "The " + what + " cannot hold control characters (line breaks, tabs).";
        const size_t n = utf8Length(text, i);
        if (n == 0) return "The " + what + " is not valid UTF-8 text.";
        // C1 control codes, U+0080 to U+009F.
        if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
            return "The " + what + " cannot hold control characters (line breaks, tabs).";
        i += n;
    }
    return {};
}

std::string detailsProblem(const std::string& name, const std::string& surname, const std::string& comments) {
    for (const auto& [text, what] : {std::pair{&name, "name"}, {&surname, "surname"}, {&comments, "comment"}})
        if (std::string p = textProblem(*text, what); !p.empty()) return p;
    return {};
}

std::string subjectIdProblem(const std::string& storedId) {
    if (storedId.empty()) return "Type the subject's id first.";
    for (unsigned char c : storedId)
        if (c == '/' || c == '\\') return "A subject id cannot hold \"/\" or \"\\\": it names the examination folders.";
    if (std::string p = textProblem(storedId, "subject id"); !p.empty()) {
        // The wording the dialog has always used for control codes.
        return p.find("control") != std::string::npos ? "A subject id cannot hold control characters." : p;
    }
    return {};
}

SelectSubjectModel::SelectSubjectModel(CSubjectDatabase& db, Prompter& prompter) : db_(db), prompter_(prompter) {}

bool SelectSubjectModel::report(const Status& s, const char* what) {
    if (s) return true;
    debugLog("%s failed: %s\n", what, s.reason().c_str());
    prompter_.messageBox(std::string("The subject database could not ") + what + ":\n" + s.reason(), MsgButtons::Ok,
                         MsgIcon::Error, "Select Subject");
    return false;
}

void SelectSubjectModel::open() {
    info_.clear();
    if (db_.isOpen()) {
        info_ = db_.databasePath();
        const auto read = readDbInfo(db_.handle());
        if (read && *read) {
            const DbInfoRecord& r = **read;
            info_ += "\r\nVer:" + r.dbversion + "\r\nOrda:" + r.ordaversion + "\r\nCreated:" + r.created +
                     "\r\nFolder:" + r.folder;
        } else if (!read) {
            report(read.status(), "be read");
        }
    } else {
        info_ = "No subject database: nothing is stored.";
    }
    id = db_.currentSubjectId();
    fillList();
    reload();
}

void SelectSubjectModel::fillList() {
    ids_.clear();
    if (!db_.isOpen()) return;
    auto found = findSubjectIds(db_.handle(), id);
    if (report(found.status(), "list the subject ids")) ids_ = std::move(*found);
}

void SelectSubjectModel::typeId(const std::string& text) {
    id = limitSubjectId(text);
    fillList();
}

void SelectSubjectModel::pickId(const std::string& picked) {
    id = limitSubjectId(picked);
    reload();
}

void SelectSubjectModel::reload() {
    name.clear();
    surname.clear();
    comment.clear();
    if (!db_.isOpen() || id.empty()) return;
    const auto found = findSubjectAndReport();
    (void)found;
}

bool SelectSubjectModel::findSubjectAndReport() {
    const auto read = readSubject(db_.handle(), id);
    if (!report(read.status(), "read the subject")) return false;
    if (!*read) return false;
    const SubjectRecord& r = **read;
    name = r.name;
    surname = r.surname;
    comment = r.comments;
    selectedId_ = id;
    // Files of one subject must never be filed under another's examination.
    if (db_.currentSubjectId() != id) db_.setCurrentExam(-1, {});
    db_.setCurrentSubject(id, name + " " + surname);
    debugLog("subject %s selected\n", id.c_str());
    if (subjectLoaded) subjectLoaded();
    return true;
}

void SelectSubjectModel::addNewId() {
    if (!db_.isOpen()) return;
    const std::string stored = storedSubjectId(limitSubjectId(id));
    if (const std::string problem = subjectIdProblem(stored); !problem.empty()) {
        prompter_.messageBox(problem, MsgButtons::Ok, MsgIcon::Warning, "Select Subject");
        return;
    }
    if (const std::string problem = detailsProblem(name, surname, comment); !problem.empty()) {
        prompter_.messageBox(problem, MsgButtons::Ok, MsgIcon::Warning, "Select Subject");
        return;
    }
    id = stored;
    const auto existing = readSubject(db_.handle(), id);
    if (!report(existing.status(), "read the subject")) return;
    const SubjectRecord typed{id, name, surname, comment};
    if (*existing) {
        // An id that exists already is loaded and nothing of it changes;
        // details typed for it stay in the fields for "Save / Update Details".
        fillList();
        reload();
        const SubjectRecord& had = **existing;
        const bool typedOther = (!typed.name.empty() || !typed.surname.empty() || !typed.comments.empty()) &&
                                (typed.name != had.name || typed.surname != had.surname || typed.comments != had.comments);
        if (!typedOther) return;
        name = typed.name, surname = typed.surname, comment = typed.comments;
        prompter_.messageBox("The subject " + id +
                                 " exists already and was not changed. Press \"Save / Update Details\" to store the "
                                 "details you typed.",
                             MsgButtons::Ok, MsgIcon::Information, "Select Subject");
        return;
    }
    // The id and the details typed before adding it arrive together.
    if (report(addSubject(db_.handle(), typed), "add the subject")) debugLog("subject %s added\n", id.c_str());
    fillList();
    reload();
}

void SelectSubjectModel::saveDetails() {
    if (!db_.isOpen() || id.empty()) return;
    if (const std::string problem = detailsProblem(name, surname, comment); !problem.empty()) {
        prompter_.messageBox(problem, MsgButtons::Ok, MsgIcon::Warning, "Select Subject");
        return;
    }
    const Status s = updateSubject(db_.handle(), id, name, surname, comment);
    // An id not in the database has no details to update; say so rather
    // than lose what was typed without a word.
    if (s.code() == StatusCode::NotFound) {
        prompter_.messageBox("There is no subject " + id + " yet: add it with \"Add as new ID\" first.",
                             MsgButtons::Ok, MsgIcon::Warning, "Select Subject");
        return;
    }
    if (!report(s, "save the subject's details")) return;
    reload();
}

NewExamModel::NewExamModel(const CSubjectDatabase& db)
    : heading("Subject " + db.currentSubjectId() + ": " + db.currentSubjectName()) {}

ExaminationsModel::ExaminationsModel(CSubjectDatabase& db, const ProfileStore& profile, Prompter& prompter)
    : db_(db), profile_(profile), prompter_(prompter) {}

void ExaminationsModel::fill() {
    exams_.clear();
    results_.clear();
    currentRow_ = -1;
    heading_ = "Subject " + db_.currentSubjectId() + ": " + db_.currentSubjectName();
    if (!db_.isOpen() || db_.currentSubjectId().empty()) return;
    auto rows = listExams(db_.handle(), db_.currentSubjectId());
    if (!rows) {
        debugLog("list exams failed: %s\n", rows.reason().c_str());
        prompter_.messageBox("The examinations could not be read:\n" + rows.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    exams_ = std::move(*rows);
    for (size_t i = 0; i < exams_.size(); ++i)
        if (exams_[i].id == db_.currentExamId()) currentRow_ = static_cast<int>(i);
    fillResults();
}

void ExaminationsModel::selectExam(size_t row) {
    if (row >= exams_.size()) return;
    if (Status s = makeCurrentExamination(db_, profile_, exams_[row].id, exams_[row].folder); !s) {
        prompter_.messageBox("This examination cannot be used:\n" + s.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    currentRow_ = static_cast<int>(row);
    fillResults();
}

void ExaminationsModel::fillResults() {
    results_.clear();
    if (currentRow_ < 0 || !db_.isOpen()) return;
    auto rows = listResults(db_.handle(), exams_[static_cast<size_t>(currentRow_)].id);
    if (!rows) {
        debugLog("list results failed: %s\n", rows.reason().c_str());
        prompter_.messageBox("The results could not be read:\n" + rows.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    results_ = std::move(*rows);
}

std::string ExaminationsModel::resultPath(size_t row) {
    if (row >= results_.size()) return {};
    return examFilePath(results_[row].filename);
}

std::string ExaminationsModel::examFilePath(const std::string& filename) {
    if (currentRow_ < 0) return {};
    const std::string path = resultFilePath(db_, exams_[static_cast<size_t>(currentRow_)].folder, filename);
    if (path.empty()) return {};  // the folder was refused when the examination was chosen
    if (!fileExists(path)) {
        prompter_.messageBox("The file " + path + " is missing: it was moved or deleted.", MsgButtons::Ok,
                             MsgIcon::Warning);
        return {};
    }
    return path;
}

}  // namespace ordavia
