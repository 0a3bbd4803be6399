#include "framework/AppServices.h"

#include "framework/Document.h"

namespace ordavia {

AppServices::AppServices() = default;
AppServices::~AppServices() = default;

Document* AppServices::openDocument(std::unique_ptr<Document> doc) {
    if (!doc) return nullptr;
    if (opener) return opener(std::move(doc));
    kept_.push_back(std::move(doc));
    return kept_.back().get();
}

}  // namespace ordavia
