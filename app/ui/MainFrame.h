#pragma once
// The workstation's main window: an MDI frame with the File, View, Window
// and Help menus, the main toolbar, the recent-file list, file dropping,
// and one child window per open document view.
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFrameHost.h"
#include "base/Result.h"
#include "framework/LocalRequests.h"
#include "base/ui/CommandTable.h"

class CBasicApp;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMessageBox;
class QTimer;

namespace ordavia {

class FrameCommands;
class MainToolbar;
class RecordBar;
class RequestServer;
class SecondToolbar;
class StatusWindow;
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
    ordavia::SecondToolbar* secondToolbar() const { return secondBar_; }
    ordavia::RecordBar* recordBar() const { return recordBar_; }
    ordavia::StatusWindow* statusWindow() const { return statusWindow_; }
    ordavia::FrameCommands& commands() const { return *commands_; }
    bool expertMode() const { return expert_; }
    bool alwaysOnTop() const { return onTop_; }
    // On a first start (and whenever the user asked for it again) the
    // welcome with the three things to do first. `ask` runs the dialog and
    // returns the choice (tests script it); the dialog itself by default.
    void welcome(std::function<int(bool hasDatabase)> ask = {});
    // Closes every live video window (the subject workflow does before it
    // changes the subject).
    void closeLiveVideo();
    // The frame's own command of that menu text (null when it has none).
    QAction* frameCommand(const QString& text) const;
    // The status window's lines, as it shows them now.
    QStringList statusLines() const;
    ordavia::SubjectUi* subjects() const { return subjects_; }
    // Adds a finished widget as a child window (images, charts made by commands).
    QMdiSubWindow* addChildWindow(QWidget* w, const QString& title);
    // Opens several files; tiles the windows when more than one was opened.
    void openFiles(const QStringList& paths);

    // Serves the local requests of this user's other programs (image
    // markers, a second workstation, "ordavia-cli send") at `socketPath`,
    // the user's private socket when empty.
    ordavia::Status listenForRequests(const std::string& socketPath = {});
    ordavia::RequestServer* requestServer() const { return requests_; }
    // Carries out one request; a failure says why it was not carried out.
    // Failures are also shown, one notice for all of them (never a box per
    // request), and written to the debug log.
    ordavia::Status serveRequest(const ordavia::LocalRequest& request);
    // The sockets that hear of every picture the live video saves
    // ("WM_SAVING"): the profile's "LocalRequests"/"savingreceivers" (see
    // localReceiverSockets), this workstation's own socket by default.
    std::vector<std::string> savingReceivers() const;
    // The path of the last picture the live video saved, as the status bar
    // shows it (empty before the first).
    QString lastSavedText() const;
    // The notice of failed requests (null until a request failed).
    QWidget* requestFailureNotice() const;
    // The document auto-load requests load into (null until the first).
    ordavia::Document* autoLoadDocument() const;

    // Shows or hides the toolbars and the record bar for the expert-mode
    // state ("Select Subject..." does before its dialog).
    void applyExpertMode();
    // The two popup menus, shown at (100, 100) from the frame's corner:
    // the commands of the window in front (its own menus and the frame's
    // View commands), and the acquisition commands.
    static constexpr const char* kViewPopup = "&Window commands popup";
    static constexpr const char* kAcquirePopup = "&Acquire commands popup";
    QMenu* viewPopup();
    QMenu* acquirePopup();
    // The user manual's window (null until it was opened).
    QWidget* manualWindow() const;

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
    void onSubWindowActivated(QMdiSubWindow* w);
    void setExpertMode(bool on);
    void setAlwaysOnTop(bool on);
    void refreshStatus();
    // Check marks of the frame's toggling commands follow what they toggle
    // (a recording stopped elsewhere lets the Record button up).
    void syncCommandChecks();

private:
    void buildMenus();
    void buildViewMenu();
    void buildAcquireMenu();
    void buildBars();
    class Devices;
    friend class Devices;
    // The frame's View commands join a view's own "&View" menu while that
    // view is in front, so that the menu bar never shows two.
    void placeViewMenu(const QList<QMenu*>& viewMenus);
    // Ticks the View commands as their menu opens, wherever it shows.
    void refreshViewChecks();
    // The File menu's recent files and the Window menu's windows, as the
    // menus open.
    std::vector<ordavia::MenuEntry> recentEntries();
    std::vector<ordavia::MenuEntry> windowEntries();
    void loadRecent();
    void saveRecent();
    void savePlacement();

    CBasicApp& app_;
    QMdiArea* mdi_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* fileInsertPoint_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QAction* viewMenuAction_ = nullptr;
    QList<QAction*> frameViewActions_;
    QPointer<QMenu> borrowedViewMenu_;
    ordavia::MainToolbar* toolbar_ = nullptr;
    ordavia::SubjectUi* subjects_ = nullptr;
    ordavia::RequestServer* requests_ = nullptr;
    ordavia::SecondToolbar* secondBar_ = nullptr;
    ordavia::RecordBar* recordBar_ = nullptr;
    ordavia::StatusWindow* statusWindow_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    std::unique_ptr<Devices> devices_;
    std::unique_ptr<ordavia::FrameCommands> commands_;
    QList<QAction*> frameCommands_;
    bool expert_ = false;
    bool onTop_ = false;
    ordavia::Document* autoLoad_ = nullptr;
    ordavia::Status autoLoadPicture(const std::string& path);
    // Where a bare picture name of an image marker is looked for.
    std::vector<std::string> markerFolders() const;
    void pictureSaved(const std::string& path);
    void requestFailed(const ordavia::LocalRequest& r, const ordavia::Status& why);
    bool hasWindow(const ordavia::Document* doc) const;
    void closeWindowsOf(ordavia::Document* doc);
    QPointer<QMessageBox> failures_;
    QPointer<QWidget> manual_;
    QLabel* lastSaved_ = nullptr;
    QMenu* viewPopup_ = nullptr;
    QMenu* acquirePopup_ = nullptr;
    QMenu* acquireMenu_ = nullptr;
    int failureCount_ = 0;
    // Guarded: a closing view deletes its menus and actions.
    QList<QPointer<QAction>> docMenuActions_;
    QList<QPointer<QAction>> docFileActions_;
};

}  // namespace ordavia
