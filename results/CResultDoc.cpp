#include "results/CResultDoc.h"

#include <cmath>

#include <algorithm>
#include <numeric>

#include "base/Archive.h"
#include "base/ClassRegistry.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "results/ResultExport.h"
#include "framework/Prompter.h"
#include "results/ResultTables.h"
#include "settings/DebugLog.h"

using namespace ordavia;

void ordavia::registerResultClasses() {
    static const bool done = [] {
        ClassRegistry::instance().add<Ccolformat>();
        ClassRegistry::instance().add<CStringArray>();
        return true;
    }();
    (void)done;
}

CResultDoc::CResultDoc() { registerResultClasses(); }

CResultDoc::~CResultDoc() {
    // Only the listeners: the framework's views are gone by now.
    const auto listeners = std::move(listeners_);
    for (const auto& l : listeners) l.second(kHintGone);
    releaseOwners();
    if (tables_) tables_->forget(this);
}

int CResultDoc::addChangeListener(ChangeListener listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void CResultDoc::removeChangeListener(int id) {
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void CResultDoc::changed(long hint) {
    UpdateAllViews(nullptr, hint);
    // A listener may remove itself while being told.
    const auto copy = listeners_;
    for (const auto& l : copy) l.second(hint);
}

void CResultDoc::rebuildOrder() {
    order_.resize(formats_.size());
    std::iota(order_.begin(), order_.end(), size_t(0));
    std::stable_sort(order_.begin(), order_.end(),
                     [this](size_t a, size_t b) { return formats_[a]->column < formats_[b]->column; });
}

void CResultDoc::setColumns(size_t n, const ResultColumn* table) {
    for (size_t i = 0; i < n && formats_.size() < kMaxColumns; ++i) {
        const ResultColumn& c = table[i];
        formats_.push_back(std::make_unique<Ccolformat>(static_cast<uint16_t>(formats_.size()), uint16_t(1),
                                                        c.heading, c.displayWidth, c.fieldWidth, c.decimals));
    }
    colCount_ = static_cast<uint16_t>(formats_.size());
    rebuildOrder();
    changed(0);
}

std::unique_ptr<CStringArray> CResultDoc::rowOf(const ResultRecord& record) const {
    size_t cells = 0;
    for (const auto& f : formats_) cells = std::max<size_t>(cells, size_t(f->column) + 1);
    auto row = std::make_unique<CStringArray>();
    row->strings.resize(cells);
    for (size_t k = 0; k < formats_.size(); ++k) {
        const Ccolformat& f = *formats_[k];
        std::string& c = row->strings[f.column];
        if (k == 0)
            c = ordavia::resultFileName(record.first);
        else if (k == 1)
            c = record.second;
        // A missing value leaves its cell empty: a 0 would read as measured.
        else if (k - 2 < record.values.size() && std::isfinite(record.values[k - 2]))
            c = strprintf("%*.*f", int(f.fieldWidth), int(f.decimals), record.values[k - 2]);
    }
    return row;
}

ordavia::Status CResultDoc::addRow(const ResultRecord& record) {
    if (rows_.size() >= kMaxRows) {
        debugLog("CResultDoc::addRow table full\n");
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, strprintf(kRowRefused, GetTitle().c_str()));
    }
    auto row = rowOf(record);
    const std::string fileName = formats_.empty() ? std::string() : row->strings[formats_[0]->column];
    rows_.push_back(std::move(row));
    ++rowCount_;
    SetModifiedFlag(true);
    changed(kHintRowAdded);
    if (filesRows_) fileRowsUnderExam(fileName);
    return ordavia::Status::success();
}

ordavia::Status CResultDoc::putRowOf(const ResultRecord& record) {
    if (!formats_.empty()) {
        const size_t col = formats_[0]->column;
        const std::string fileName = ordavia::resultFileName(record.first);
        for (auto& r : rows_)
            if (col < r->strings.size() && r->strings[col] == fileName) {
                r = rowOf(record);
                SetModifiedFlag(true);
                changed(0);
                if (filesRows_) fileRowsUnderExam(fileName);
                return ordavia::Status::success();
            }
    }
    return addRow(record);
}

std::string CResultDoc::rowsTextOf(const std::string& fileName) const {
    std::string text;
    for (const auto& row : rows_) {
        const auto& s = row->strings;
        if (formats_.empty() || formats_[0]->column >= s.size() || s[formats_[0]->column] != fileName) continue;
        std::string line;
        for (size_t k = 1; k < formats_.size(); ++k) {
            const Ccolformat& f = *formats_[k];
            const std::string cell = f.column < s.size() ? trim(s[f.column]) : std::string();
            if (cell.empty()) continue;
            line += (line.empty() ? "" : ", ") + trim(f.heading) + " " + cell;
        }
        if (!line.empty()) text += (text.empty() ? "" : "; ") + line;
    }
    return text;
}

void CResultDoc::fileRowsUnderExam(const std::string& fileName) {
    // A source that was never saved has no file to file the rows under.
    if (fileName.empty() || extensionOf(fileName).empty()) return;
    linkToCurrentExam();
    std::string table = GetTitle();
    if (!subjectId.empty()) {
        if (const size_t at = table.find(titleSuffix()); at != std::string::npos) table.resize(at);
    }
    fileMadeFile(fileName, trim(table), rowsTextOf(fileName));
}

void CResultDoc::registerOwner(CResultDoc** slot) {
    if (slot && std::find(owners_.begin(), owners_.end(), slot) == owners_.end()) owners_.push_back(slot);
}

void CResultDoc::unregisterOwner(CResultDoc** slot) { std::erase(owners_, slot); }

void CResultDoc::releaseOwners() {
    for (CResultDoc** slot : owners_)
        if (*slot == this) *slot = nullptr;
    owners_.clear();
}

void CResultDoc::OnCloseDocument() {
    // The next measurement opens a new table.
    releaseOwners();
    if (tables_) tables_->forget(this);
    tables_ = nullptr;
    CdbDocument::OnCloseDocument();
}

const std::string& CResultDoc::cell(size_t row, size_t displayCol) const {
    static const std::string kEmpty;
    if (row >= rows_.size() || displayCol >= order_.size()) return kEmpty;
    const auto& strings = rows_[row]->strings;
    const size_t index = formats_[order_[displayCol]]->column;
    return index < strings.size() ? strings[index] : kEmpty;
}

void CResultDoc::setSelection(const CellRect& r) {
    CellRect s{std::min(r.firstCol, r.lastCol), std::min(r.firstRow, r.lastRow), std::max(r.firstCol, r.lastCol),
               std::max(r.firstRow, r.lastRow)};
    if (s.firstCol < 0 || s.firstRow < 0) s = CellRect{};
    selection_ = s;
}

uint64_t CResultDoc::copySelectionBytes() const {
    if (selection_.empty() || rows_.empty() || order_.empty()) return 0;
    const size_t lastRow = std::min<size_t>(selection_.lastRow, rows_.size() - 1);
    const size_t lastCol = std::min<size_t>(selection_.lastCol, order_.size() - 1);
    if (lastRow < size_t(selection_.firstRow) || lastCol < size_t(selection_.firstCol)) return 0;
    const uint64_t rows = lastRow - selection_.firstRow + 1, cols = lastCol - selection_.firstCol + 1;
    // Tabs and line ends first: alone they decide the huge cases at once.
    uint64_t bytes = rows * (cols - 1) + (rows - 1) * 2;
    for (size_t r = selection_.firstRow; r <= lastRow && bytes <= kMaxCopyBytes; ++r)
        for (size_t c = selection_.firstCol; c <= lastCol; ++c) bytes += cell(r, c).size();
    return bytes;
}

std::string CResultDoc::copySelection() const {
    if (selection_.empty() || rows_.empty() || order_.empty()) return {};
    if (copySelectionBytes() > kMaxCopyBytes) return {};
    const size_t lastRow = std::min<size_t>(selection_.lastRow, rows_.size() - 1);
    const size_t lastCol = std::min<size_t>(selection_.lastCol, order_.size() - 1);
    std::string text;
    for (size_t r = selection_.firstRow; r <= lastRow; ++r) {
        if (r != size_t(selection_.firstRow)) text += "\r\n";
        for (size_t c = selection_.firstCol; c <= lastCol; ++c) {
            if (c != size_t(selection_.firstCol)) text += '\t';
            text += cell(r, c);
        }
    }
    return text;
}

void CResultDoc::DeleteContents() {
    formats_.clear();
    rows_.clear();
    order_.clear();
    colCount_ = rowCount_ = 0;
    selection_ = CellRect{};
    changed(0);
}

namespace ordavia {

std::string resultFileName(const std::string& source) {
    std::string name = fileNameOf(source);
    // A window title carries the examination as " [subject exam]".
    if (!name.empty() && name.back() == ']') {
        const size_t open = name.rfind(" [");
        if (open != std::string::npos && open > 0) name.erase(open);
    }
    return name;
}

}  // namespace ordavia

Status CResultDoc::OnFileSave() {
    // A table not saved yet is named in Save As, where CSV is offered too.
    if (GetPathName().empty() || !fileExists(GetPathName())) return OnFileSaveAs();
    return CdbDocument::OnFileSave();
}

Status CResultDoc::OnFileSaveAs() {
    ProposeExamPath();
    const auto chosen = userPrompter().saveFile("Save As", kSaveAsFilter, withoutExtension(proposedSaveName()) + ".rst");
    if (!chosen || chosen->empty()) return Status::cancelled();
    std::string target = *chosen;
    const std::string ext = toLower(extensionOf(target));
    if (ext == ".csv") {
        // A copy for spreadsheets: the table itself stays the ".rst" it was.
        Status w = Status::success();
        auto csv = resultsAsCsv(*this);
        w = csv ? writeFileAtomically(target, csv.value()) : csv.status();
        if (!w) return saveFailure(w.context(target));
        return Status::success();
    }
    if (ext != ".rst") target += ".rst";
    return DoSave(target, true);
}

void CResultDoc::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeObjectArray(formats_);
        ar.writeInt(-1);
        serializeDbBlock(ar);
        ar.writeWord(colCount_);
        ar.writeWord(rowCount_);
        ar.writeObjectArray(rows_);
        return;
    }

    registerResultClasses();
    // Everything is read into locals first: a damaged file leaves the table
    // as it was.
    const uint32_t nFormats = ar.readCountFor(2);
    if (nFormats > kMaxColumns) throw ArchiveError("results: too many columns");
    std::vector<std::unique_ptr<Ccolformat>> formats;
    formats.reserve(nFormats);
    for (uint32_t i = 0; i < nFormats; ++i) {
        auto f = ar.readObject<Ccolformat>();
        if (!f) throw ArchiveError("results: missing column format");
        formats.push_back(std::move(f));
    }

    struct Block {
        int32_t saveCount;
        int64_t examId;
        std::string subjectId, ownerText, result, stationText, capturedBy;
        bool linked;
    };
    const Block before{saveCount, examId, subjectId, ownerText, result, stationText, capturedBy, linked};
    const auto restore = [&] {
        saveCount = before.saveCount;
        examId = before.examId;
        subjectId = before.subjectId;
        ownerText = before.ownerText;
        result = before.result;
        stationText = before.stationText;
        capturedBy = before.capturedBy;
        linked = before.linked;
    };

    try {
        uint16_t colCount, rowCount;
        const int32_t marker = ar.readInt();
        if (marker < 0) {
            serializeDbBlock(ar);
            colCount = ar.readWord();
        } else {
            colCount = static_cast<uint16_t>(std::min<int32_t>(marker, 0xFFFF));
        }
        rowCount = ar.readWord();

        const uint32_t nRows = ar.readCountFor(2);
        if (nRows > kMaxRows) throw ArchiveError("results: too many rows");
        std::vector<std::unique_ptr<CStringArray>> rows;
        rows.reserve(nRows);
        size_t cells = 0;
        for (uint32_t i = 0; i < nRows; ++i) {
            auto row = ar.readObject<CStringArray>();
            if (!row) throw ArchiveError("results: missing row");
            cells += row->strings.size();
            if (cells > kMaxLoadCells) throw ArchiveError("results: too many cells");
            rows.push_back(std::move(row));
        }

        formats_ = std::move(formats);
        rows_ = std::move(rows);
        colCount_ = colCount;
        rowCount_ = rowCount;
        selection_ = CellRect{};
        rebuildOrder();
        changed(0);
    } catch (...) {
        restore();
        throw;
    }
}
