#include "framework/AppServices.h"

#include "framework/Document.h"

namespace ordavia {

// Forgets its document when the document closes.
class AppServices::Reused : public DocumentView {
public:
    explicit Reused(Document* d) : doc(d) {
        if (doc) doc->AddListener(this);
    }
    ~Reused() override {
        if (doc) doc->RemoveListener(this);
    }
    void OnUpdate(Document* d, long hint) override {
        if (hint == Document::kHintClosing && d == doc) doc = nullptr;
    }
    Document* doc;
};

AppServices::AppServices() = default;
AppServices::~AppServices() = default;

Document* AppServices::keptDocument(const std::string& name) const {
    const auto it = reused_.find(name);
    return it == reused_.end() ? nullptr : it->second->doc;
}

void AppServices::keepDocument(const std::string& name, Document* doc) { reused_[name] = std::make_unique<Reused>(doc); }

Document* AppServices::openDocument(std::unique_ptr<Document> doc) {
    if (!doc) return nullptr;
    if (opener) return opener(std::move(doc));
    kept_.push_back(std::move(doc));
    return kept_.back().get();
}

}  // namespace ordavia
