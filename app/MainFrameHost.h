#pragma once
// What the application object needs of its main window. The workstation's
// Qt main frame implements it; tests use a recording fake.
#include <string>

namespace ordavia {

class Document;

class MainFrameHost {
public:
    virtual ~MainFrameHost() = default;
    // Creates the main window from its stored placement, once the templates
    // are registered and before the command line is handled; false ends the
    // program.
    virtual bool create() = 0;
    // The start-up windows of an empty command line without a database.
    virtual void startupWindows() = 0;
    virtual void showNormal() = 0;
    // Queues a menu command by its text ("Select Subject...").
    virtual void postCommand(const std::string& command) = 0;
    virtual void postClose() = 0;
    // A document was opened or created: give it a window with its view.
    virtual void documentOpened(Document* doc) = 0;
    // A document already open was asked for again: bring its window forward.
    virtual void activateDocument(Document* doc) = 0;
    // Files of a kind without a document template (plain images); true when
    // the frame opened the file itself.
    virtual bool openForeignFile(const std::string& path) = 0;
    virtual void tileWindows() = 0;
};

}  // namespace ordavia
