#pragma once
// The results window (view class "CResultView"): the table with its column
// headings and widths, a rectangle of cells selected with the mouse
// (dragging past the edge scrolls), "&Copy" of the selection as text, and
// "&Print..." / "Print Pre&view" with the program name, document path and
// date on each page. The placement of its frame is kept in the profile
// section "CResultView".
#include <QPointer>
#include <QWidget>

#include "framework/ui/MenuProvider.h"

class CResultDoc;
class ProfileStore;
class QAction;
class QMenu;
class QPainter;
class QPrinter;
class QTableView;

namespace ordavia {

class ResultTableModel;

class ResultView : public QWidget, public MenuProvider {
    Q_OBJECT

public:
    explicit ResultView(CResultDoc* doc, QWidget* parent = nullptr);
    ~ResultView() override;

    static constexpr const char* kViewClass = "CResultView";

    QList<QMenu*> documentMenus() override;
    QList<QAction*> fileActions() override;

    QTableView* table() const { return table_; }
    CResultDoc* document() const { return doc_; }
    QAction* copyAction() const { return copyAction_; }

    // Puts the selected cells on the clipboard as text.
    void copySelection();
    void printWithDialog();
    void printPreview();
    // Paints every page of the table onto the printer (print and preview).
    void paintPages(QPrinter* printer);

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void documentChanged(long hint);
    void selectionChanged();
    void applyColumnWidths();
    void restorePlacement();
    void savePlacement();
    QWidget* frame() const;

    CResultDoc* doc_;
    // Where the placement is kept: the profile of the document's services,
    // taken at the start because the document may go before the window.
    ProfileStore* profile_ = nullptr;
    int listener_ = 0;
    ResultTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* previewAction_ = nullptr;
    QPointer<QWidget> frame_;
    bool placed_ = false;
    bool placementSaved_ = false;
};

// Makes the window for a results document.
QWidget* createResultView(CResultDoc* doc, QWidget* parent);
// Lets the main frame make results windows for the view class "CResultView".
void registerResultViewMaker();

}  // namespace ordavia
