#pragma once

namespace ordavia {

class DocTemplate;
class Document;

// Binds a template row to its document class when that class exists in
// this build. Each document type adds its line to DocumentBindings.cpp.
void bindDocumentClass(DocTemplate& t);

// The document type whose window shows a document that a command made
// without one (a chart of widths against time, a saved recording opened
// again): its own class when the table has it, else the nearest class it
// derives from (a plain chart is shown as charts are). Null for none.
const char* templateClassOf(const Document& doc);

}  // namespace ordavia
