#pragma once
// The fourteen document templates in their fixed order, and the binding of
// each row to its document class as the classes arrive.
#include <string>

namespace ordavia {

class DocTemplateTable;

struct DocumentTypeRow {
    int resourceId;
    const char* docClass;
    const char* frameClass;
    const char* viewClass;
    const char* description;  // the seven newline-separated fields
};

// The rows in registration order. Row 10 (the Doppler monitor) is
// registered only when the interface board is present.
const DocumentTypeRow* documentTypeRows(int& count);
void registerDocumentTemplates(DocTemplateTable& table, bool dopplerPresent);
// The message shown when a file's document class is not available.
std::string unavailableDocumentMessage(const std::string& path, const std::string& docName);

}  // namespace ordavia
