#include "results/ui/ResultTableModel.h"

#include "results/CResultDoc.h"
#include "results/MeasureColumns.h"

namespace ordavia {

namespace {
QString trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return QString::fromUtf8(s.data() + b, static_cast<qsizetype>(e - b));
}
}  // namespace

ResultTableModel::ResultTableModel(CResultDoc* doc, QObject* parent) : QAbstractTableModel(parent), doc_(doc) {
    if (doc_) {
        rows_ = static_cast<int>(doc_->rowTotal());
        cols_ = static_cast<int>(doc_->displayColumnCount());
    }
}

int ResultTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int ResultTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
    if (!doc_ || !index.isValid()) return {};
    const auto r = static_cast<size_t>(index.row());
    const auto c = static_cast<size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: {
            const std::string& cell = doc_->cell(r, c);
            return doc_->isNumeric(c) ? trimmed(cell) : QString::fromStdString(cell);
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter | (doc_->isNumeric(c) ? Qt::AlignRight : Qt::AlignLeft));
        default:
            return {};
    }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !doc_ || section < 0) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section >= cols_) return {};
    return QString::fromStdString(ordavia::shownHeading(*doc_, static_cast<size_t>(section)));
}

void ResultTableModel::refresh(long hint) {
    if (!doc_) return;
    const int rows = static_cast<int>(doc_->rowTotal());
    const int cols = static_cast<int>(doc_->displayColumnCount());
    if (hint == CResultDoc::kHintRowAdded && cols == cols_ && rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
        return;
    }
    beginResetModel();
    rows_ = rows;
    cols_ = cols;
    endResetModel();
}

void ResultTableModel::detach() {
    beginResetModel();
    doc_ = nullptr;
    rows_ = cols_ = 0;
    endResetModel();
}

}  // namespace ordavia
