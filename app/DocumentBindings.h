#pragma once

namespace ordavia {

class DocTemplate;

// Binds a template row to its document class when that class exists in
// this build. Each document type adds its line to DocumentBindings.cpp.
void bindDocumentClass(DocTemplate& t);

}  // namespace ordavia
