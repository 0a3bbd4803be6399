#pragma once
// The dimension list document: the measurements of one dimension list of an
// image document as a table, one row per dimension, saved as quoted
// comma-separated text with the subject and examination it belongs to.
#include <memory>
#include <string>
#include <vector>

#include "db/CdbDocument.h"

class CDimList;
class ZBasicDoc;
namespace ordavia {
struct TortuosityParams;
}  // namespace ordavia

class ZDimDoc : public CdbDocument {
public:
    struct Column {
        const char* header;
        const char* sample;  // sets the column width (text width + 15 pixels)
    };
    static const std::vector<Column>& columns();

    // Titles the document "Dimensions" and writes one row per object; a
    // row index past the current end appends a row.
    void Fill(int originX, int originY, double xScale, double yScale, const CDimList& list,
              const ordavia::TortuosityParams& params);

    const std::vector<std::vector<std::string>>& rows() const { return rows_; }
    // Sets one cell, appending rows as needed.
    void setCell(size_t row, size_t column, const std::string& text);

    // The saved text (header, rows, "Subject ID" and "Exam ID" lines).
    std::string text() const;
    // Storing writes text(); loading reads nothing, so an opened .csv is
    // never written over.
    void Serialize(ordavia::Archive& ar) override;
    bool canWriteBack() const override { return false; }
    void DeleteContents() override { rows_.clear(); }

    ZDimDoc();
    ~ZDimDoc() override;

    // ---- A live table of one list of an image document ----
    // From now on the rows are those of the list, refilled whenever the
    // image document tells its views of a change, and the title names it.
    // When the image document closes the table stays as it last was.
    void follow(ZBasicDoc* source, int list);
    ZBasicDoc* source() const { return source_; }
    int sourceList() const { return sourceList_; }
    // The table that follows that list of that document, if any.
    static ZDimDoc* following(const ZBasicDoc& source, int list);
    // Refills from the followed list (nothing when none).
    void refresh();
    // The unit name in effect in the image document when last filled
    // ("pixel" when uncalibrated), for headings on screen.
    const std::string& units() const { return units_; }

private:
    class Follower;
    void fillRows(int originX, int originY, double xScale, double yScale, const CDimList& list,
                  const ordavia::TortuosityParams& params);
    std::vector<std::vector<std::string>> rows_;
    std::unique_ptr<Follower> follower_;
    ZBasicDoc* source_ = nullptr;
    int sourceList_ = 0;
    std::string units_ = "pixel";
};
