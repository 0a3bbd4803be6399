#include "db/SubjectDialogs.h"

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

std::string subjectIdProblem(const std::string& storedId) {
    if (storedId.empty()) return "Type the subject's id first.";
    for (unsigned char c : storedId) {
        if (c == '/' || c == '\\') return "A subject id cannot hold \"/\" or \"\\\": it names the examination folders.";
        if (c < 0x20 || c == 0x7F) return "A subject id cannot hold control characters.";
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
    id = stored;
    const auto existing = readSubject(db_.handle(), id);
    if (!report(existing.status(), "read the subject")) return;
    // An id that exists already is simply loaded: nothing of it changes.
    if (!*existing && report(insertSubject(db_.handle(), id), "add the subject")) debugLog("subject %s added\n", id.c_str());
    fillList();
    reload();
}

void SelectSubjectModel::saveDetails() {
    if (!db_.isOpen() || id.empty()) return;
    const Status s = updateSubject(db_.handle(), id, name, surname, comment);
    // An id not in the database has no details to update; say so rather
    // than lose what was typed without a word.
    if (!s && s.reason() == "no such subject") {
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
    currentRow_ = static_cast<int>(row);
    makeCurrentExamination(db_, profile_, exams_[row].id, exams_[row].folder);
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
    if (row >= results_.size() || currentRow_ < 0) return {};
    const std::string path =
        resultFilePath(db_, exams_[static_cast<size_t>(currentRow_)].folder, results_[row].filename);
    if (!fileExists(path)) {
        prompter_.messageBox("The file " + path + " is missing: it was moved or deleted.", MsgButtons::Ok,
                             MsgIcon::Warning);
        return {};
    }
    return path;
}

}  // namespace ordavia
