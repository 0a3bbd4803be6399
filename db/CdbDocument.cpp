#include "db/CdbDocument.h"

#include <cstdint>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "db/Installation.h"
#include "db/SubjectQueries.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "db/HeadlessServices.h"
#include "framework/Prompter.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

std::unique_ptr<AppServices> CdbDocument::makeDefaultServices() const { return std::make_unique<HeadlessServices>(); }

CSubjectDatabase& CdbDocument::database() const {
    if (CSubjectDatabase* db = CSubjectDatabase::of(services())) return *db;
    static CSubjectDatabase none;
    return none;
}

namespace {
// The installation texts come from the services' profile; a document
// without a profile (one run headless) gets the user and host names.
const ProfileStore& profileOf(const CdbDocument& doc) {
    static const ProfileStore none;
    return doc.services().profileStore ? doc.services().profile() : none;
}
}  // namespace

void CdbDocument::Serialize(Archive& ar) { serializeDbBlock(ar); }

void CdbDocument::serializeDbBlock(Archive& ar) {
    if (ar.IsStoring()) {
        const bool wide = examId > INT32_MAX || examId < INT32_MIN;
        ar.writeInt(wide ? kWideExamFormat : kFormat);
        // A count read from a file may already stand at the top; it stays
        // there rather than turning negative.
        if (saveCount < INT32_MAX) ++saveCount;
        ar.writeInt(saveCount);
        ar.writeString(subjectId);
        ar.writeInt(wide ? -1 : static_cast<int32_t>(examId));
        ar.writeString(ownerText);
        ar.writeString(result);
        ar.writeString(stationText);
        ar.writeString(capturedBy);
        if (wide) ar.writeInt64(examId);
        return;
    }
    // Read everything first, so that a truncated block leaves the document
    // as it was.
    std::string station = kOldFileText, captured = kOldFileText;
    const int32_t format = ar.readInt();
    const int32_t count = ar.readInt();
    std::string subject = ar.readString();
    int64_t exam = ar.readInt();
    std::string owner = ar.readString();
    std::string res = ar.readString();
    if (format > 1) {
        station = ar.readString();
        captured = ar.readString();
    }
    if (format == kWideExamFormat) exam = ar.readInt64();
    saveCount = count;
    subjectId = std::move(subject);
    examId = exam;
    ownerText = std::move(owner);
    result = std::move(res);
    stationText = std::move(station);
    capturedBy = std::move(captured);
    // A loaded document keeps the examination it was saved under.
    linked = true;
}

std::string CdbDocument::titleSuffix() const {
    return strprintf(" [%s %lld]", subjectId.c_str(), static_cast<long long>(examId));
}

void CdbDocument::SetTitle(const std::string& title) {
    if (subjectId.empty()) {
        Document::SetTitle(title);
        return;
    }
    const std::string suffix = titleSuffix();
    Document::SetTitle(title.find(suffix) != std::string::npos ? title : title + suffix);
}

bool CdbDocument::OnNewDocument() {
    saveCount = 0;
    subjectId.clear();
    examId = -1;
    ownerText.clear();
    result.clear();
    linked = false;
    stationText.clear();
    capturedBy.clear();
    return Document::OnNewDocument();
}

void CdbDocument::linkToSelection() {
    if (linked) return;
    const CSubjectDatabase& db = database();
    subjectId = db.currentSubjectId();
    examId = db.currentExamId();
    linked = true;
    stationText = installationStationText(profileOf(*this));
}

void CdbDocument::linkToCurrentExam() {
    const CSubjectDatabase& db = database();
    if (!db.isOpen() || db.currentSubjectId().empty() || db.currentExamId() < 0) return;
    // A file saved under an examination stays there; one saved without
    // one is taken in, unless it names another subject.
    if (linked && (examId >= 0 || (!subjectId.empty() && subjectId != db.currentSubjectId()))) return;
    linked = false;
    linkToSelection();
    const std::string examFolder = db.dataFolder() + db.currentExamFolder() + "/";
    adopted_ = !GetPathName().empty() && folderOf(GetPathName()) != examFolder;
    SetTitle(GetTitle());
}

