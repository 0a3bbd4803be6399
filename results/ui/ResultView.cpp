#include "results/ui/ResultView.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTableView>
#include <QVBoxLayout>
#include <ctime>

#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultExport.h"
#include "settings/ViewPlacement.h"
#include "results/ui/ResultTableModel.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "framework/ui/ViewRegistry.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {
const char* const kProgramName = "Ordavia";
}  // namespace

ResultView::ResultView(CResultDoc* doc, QWidget* parent)
    : QWidget(parent), doc_(doc), profile_(doc ? &doc->services().profile() : nullptr) {
    model_ = new ResultTableModel(doc_, this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectItems);
    table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    table_->setAutoScroll(true);  // dragging past the edge scrolls
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideNone);  // cells are clipped to their column
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Fixed row heights keep long tables cheap: nothing is measured per row.
    QHeaderView* vh = table_->verticalHeader();
    vh->setSectionResizeMode(QHeaderView::Fixed);
    vh->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setHighlightSections(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);

    saveAction_ = new QAction("&Save", this);
    saveAction_->setShortcut(QKeySequence::Save);
    connect(saveAction_, &QAction::triggered, this, [this] {
        if (doc_) showDocumentFailure(doc_->services().prompter(), doc_->OnFileSave());
    });
    saveAsAction_ = new QAction("Save &As...", this);
    saveAsAction_->setShortcut(QKeySequence::SaveAs);
    connect(saveAsAction_, &QAction::triggered, this, [this] {
        if (doc_) showDocumentFailure(doc_->services().prompter(), doc_->OnFileSaveAs());
    });
    // The table's own commands are its right-click menu; Copy is also the
    // Edit menu, and Print the File menu's. Copy is there while cells are
    // selected (its key too, so its state follows the selection).
    const QList<QAction*> commands = makeCommandActions(
        this, {{.text = "&Copy", .run = [this] { copySelection(); }, .shortcut = QKeySequence::Copy,
                .context = Qt::WidgetWithChildrenShortcut, .enabled = [this] { return doc_ && !doc_->selection().empty(); },
                .ask = MenuCommand::Ask::OnBuild, .action = &copyAction_},
               {.text = "&Print...", .run = [this] { printWithDialog(); }, .shortcut = QKeySequence::Print,
                .action = &printAction_},
               {.text = "Print Pre&view", .run = [this] { printPreview(); }, .action = &previewAction_}});
    editMenu_ = new QMenu("&Edit", this);
    editMenu_->addAction(copyAction_);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
    table_->addActions(commands);

    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { selectionChanged(); });
    if (doc_) listener_ = doc_->addChangeListener([this](long hint) { documentChanged(hint); });
    applyColumnWidths();
    setWindowTitle(doc_ ? QString::fromStdString(doc_->GetTitle()) : QString());
}

ResultView::~ResultView() {
    if (!placementSaved_) savePlacement();
    if (doc_) doc_->removeChangeListener(listener_);
}

QList<QMenu*> ResultView::documentMenus() { return {editMenu_}; }

QList<QAction*> ResultView::fileActions() { return {saveAction_, saveAsAction_, printAction_, previewAction_}; }

void ResultView::documentChanged(long hint) {
    if (hint == CResultDoc::kHintGone) {
        doc_ = nullptr;
        model_->detach();
        copyAction_->setEnabled(false);
        return;
    }
    const int colsBefore = model_->columnCount();
    model_->refresh(hint);
    if (model_->columnCount() != colsBefore || hint != CResultDoc::kHintRowAdded) applyColumnWidths();
    if (hint == CResultDoc::kHintRowAdded) table_->scrollToBottom();
    setWindowTitle(doc_ ? QString::fromStdString(doc_->GetTitle()) : QString());
}

