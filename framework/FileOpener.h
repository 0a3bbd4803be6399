#pragma once
// Opens a file in a new document of the type File > Open would give it,
// even when a document of that file is open already (a recording just
// saved, offered for review). The workstation's application provides one
// through the services (AppServices::provide<FileOpener>); where there is
// no application (the command line, most tests) there is none.
#include <string>

#include "framework/AppServices.h"

namespace ordavia {

class Document;

class FileOpener {
public:
    virtual ~FileOpener() = default;
    // Null when the file did not open (the user has been told why).
    virtual Document* openCopy(const std::string& path) = 0;
    static FileOpener* of(const AppServices& services) { return services.find<FileOpener>(); }
};

}  // namespace ordavia
