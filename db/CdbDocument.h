#pragma once
// The base of every document that holds measurement data. It ties the
// document to one examination of one subject: it remembers the subject and
// examination it was made under, shows them in the window title, proposes a
// file name inside the examination's folder on the first save, writes the
// document's result text to the results table at every save, and reads and
// writes a small block that each derived document places in its own file.
//
// Block layout (little-endian): format number (int32, 2 is written),
// saveCount (int32), subjectId (archive string), examId (int32), ownerText
// and result (archive strings); stationText and capturedBy (archive
// strings) only when the format number is greater than 1. An examination
// id beyond 32 bits (examinations started after January 2038) is written
// as format 3: examId -1 in its place and the id as int64 after
// capturedBy; every other id is written as format 2, byte for byte as
// before.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/Document.h"

namespace ordavia {
class Archive;
class CSubjectDatabase;
}  // namespace ordavia

class CdbDocument : public ordavia::Document {
public:
    CdbDocument() = default;

    // Times this document has been written; raised before each write.
    int32_t saveCount = 0;
    // Subject and examination the document belongs to ("" and -1: none).
    std::string subjectId;
    int64_t examId = -1;
    // The installation that saved the document last.
    std::string ownerText;
    // The text stored in the results table; derived classes set it.
    std::string result;
    // True once subjectId and examId are settled (by loading or first save).
    bool linked = false;
    // The installation at which the document was first linked.
    std::string stationText;
    // How the data were obtained ("Pseudo", "imported", ...); derived classes set it.
    std::string capturedBy;

    static constexpr int32_t kFormat = 2;
    static constexpr int32_t kWideExamFormat = 3;
    static constexpr const char* kOldFileText = "old file. unknown.";

    // Reads or writes the block; derived documents call it at their place.
    void Serialize(ordavia::Archive& ar) override;
    void serializeDbBlock(ordavia::Archive& ar);

    // Appends " [subject exam]" unless the title already carries it.
    void SetTitle(const std::string& title) override;
    bool OnNewDocument() override;
    // Stamps the owner, links the document, writes the file and then stores
    // the result row.
    ordavia::Status OnSaveDocument(const std::string& path) override;
    // Saving a modified document on close goes through File > Save.
    ordavia::Status DoFileSave() override { return OnFileSave(); }

    // File > Save ("&Save") and File > Save As ("Save &As..."): both propose
    // a path inside the examination folder first.
    virtual ordavia::Status OnFileSave();
    virtual ordavia::Status OnFileSaveAs();

    // Links the document (when it is not linked yet) and stores its result
    // under its examination.
    void SaveResult(const std::string& path);
    // Rewrites the stored result of one file; an empty result never
    // overwrites a stored one.
    void UpdateResult(const std::string& fileName);
    // Gives a document without a path one inside its examination's folder.
    void ProposeExamPath();
    // A document made, imported or opened while an examination is current
    // belongs to it from the start (its title shows it), unless it was
    // filed under an examination before or belongs to another subject. An
    // opened file that lies outside the examination's folder is saved into
    // that folder (Save proposes it there) and the original is left as it is.
    void linkToCurrentExam();
    // Files a file this document made beside itself (a recording's movie)
    // under the document's examination, as the `analysis` row of that file.
    void fileMadeFile(const std::string& path, const std::string& analysis, const std::string& text);
    // Brings the result text up to date with what the document holds
    // (the services' resultText); every save does it first.
    void recalculateResult();

    // The file name ProposeExamPath makes of a title: blanks become "_", and
    // the name ends before the first of " #%;/\".
    static std::string examFileName(const std::string& title);
    // The title suffix " [subject exam]".
    std::string titleSuffix() const;

    // The database and selection of the document's services; without a
    // database there (tools, tests) a closed one: nothing is linked or stored.
    ordavia::CSubjectDatabase& database() const;

protected:
    // A document made without the application (by a tool, a test, a batch
    // step) runs headless: questions take their proposed answers, and there
    // is no profile, database or results table to write to.
    std::unique_ptr<ordavia::AppServices> makeDefaultServices() const override;
    // Links to the current selection when not linked yet.
    void linkToSelection();

private:
    // Opened from outside the examination it was linked to at opening.
    bool adopted_ = false;
};