void ResultView::applyColumnWidths() {
    if (!doc_) return;
    const int charWidth = table_->fontMetrics().averageCharWidth();
    doc_->charWidth = charWidth;
    doc_->lineHeight = table_->fontMetrics().lineSpacing();
    QHeaderView* h = table_->horizontalHeader();
    for (int c = 0; c < model_->columnCount(); ++c) {
        const int chars = doc_->displayFormat(static_cast<size_t>(c)).displayWidth;
        // A heading longer than its column's width ("threshold" in 8) is shown whole.
        const int heading = h->fontMetrics().horizontalAdvance(model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 12;
        h->resizeSection(c, std::max(std::max(chars, 2) * charWidth + 8, heading));
    }
}

void ResultView::selectionChanged() {
    if (!doc_) return;
    const QItemSelection sel = table_->selectionModel()->selection();
    CellRect r;
    if (!sel.isEmpty()) {
        // A contiguous selection is one range; its bounding box otherwise.
        int l = INT_MAX, t = INT_MAX, rr = -1, b = -1;
        for (const QItemSelectionRange& range : sel) {
            l = std::min(l, range.left());
            t = std::min(t, range.top());
            rr = std::max(rr, range.right());
            b = std::max(b, range.bottom());
        }
        r = CellRect{l, t, rr, b};
    }
    doc_->setSelection(r);
    copyAction_->setEnabled(!doc_->selection().empty());
}

void ResultView::copySelection() {
    if (!doc_) return;
    if (const uint64_t bytes = doc_->copySelectionBytes(); bytes > CResultDoc::kMaxCopyBytes) {
        // Said plainly rather than copying nothing in silence.
        const std::string text = strprintf("The selection is too large to copy (more than %llu MB). "
                                           "Select fewer rows or export the table.",
                                           static_cast<unsigned long long>(CResultDoc::kMaxCopyBytes >> 20));
        doc_->services().prompter().messageBox(text, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    const std::string text = doc_->copySelection();
    if (!text.empty()) QApplication::clipboard()->setText(QString::fromStdString(text));
}

void ResultView::printWithDialog() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() == QDialog::Accepted) paintPages(&printer);
}

void ResultView::printPreview() {
    QPrintPreviewDialog dlg(this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, &ResultView::paintPages);
    dlg.exec();
}

void ResultView::paintPages(QPrinter* printer) {
    if (!doc_ || !printer) return;
    QPainter p(printer);
    if (!p.isActive()) return;
    QFont font = table_->font();
    p.setFont(font);
    const QFontMetrics fm(font, printer);
    const int charW = std::max(1, fm.averageCharWidth());
    const int lineH = std::max(1, fm.lineSpacing());
    const QRect page(QPoint(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());

    const size_t cols = doc_->displayColumnCount();
    std::vector<int> xs(cols + 1, 0);
    for (size_t c = 0; c < cols; ++c)
        xs[c + 1] = xs[c] + std::max<int>(doc_->displayFormat(c).displayWidth, 2) * charW + charW;
    // A table wider than the page is scaled down to fit rather than cut.
    const double scale = xs[cols] > page.width() ? double(page.width()) / xs[cols] : 1.0;
    const QString header = QString::fromStdString(
        resultPrintHeader(kProgramName, doc_->GetPathName().empty() ? doc_->GetTitle() : doc_->GetPathName(),
                          std::time(nullptr)));

    const int usable = int(page.height() / scale);
    const int rowsPerPage = std::max(1, usable / lineH - 3);
    const size_t rows = doc_->rowTotal();
    size_t first = 0;
    int pageNo = 1;
    do {
        if (pageNo > 1) printer->newPage();
        p.save();
        p.scale(scale, scale);
        const int width = int(page.width() / scale);
        p.drawText(QRect(0, 0, width, lineH), Qt::AlignLeft | Qt::AlignVCenter, header);
        p.drawText(QRect(0, 0, width, lineH), Qt::AlignRight | Qt::AlignVCenter, QString("Page %1").arg(pageNo));
        int y = lineH * 2;
        QFont bold = font;
        bold.setBold(true);
        p.setFont(bold);
        for (size_t c = 0; c < cols; ++c)
            p.drawText(QRect(xs[c], y, xs[c + 1] - xs[c] - charW / 2, lineH),
                       (doc_->isNumeric(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                       QString::fromStdString(doc_->displayFormat(c).heading));
        p.setFont(font);
        p.drawLine(0, y + lineH, xs[cols], y + lineH);
        y += lineH;
        const size_t last = std::min(rows, first + size_t(rowsPerPage));
        for (size_t r = first; r < last; ++r) {
            for (size_t c = 0; c < cols; ++c) {
                // drawText clips each cell to its column.
                const Qt::Alignment align = doc_->isNumeric(c) ? Qt::AlignRight : Qt::AlignLeft;
                QString text = QString::fromStdString(doc_->cell(r, c));
                if (doc_->isNumeric(c)) text = text.trimmed();
                p.drawText(QRect(xs[c], y, xs[c + 1] - xs[c] - charW / 2, lineH), align | Qt::AlignVCenter, text);
            }
            y += lineH;
        }
        p.restore();
        first = last;
        ++pageNo;
    } while (first < rows);
}

QWidget* ResultView::frame() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) return sub;
    return window();
}

void ResultView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!placed_) {
        placed_ = true;
        restorePlacement();
    }
}

bool ResultView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == frame_ && e->type() == QEvent::Close) savePlacement();
    return QWidget::eventFilter(watched, e);
}

void ResultView::restorePlacement() {
    QWidget* f = frame();
    if (!f || !profile_) return;
    frame_ = f;
    f->installEventFilter(this);
    // The first placement is the lower half of the workspace.
    QSize area = f->size();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(f); sub && sub->mdiArea()) area = sub->mdiArea()->viewport()->size();
    const ViewPlacement defaults = ViewPlacement::lowerHalf(area.width(), area.height());
    const ViewPlacement v = ViewPlacement::load(*profile_, kViewClass, defaults);
    QRect r(QPoint(v.left, v.top), QPoint(v.right - 1, v.bottom - 1));
    if (r.width() < 50 || r.height() < 30) r = QRect(QPoint(defaults.left, defaults.top), QPoint(defaults.right - 1, defaults.bottom - 1));
    if (r.isValid() && f != window()) f->setGeometry(r);
    else if (r.isValid()) f->resize(r.size());
    if (v.showcmd == ViewPlacement::kMaximized) f->showMaximized();
    else if (v.showcmd == ViewPlacement::kMinimized) f->showMinimized();
}

void ResultView::savePlacement() {
    QWidget* f = frame_;
    if (!f || !profile_) return;
    placementSaved_ = true;
    const ProfileStore& store = *profile_;
    ViewPlacement v = ViewPlacement::load(store, kViewClass, ViewPlacement{});
    v.showcmd = f->isMinimized() ? ViewPlacement::kMinimized
                                 : f->isMaximized() ? ViewPlacement::kMaximized : ViewPlacement::kNormal;
    // A maximised or minimised frame keeps its normal rectangle from before.
    if (v.showcmd == ViewPlacement::kNormal) {
        const QRect g = f->geometry();
        v.left = g.left();
        v.top = g.top();
        v.right = g.left() + g.width();
        v.bottom = g.top() + g.height();
    }
    v.save(store, kViewClass);
}

QWidget* createResultView(CResultDoc* doc, QWidget* parent) { return new ResultView(doc, parent); }

void registerResultViewMaker() {
    registerViewMaker(ResultView::kViewClass, [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<CResultDoc*>(d);
        return doc ? createResultView(doc, parent) : nullptr;
    });
}

}  // namespace ordavia
