#include "measure/ui/ZDimView.h"

#include <QAction>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "framework/AppServices.h"
#include "framework/ui/ViewRegistry.h"
#include "measure/UnitText.h"
#include "measure/ZDimDoc.h"

using namespace ordavia;

ZDimView::ZDimView(ZDimDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableWidget(this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    l->addWidget(table_);
    const auto& cols = ZDimDoc::columns();
    table_->setColumnCount(static_cast<int>(cols.size()));
    const QFontMetrics fm(table_->font());
    for (int c = 0; c < static_cast<int>(cols.size()); ++c) {
        table_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(cols[static_cast<size_t>(c)].header)));
        table_->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
        // Each column is as wide as its sample text plus 15 pixels.
        const QString sample = QString::fromUtf8(cols[static_cast<size_t>(c)].sample);
        const int w = std::max(fm.horizontalAdvance(sample.isEmpty() ? QString(cols[static_cast<size_t>(c)].header) : sample),
                               fm.horizontalAdvance(QString(cols[static_cast<size_t>(c)].header))) + 15;
        table_->setColumnWidth(c, w);
    }
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* save = new QAction("&Save", this);
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this,
            [this] { showDocumentFailure(doc_->services().prompter(), doc_->OnFileSave()); });
    auto* saveAs = new QAction("Save &As...", this);
    connect(saveAs, &QAction::triggered, this,
            [this] { showDocumentFailure(doc_->services().prompter(), doc_->OnFileSaveAs()); });
    fileActions_ = {save, saveAs};

    doc_->AddView(this);
    refill();
}

ZDimView::~ZDimView() { doc_->RemoveView(this); }

QList<QAction*> ZDimView::fileActions() { return fileActions_; }

QSize ZDimView::sizeHint() const { return {720, 360}; }

void ZDimView::OnUpdate(Document*, long) { refill(); }

// The headings on screen carry the unit; the saved file keeps the plain
// headings.
void ZDimView::refreshHeadings() {
    if (headingUnits_ == doc_->units() && !headingUnits_.empty()) return;
    headingUnits_ = doc_->units();
    const QString unit = QString::fromStdString(ordavia::displayUnit(headingUnits_));
    const QString area = QString::fromStdString(ordavia::displayAreaUnit(headingUnits_));
    const auto& cols = ZDimDoc::columns();
    for (int c = 0; c < static_cast<int>(cols.size()); ++c) {
        QString h = QString::fromUtf8(cols[static_cast<size_t>(c)].header);
        if (c == 1 || c == 2 || c == 3 || c == 5) h += "\n(" + unit + ")";
        if (c == 4) h += "\n(" + area + ")";
        table_->horizontalHeaderItem(c)->setText(h);
    }
}

void ZDimView::refill() {
    refreshHeadings();
    const auto& rows = doc_->rows();
    // A live table is refilled at every change of its image document:
    // change only the cells that differ, so that the selection and scroll
    // position stay and large lists stay quick.
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& row = rows[static_cast<size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()); ++c) {
            const QString text = QString::fromStdString(row[static_cast<size_t>(c)]).trimmed();
            if (QTableWidgetItem* old = table_->item(r, c)) {
                if (old->text() != text) old->setText(text);
                continue;
            }
            auto* item = new QTableWidgetItem(text);
            if (c > 0 && c < 9) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(r, c, item);
        }
    }
}

void ordavia::registerDimListView() {
    registerViewMaker("ZDimView", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<ZDimDoc*>(d);
        return doc ? new ZDimView(doc, parent) : nullptr;
    });
}
