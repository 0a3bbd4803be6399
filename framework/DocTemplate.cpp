#include "framework/DocTemplate.h"

#include "base/Text.h"
#include "framework/Document.h"

namespace ordavia {

namespace {
std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (c == '\n')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}
}  // namespace

DocTemplate::DocTemplate(int id, const std::string& description, std::string doc, std::string view,
                         std::string frame)
    : resourceId(id), docClass(std::move(doc)), viewClass(std::move(view)), frameClass(std::move(frame)) {
    auto f = splitLines(description);
    f.resize(7);
    windowTitle = f[0];
    docName = f[1];
    fileNewName = f[2];
    filterName = f[3];
    filterExt = f[4];
    regFileTypeId = f[5];
    regFileTypeName = f[6];
}

std::unique_ptr<Document> DocTemplate::createDocument() {
    if (!factory_) return nullptr;
    auto d = factory_();
    if (d) d->setDocTemplate(this);
    return d;
}

bool DocTemplate::matches(const std::string& path) const {
    return !filterExt.empty() && endsWithNoCase(path, filterExt);
}

std::string DocTemplate::saveFilter() const {
    if (filterName.empty() || filterExt.empty()) return "All files (*.*)|*.*||";
    return filterName + "|*" + filterExt + "||";
}

std::string DocTemplate::nextUntitledTitle() {
    // As the Windows framework titles new documents: the document name and
    // a running number ("XY Chart1", not the new-file name "XYChart1"), or
    // "Untitled" without a number when the template has no document name.
    if (docName.empty()) return "Untitled";
    return docName + std::to_string(++untitledCount_);
}

std::string DocTemplate::description() const {
    return windowTitle + "\n" + docName + "\n" + fileNewName + "\n" + filterName + "\n" + filterExt + "\n" +
           regFileTypeId + "\n" + regFileTypeName;
}

DocTemplate* DocTemplateTable::add(std::unique_ptr<DocTemplate> t) {
    templates_.push_back(std::move(t));
    return templates_.back().get();
}

DocTemplate* DocTemplateTable::templateFor(const std::string& path) const {
    for (const auto& t : templates_)
        if (t->matches(path)) return t.get();
    return nullptr;
}

DocTemplate* DocTemplateTable::findByClass(const std::string& docClass) const {
    for (const auto& t : templates_)
        if (t->docClass == docClass) return t.get();
    return nullptr;
}

DocTemplate* DocTemplateTable::findByResource(int resourceId) const {
    for (const auto& t : templates_)
        if (t->resourceId == resourceId) return t.get();
    return nullptr;
}

}  // namespace ordavia
