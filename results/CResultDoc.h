#pragma once
// A results table: a fixed set of columns chosen by the analysis that opens
// it, growing one row per measurement, saved as ".rst".
//
// ".rst" layout: the column formats (object array of Ccolformat), the
// marker int32 -1, the CdbDocument block, the column count and row count
// (16 bits each), then the rows (object array of CStringArray, one string
// per cell, indexed by each format's `column`). A file whose word after the
// formats is not negative predates the block: that word is the column
// count and the 16-bit row count follows.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "results/CStringArray.h"
#include "results/Ccolformat.h"
#include "results/ResultColumnSets.h"
#include "db/CdbDocument.h"

namespace ordavia {

// What an analysis fills before adding a row: the source document's title,
// a second text (trace name, units...), and one value per numeric column in
// column order, starting at the third column.
struct ResultRecord {
    std::string first;
    std::string second;
    std::vector<double> values;
};

// A rectangle of cells in display coordinates (column in display order,
// row index), inclusive; negative when nothing is selected.
struct CellRect {
    int firstCol = -1, firstRow = -1, lastCol = -1, lastRow = -1;
    bool empty() const { return firstCol < 0 || firstRow < 0 || lastCol < firstCol || lastRow < firstRow; }
};

class ResultTables;

}  // namespace ordavia

class CResultDoc : public CdbDocument {
public:
    CResultDoc();
    ~CResultDoc() override;

    // The view hint sent when a row was appended: views scroll to the end.
    static constexpr long kHintRowAdded = 1;
    // Sent to change listeners when the table is destroyed.
    static constexpr long kHintGone = -1;
    // The row count is 16 bits in the file.
    static constexpr size_t kMaxRows = 0xFFFF;
    static constexpr size_t kMaxColumns = 0xFFFF;
    // All cells of a table together; more is a damaged file.
    static constexpr size_t kMaxLoadCells = size_t(1) << 22;

    // Appends n formats built from the table (column = position, kind 1)
    // and sets the column count to the number of formats.
    void setColumns(size_t n, const ordavia::ResultColumn* table);
    void setColumns(const ordavia::ResultColumnSet& set) { setColumns(set.count, set.columns); }
    // Appends a row; once the table is full nothing is added and the
    // failure (kRowRefused with the table's title) is for the user to read.
    ordavia::Status addRow(const ordavia::ResultRecord& record);
    // The row of the record's file replaced when the table has one (a
    // picture reviewed again keeps one row), else appended as addRow does.
    ordavia::Status putRowOf(const ordavia::ResultRecord& record);
    // Off for a table whose analysis files its own results row under the
    // examination (the row the command line files): the table then does
    // not file a second one.
    void setFilesRowsUnderExam(bool on) { filesRows_ = on; }
    static constexpr const char* kRowRefused = "The row could not be added to the results table \"%s\": it is full.";

    // A pointer elsewhere that holds this table; cleared when it closes.
    void registerOwner(CResultDoc** slot);
    void unregisterOwner(CResultDoc** slot);

    // Windows that show the table without being one of the framework's
    // views (a view counts towards the document's close logic) hear of
    // every change here, and of the table's end (kHintGone).
    using ChangeListener = std::function<void(long hint)>;
    int addChangeListener(ChangeListener listener);
    void removeChangeListener(int id);

    // The open-tables list that hands this table out by title; told when
    // the table closes or goes, so that the next measurement makes a new one.
    void setTables(ordavia::ResultTables* tables) { tables_ = tables; }

    // The selected cells as text: cells joined by tabs, rows by CR LF, no
    // terminator after the last row.
    std::string copySelection() const;
    // A copy beyond this many bytes is refused (copySelection gives nothing):
    // a small damaged file may hold thousands of rows by thousands of empty
    // cells, gigabytes of tabs on the clipboard.
    static constexpr uint64_t kMaxCopyBytes = uint64_t(64) << 20;
    // The bytes the selection copies as, counted up to just beyond the limit.
    uint64_t copySelectionBytes() const;
    void setSelection(const ordavia::CellRect& r);
    const ordavia::CellRect& selection() const { return selection_; }

    // Display access: columns in `column` order.
    size_t displayColumnCount() const { return order_.size(); }
    const Ccolformat& displayFormat(size_t displayCol) const { return *formats_[order_[displayCol]]; }
    size_t rowTotal() const { return rows_.size(); }
    // The cell text; empty where the row has no such cell.
    const std::string& cell(size_t row, size_t displayCol) const;
    // True for the numeric columns (all but the first two formats).
    bool isNumeric(size_t displayCol) const { return order_[displayCol] >= 2; }

    const std::vector<std::unique_ptr<Ccolformat>>& formats() const { return formats_; }
    const std::vector<std::unique_ptr<ordavia::CStringArray>>& rows() const { return rows_; }
    // The counts as stored in the file.
    uint16_t columnCountField() const { return colCount_; }
    uint16_t rowCountField() const { return rowCount_; }

    // Font cell size used for layout until the view measures its font.
    int charWidth = 4;
    int lineHeight = 8;

    // File > Save of a table without a file, and Save As: the name typed
    // decides the form: "x.csv" writes the table as CSV to x.csv (a copy;
    // the table keeps its own file), anything else the ".rst" (x.rst for
    // a name without that extension).
    ordavia::Status OnFileSave() override;
    ordavia::Status OnFileSaveAs() override;
    static constexpr const char* kSaveAsFilter = "Results (*.rst)|*.rst|CSV, comma separated (*.csv)|*.csv||";

    void Serialize(ordavia::Archive& ar) override;
    void DeleteContents() override;
    void OnCloseDocument() override;

    // The rows of one source file as one line of text: each row's cells
    // after the file name, "heading value", rows apart by "; ".
    std::string rowsTextOf(const std::string& fileName) const;

private:
    // Files the table's rows of a source file under the examination the
    // table belongs to: one results row of that file named after the table.
    void fileRowsUnderExam(const std::string& fileName);
    std::unique_ptr<ordavia::CStringArray> rowOf(const ordavia::ResultRecord& record) const;
    void rebuildOrder();
    void releaseOwners();
    void changed(long hint);

    uint16_t colCount_ = 0;
    uint16_t rowCount_ = 0;
    std::vector<std::unique_ptr<Ccolformat>> formats_;
    std::vector<std::unique_ptr<ordavia::CStringArray>> rows_;
    std::vector<size_t> order_;  // display column -> format index
    ordavia::CellRect selection_;
    std::vector<CResultDoc**> owners_;
    std::vector<std::pair<int, ChangeListener>> listeners_;
    int nextListener_ = 1;
    ordavia::ResultTables* tables_ = nullptr;
    bool filesRows_ = true;
};

namespace ordavia {

// The form of name the "filename" column keeps in every row, whatever the
// analysis gave: the file name without its folder, and without the
// " [subject exam]" a window title carries.
std::string resultFileName(const std::string& source);

// Registers Ccolformat and CStringArray for reading; idempotent.
void registerResultClasses();

}  // namespace ordavia
