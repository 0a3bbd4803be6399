#pragma once
// How a command that makes a new document (a duplicate, a result table, a
// profile chart) hands it to the application, which gives it a window.
// The application installs the opener at start-up; without one (tools,
// tests) the documents are kept here until the end of the run.
#include <functional>
#include <memory>

class Document;
class DocTemplate;

namespace DocumentHost {
using Opener = std::function<Document*(std::unique_ptr<Document>)>;
void setOpener(Opener opener);
// Hands the document over; returns it (now owned by the application).
Document* open(std::unique_ptr<Document> doc);
// The template of a document class, when the application registered one.
using TemplateFinder = std::function<DocTemplate*(const char* docClass)>;
void setTemplateFinder(TemplateFinder finder);
DocTemplate* findTemplate(const char* docClass);
}  // namespace DocumentHost
