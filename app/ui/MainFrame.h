#pragma once
// The workstation's main window: an MDI frame with the File, View, Window
// and Help menus, the main toolbar, the recent-file list, file dropping,
// and one child window per open document view.
#include <QMainWindow>
#include <QPointer>

#include "app/MainFrameHost.h"

class CBasicApp;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace ordavia {

class MainToolbar;
class SubjectUi;

class MainFrame : public QMainWindow, public MainFrameHost {
    Q_OBJECT
public:
    explicit MainFrame(CBasicApp& app);
    ~MainFrame() override;

    // MainFrameHost
    bool create() override;
    void startupWindows() override;
    void showNormal() override;
    void postCommand(const std::string& command) override;
    void postClose() override;
    void documentOpened(Document* doc) override;
    void activateDocument(Document* doc) override;
    ForeignOpen openForeignFile(const std::string& path) override;
    void tileWindows() override;

    QMdiArea* mdiArea() const { return mdi_; }
    ordavia::MainToolbar* mainToolbar() const { return toolbar_; }
    ordavia::SubjectUi* subjects() const { return subjects_; }
    // Adds a finished widget as a child window (images, charts made by commands).
    QMdiSubWindow* addChildWindow(QWidget* w, const QString& title);
    // Opens several files; tiles the windows when more than one was opened.
    void openFiles(const QStringList& paths);

    // The multi-type open dialog's filter.
    static const char* kOpenFilter;

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private slots:
    void onFileNew();
    // "New chart": an empty chart, titled "Chart1", "Chart2", ...
    void onNewChart();
    void onFileOpen();
    void onUserManual();
    void onAbout();
    void onCloseAll();
    void updateRecentMenu();
    void updateWindowMenu();
    void onSubWindowActivated(QMdiSubWindow* w);

private:
    void buildMenus();
    void buildViewMenu();
    // "Live &Video" (activates or opens the live window) and, with start,
    // "Start".
    void openLiveVideo(bool start);
    // The frame's View commands join a view's own "&View" menu while that
    // view is in front, so that the menu bar never shows two.
    void placeViewMenu(const QList<QMenu*>& viewMenus);
    void loadRecent();
    void saveRecent();
    void savePlacement();

    CBasicApp& app_;
    QMdiArea* mdi_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    QAction* fileInsertPoint_ = nullptr;
    QAction* windowMenuAction_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QAction* viewMenuAction_ = nullptr;
    QList<QAction*> frameViewActions_;
    QPointer<QMenu> borrowedViewMenu_;
    ordavia::MainToolbar* toolbar_ = nullptr;
    ordavia::SubjectUi* subjects_ = nullptr;
    // Guarded: a closing view deletes its menus and actions.
    QList<QPointer<QAction>> docMenuActions_;
    QList<QPointer<QAction>> docFileActions_;
};

}  // namespace ordavia
