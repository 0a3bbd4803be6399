#pragma once
// A document template ties a file extension to a document class and its
// view. Its description string has seven newline-separated fields: window
// title, document name, new-file name, filter text, filter extension,
// file-type identifier and file-type name.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ordavia {

class Document;

class DocTemplate {
public:
    using Factory = std::function<std::unique_ptr<Document>()>;

    DocTemplate(int resourceId, const std::string& description, std::string docClass, std::string viewClass,
                std::string frameClass = "MDI child");

    int resourceId;
    std::string docClass;
    std::string viewClass;
    std::string frameClass;
    // The seven fields.
    std::string windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName;

    // Binds the document class; until then the template opens nothing.
    void bind(Factory f) { factory_ = std::move(f); }
    bool isBound() const { return static_cast<bool>(factory_); }
    std::unique_ptr<Document> createDocument();

    // True when the path ends in this template's extension (case ignored).
    bool matches(const std::string& path) const;
    // "Filter text|*.ext||", or all files when the template has no filter.
    std::string saveFilter() const;
    // The title of the next untitled document: the document name followed
    // by a running number ("Untitled" when the template has no name).
    std::string nextUntitledTitle();

    // Rebuilds the description string from the fields.
    std::string description() const;

private:
    Factory factory_;
    int untitledCount_ = 0;
};

// The ordered table: the first registered template that accepts an
// extension opens files with it.
class DocTemplateTable {
public:
    DocTemplate* add(std::unique_ptr<DocTemplate> t);
    DocTemplate* templateFor(const std::string& path) const;
    DocTemplate* findByClass(const std::string& docClass) const;
    DocTemplate* findByResource(int resourceId) const;
    const std::vector<std::unique_ptr<DocTemplate>>& templates() const { return templates_; }
    void clear() { templates_.clear(); }

private:
    std::vector<std::unique_ptr<DocTemplate>> templates_;
};

}  // namespace ordavia
