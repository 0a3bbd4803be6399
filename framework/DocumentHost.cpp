#include "framework/DocumentHost.h"

#include <vector>

#include "framework/Document.h"

namespace {
DocumentHost::Opener& opener() {
    static DocumentHost::Opener o;
    return o;
}
DocumentHost::TemplateFinder& finder() {
    static DocumentHost::TemplateFinder f;
    return f;
}
std::vector<std::unique_ptr<Document>>& kept() {
    static std::vector<std::unique_ptr<Document>> k;
    return k;
}
}  // namespace

namespace DocumentHost {
void setOpener(Opener o) { opener() = std::move(o); }

Document* open(std::unique_ptr<Document> doc) {
    if (!doc) return nullptr;
    if (opener()) return opener()(std::move(doc));
    kept().push_back(std::move(doc));
    return kept().back().get();
}

void setTemplateFinder(TemplateFinder f) { finder() = std::move(f); }
DocTemplate* findTemplate(const char* docClass) { return finder() ? finder()(docClass) : nullptr; }
}  // namespace DocumentHost
