#include "app/SubjectWorkflow.h"

#include <ctime>
#include <vector>

#include "app/CBasicApp.h"
#include "base/FileIO.h"
#include "db/CSubjectDatabase.h"
#include "db/CdbDocument.h"
#include "db/Examinations.h"
#include "db/SubjectDialogs.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

SubjectWorkflow::SubjectWorkflow(CBasicApp& app, SubjectWindows& windows, std::function<int64_t()> clock)
    : app_(app), windows_(windows), clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return static_cast<int64_t>(std::time(nullptr)); };
}

void SubjectWorkflow::selectSubject() {
    AppServices& s = app_.services();
    CSubjectDatabase* open = CSubjectDatabase::of(s);
    if (!open) return;
    CSubjectDatabase& db = *open;
    windows_.closeLiveVideo();
    windows_.applyExpertMode();
    SelectSubjectModel model(db, s.prompter());
    model.subjectLoaded = [this] {
        windows_.selectionChanged();
        if (windows_.examinationsOpen()) windows_.showExaminations();
    };
    model.open();
    switch (windows_.runSelectSubject(model)) {
        case SubjectDialogEnd::StartNewExamination: {
            NewExamModel exam(db);
            if (!windows_.runNewExam(exam)) {
                windows_.postCommand(kSelectSubject);
                return;
            }
            if (!startExamination(exam)) return;
            windows_.closeExaminations();
            windows_.closeAllDocuments();
            windows_.startLiveVideo();
            return;
        }
        case SubjectDialogEnd::ViewExaminations:
            windows_.showExaminations();
            return;
        case SubjectDialogEnd::Cancel:
            db.clearSelection();
            windows_.closeExaminations();
            windows_.applyRecordingSettings();
            windows_.selectionChanged();
            return;
    }
}

bool SubjectWorkflow::startExamination(const NewExamModel& model) {
    AppServices& s = app_.services();
    CSubjectDatabase& db = CSubjectDatabase::in(s);
    if (!db.isOpen()) return false;
    if (db.currentSubjectId().empty()) {
        s.prompter().messageBox("Select a subject before starting an examination.", MsgButtons::Ok,
                                MsgIcon::Warning, "New Exam Measurement site");
        return false;
    }
    const auto made = createExamination(db, db.currentSubjectId(), model.site, model.comment, clock_());
    if (!made) {
        s.prompter().messageBox("The examination was not started:\n" + made.reason(), MsgButtons::Ok, MsgIcon::Error,
                                "New Exam Measurement site");
        return false;
    }
    if (Status st = makeCurrentExamination(db, s.profile(), made->id, made->folder); !st)
        debugLog("new exam not selected: %s\n", st.reason().c_str());
    debugLog("new exam %lld for subject %s\n", static_cast<long long>(made->id), db.currentSubjectId().c_str());
    windows_.applyRecordingSettings();
    windows_.selectionChanged();
    return true;
}

bool SubjectWorkflow::viewExamsEnabled() const {
    const AppServices& s = app_.services();
    const CSubjectDatabase* db = CSubjectDatabase::of(s);
    return db && !db->currentSubjectId().empty();
}

void SubjectWorkflow::viewExams() {
    if (viewExamsEnabled()) windows_.showExaminations();
}

Document* SubjectWorkflow::openResult(const std::string& path) {
    if (path.empty()) return nullptr;
    Document* d = app_.OpenDocumentFile(path);
    windows_.tileWindows();
    return d;
}

void SubjectWorkflow::processResults() {
    AppServices& s = app_.services();
    windows_.closeLiveVideo();
    CSubjectDatabase* open = CSubjectDatabase::of(s);
    if (open && open->isOpen() && open->currentExamId() >= 0) {
        CSubjectDatabase& db = *open;
        const auto rows = listResults(db.handle(), db.currentExamId());
        if (!rows) {
            debugLog("list results failed: %s\n", rows.reason().c_str());
            s.prompter().messageBox("The results could not be read:\n" + rows.reason(), MsgButtons::Ok,
                                    MsgIcon::Error, kProcessResults);
        }
        const bool postprocess = s.profile().GetInt("settings", "postprocess", 0) != 0;
        std::vector<std::string> missing;
        for (const StoredResult& r : rows ? *rows : std::vector<StoredResult>{}) {
            const std::string path = resultFilePath(db, db.currentExamFolder(), r.filename);
            if (!fileExists(path)) {
                missing.push_back(r.filename);
                continue;
            }
            // Each file opens as the document type of its extension: a line
            // scan read as a picture would only fail to load.
            Document* d = app_.OpenDocumentFile(path);
            auto* doc = dynamic_cast<CdbDocument*>(d);
            if (postprocess && doc) {
                doc->recalculateResult();
                if (const Status saved = doc->DoSave(path, true); !saved) {
                    debugLog("process results: %s not saved\n", r.filename.c_str());
                    showDocumentFailure(s.prompter(), saved);
                }
            }
        }
        if (!missing.empty()) {
            std::string list;
            for (const std::string& m : missing) list += "\n" + m;
            s.prompter().messageBox("These files of the examination are missing:" + list, MsgButtons::Ok,
                                    MsgIcon::Warning, kProcessResults);
        }
    }
    windows_.tileWindows();
    windows_.showExaminations();
}

}  // namespace ordavia
