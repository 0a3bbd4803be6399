#pragma once
// The table model over a results document: it reads cells straight from the
// document (nothing is copied), so a table of tens of thousands of rows
// costs only the rows on screen. Numeric cells show without the blanks that
// pad them to their field width and are right-aligned.
#include <QAbstractTableModel>

class CResultDoc;

namespace ordavia {

class ResultTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ResultTableModel(CResultDoc* doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Brings the model up to the document: appended rows are inserted,
    // anything else resets.
    void refresh(long hint);
    // The document is gone; the model shows nothing from now on.
    void detach();
    CResultDoc* document() const { return doc_; }

private:
    CResultDoc* doc_;
    int rows_ = 0;
    int cols_ = 0;
};

}  // namespace ordavia
