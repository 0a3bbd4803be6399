#pragma once
// What the open and save commands do with a document's answer: a failure
// is shown once, through the one place; the answer goes back to the test.
#include "framework/Document.h"

namespace testsupport {
inline ordavia::Status shown(ordavia::Prompter& p, ordavia::Status s, bool quiet = false) {
    ordavia::showDocumentFailure(p, s, quiet);
    return s;
}
}  // namespace testsupport
