#pragma once
// The dimension list document: the measurements of one dimension list of an
// image document as a table, one row per dimension, saved as quoted
// comma-separated text with the subject and examination it belongs to.
#include <string>
#include <vector>

#include "db/CdbDocument.h"

class CDimList;
struct TortuosityParams;

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
              const TortuosityParams& params);

    const std::vector<std::vector<std::string>>& rows() const { return rows_; }
    // Sets one cell, appending rows as needed.
    void setCell(size_t row, size_t column, const std::string& text);

    // The saved text (header, rows, "Subject ID" and "Exam ID" lines).
    std::string text() const;
    // Storing writes text(); loading reads nothing.
    void Serialize(Archive& ar) override;
    void DeleteContents() override { rows_.clear(); }

private:
    std::vector<std::vector<std::string>> rows_;
};
