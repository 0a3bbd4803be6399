// The Ordavia workstation.
#include <QApplication>
#include <filesystem>

#include "base/ProductVersion.h"
#include <system_error>
#include <QStringList>
#include <QTimer>

#include "app/CBasicApp.h"
#include "app/ResultTexts.h"
#include "base/Text.h"
#include "app/ui/FrameIcons.h"
#include "app/ui/MainFrame.h"
#include "results/ResultTables.h"
#include "results/ui/ResultView.h"
#include "chart/ui/MarkerSender.h"
#include "chart/ui/ZchartView.h"
#include "db/CSubjectDatabase.h"
#include "doppler/ui/CReView.h"
#include "framework/AppServices.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"
#include "measure/ui/ZDimView.h"
#include "measure/ui/MeasureViews.h"
#include "live/ui/ZBasicfgView.h"
#include "linescan/ui/LiveLineScan.h"
#include "live/CameraSources.h"
#include "linescan/ui/ZlineScanView.h"
#include "video/ui/CMotivaView.h"
#include "video/LiveVideoSource.h"
#include "framework/ui/QtPrompter.h"
#include "framework/ui/QtTimerFactory.h"

using namespace ordavia;

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Ordavia");
    QApplication::setApplicationVersion(kProductVersionText);
    // Every window, the document windows too, carries the program's icon.
    QApplication::setWindowIcon(frameIcon("app"));

    QtPrompter prompter;
    QtTimerFactory timers;
    // The services every document and command of this run works with; the
    // application opens the subject database at start-up and closes it at exit.
    ProfileStore profile;
    StartupSettings settings;
    CSubjectDatabase database;
    ResultTables results;
    ordavia::AppServices services;
    services.profileStore = &profile;
    services.prompterPtr = &prompter;
    services.startupSettings = &settings;
    services.provide<CSubjectDatabase>(&database);
    services.provide<ResultTables>(&results);
    services.timerFactory = &timers;
    // Pictures and line scans file their figures under the examination.
    services.resultText = composeResultText;
    // The views of the document types in this build.
    registerResultViewMaker();
    registerDimListView();
    registerMeasureViews();
    registerLiveViews();
    registerVideoViews();
    registerChartViews();
    // After the chart views: chart reviews get their own view.
    registerLineScanViews();
    // After both: Doppler recordings open in the review view.
    registerDopplerViews();
    // Video views hand their frames to the live line scan through this.
    LiveLineScan lineScans(&services);
    services.lineScanLink = &lineScans;
    // The camera of this run: the simulated kinds the build knows.
    CameraSources cameras(services);
    registerLiveVideoSource(cameras);
    // Image markers ask the running workstation for pictures through this.
    MarkerSender markerSender;
    services.markerLink = &markerSender;

    // The command line as one text: "/a PATH" exports a video; anything
    // else is a file to open. Several files may be given here.
    const QStringList args = QApplication::arguments().mid(1);
    std::string commandLine;
    QStringList more;
    if (!args.isEmpty()) {
        if (args[0] == "/a" && args.size() >= 2) {
            commandLine = "/a " + args[1].toStdString();
        } else {
            commandLine = args[0].toStdString();
            more = args.mid(1);
        }
    }

    int rc = 0;
    {
        CBasicApp app(services);
        MainFrame frame(app);
        prompter.setParent(&frame);
        // File choosers open in the folder last used (kept in the profile
        // as the documents keep it), else where the data live.
        prompter.folders().dataFolder = [&database]() -> std::string {
            if (!database.isOpen()) return {};
            std::error_code ec;
            const std::string& exam = database.currentExamFolder();
            if (!exam.empty() && std::filesystem::is_directory(exam, ec)) return exam;
            return database.dataFolder();
        };
        prompter.folders().onRemember = [&profile](const std::string& folder) {
            profile.WriteString("settings", "directory", folder);
        };
        if (!app.InitInstance(&frame, commandLine)) return 1;
        const std::string lastFolder = profile.GetString("settings", "directory", "");
        if (startsWith(lastFolder, "/")) prompter.folders().setLast(lastFolder);
        if (!more.isEmpty()) frame.openFiles(more);
        // A first start without files to open says what to do first.
        if (commandLine.empty()) QTimer::singleShot(0, &frame, [&frame] { frame.welcome(); });
        // Requests of this user's other programs; a second workstation
        // leaves the socket to the first and says so in its log only.
        if (const Status s = frame.listenForRequests(); !s) debugLog("local requests: %s\n", s.reason().c_str());
        rc = QApplication::exec();
        app.ExitInstance();
    }
    return rc;
}