void CdbDocument::fileMadeFile(const std::string& path, const std::string& analysis, const std::string& text) {
    CSubjectDatabase& db = database();
    if (!db.isOpen() || subjectId.empty() || examId < 0 || text.empty()) return;
    db.reportFailure(fileAnalysisResult(db.handle(), examId, fileNameOf(path), analysis, text), userPrompter());
}

void CdbDocument::recalculateResult() {
    if (services().resultText) result = services().resultText(*this, result);
}

ordavia::Status CdbDocument::OnSaveDocument(const std::string& path) {
    recalculateResult();
    ownerText = installationOwnerText(profileOf(*this));
    // The ids must be settled before the block is written.
    linkToSelection();
    const int32_t countBefore = saveCount;
    if (ordavia::Status saved = Document::OnSaveDocument(path); !saved) {
        // Nothing was written: the file on disc keeps its copy number.
        saveCount = countBefore;
        return saved;
    }
    // Stored only once the file exists, so the results table never names a
    // file that failed to save.
    SaveResult(path);
    adopted_ = false;
    return ordavia::Status::success();
}

void CdbDocument::SaveResult(const std::string& path) {
    linkToSelection();
    CSubjectDatabase& db = database();
    if (!db.isOpen() || subjectId.empty() || examId < 0) return;
    const std::string name = fileNameOf(path);
    const auto exists = resultExists(db.handle(), examId, name);
    if (!exists) return db.reportFailure(exists.status(), userPrompter());
    if (!*exists)
        db.reportFailure(insertResult(db.handle(), examId, name, result), userPrompter());
    else
        UpdateResult(name);
}

void CdbDocument::UpdateResult(const std::string& fileName) {
    CSubjectDatabase& db = database();
    if (!db.isOpen() || result.empty()) return;
    const ordavia::Status s = updateResult(db.handle(), result, examId, fileName);
    // A row that is not there is not a fault of the database.
    if (!s && s.code() != ordavia::StatusCode::NotFound) db.reportFailure(s, userPrompter());
}

std::string CdbDocument::examFileName(const std::string& title) {
    std::string name = title;
    for (char& c : name)
        if (c == ' ') c = '_';
    const size_t cut = name.find_first_of(" #%;/\\");
    if (cut != std::string::npos) name.resize(cut);
    return name;
}

void CdbDocument::ProposeExamPath() {
    if (!GetPathName().empty() && !adopted_) return;
    CSubjectDatabase& db = database();
    if (subjectId.empty() && db.isOpen() && !db.currentSubjectId().empty() && db.currentExamId() >= 0) {
        subjectId = db.currentSubjectId();
        examId = db.currentExamId();
        linked = true;
    }
    if (subjectId.empty() || !db.isOpen() || examId < 0) return;
    const auto found = findExamFolder(db.handle(), subjectId, examId);
    if (!found) return db.reportFailure(found.status(), userPrompter());
    const std::optional<std::string>& folder = *found;
    if (!folder) return;
    if (ordavia::Status s = checkExamFolder(db, *folder); !s) return db.reportFailure(s, userPrompter());
    // A file taken in keeps its name in the examination's folder.
    std::string name = adopted_ ? fileNameOf(GetPathName()) : examFileName(GetTitle());
    if (const DocTemplate* t = GetDocTemplate(); t && !adopted_) name += t->filterExt;
    SetPathName(db.dataFolder() + *folder + "/" + name, true);
}

ordavia::Status CdbDocument::OnFileSave() {
    ProposeExamPath();
    // A proposed path names no file yet: the user confirms it in the dialog.
    const std::string& path = GetPathName();
    if (!path.empty() && fileExists(path)) return DoSave(path, true);
    return DoSave({}, true);  // Save As, proposing the current or proposed path
}

ordavia::Status CdbDocument::OnFileSaveAs() {
    ProposeExamPath();
    return DoSave({}, true);  // Save As, proposing the current or proposed path
}
