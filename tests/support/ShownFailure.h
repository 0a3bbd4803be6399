#pragma once
// What the open and save commands do with a document's answer: a failure
// is shown once, through the one place; the answer goes back to the test.
#include "framework/Document.h"
#include "framework/Prompter.h"

namespace testsupport {

inline ordavia::Status shown(ordavia::Prompter& prompter, ordavia::Status status, bool quiet = false) {
    ordavia::showDocumentFailure(prompter, status, quiet);
    return status;
}

}  // namespace testsupport
