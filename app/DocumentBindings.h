#pragma once
// Binds a template row to its document class when that class exists in
// this build. Each document type adds its line to DocumentBindings.cpp.
class DocTemplate;
void bindDocumentClass(DocTemplate& t);
