#pragma once
// What the application object needs of its main window. The workstation's
// Qt main frame implements it; tests use a recording fake.
#include <string>

namespace ordavia {

class Document;

// What became of a file no document template takes.
enum class ForeignOpen {
    NotMine,  // not a kind of file the frame opens
    Opened,   // opened in a new document window
    Failed,   // the frame's kind, but it could not be opened (the user was told)
};

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
    // Files of a kind without a document template (plain pictures, movies
    // of other programs), and pictures by their content whatever their name.
    virtual ForeignOpen openForeignFile(const std::string& path) = 0;
    virtual void tileWindows() = 0;
};

}  // namespace ordavia
