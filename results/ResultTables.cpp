#include "results/ResultTables.h"

#include <algorithm>

#include "framework/AppServices.h"
#include "framework/Document.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"

namespace ordavia {

ResultTables* ResultTables::of(const AppServices& services) { return services.find<ResultTables>(); }
ResultTables& ResultTables::in(const AppServices& services) { return services.need<ResultTables>("results tables"); }

ResultTables::ResultTables() = default;

ResultTables::~ResultTables() {
    for (const Entry& e : entries_) e.doc->setTables(nullptr);
    entries_.clear();
}

CResultDoc* ResultTables::find(const std::string& title) const {
    for (const Entry& e : entries_)
        if (e.title == title) return e.doc;
    return nullptr;
}

CResultDoc* ResultTables::open(const std::string& title) {
    if (CResultDoc* d = find(title)) return d;
    const ResultColumnSet* set = findResultColumnSet(title);
    if (!set) return nullptr;
    return open(title, set->columns, set->count);
}

CResultDoc* ResultTables::open(const std::string& title, const ResultColumn* columns, size_t count) {
    if (CResultDoc* d = find(title)) return d;
    CResultDoc* doc = nullptr;
    if (maker_) {
        doc = maker_();
        if (!doc) return nullptr;
        doc->SetTitle(title);
        doc->setColumns(count, columns);
        doc->startUnmodified();
    } else {
        auto made = std::make_unique<CResultDoc>();
        made->OnNewDocument();
        made->SetTitle(title);
        made->setColumns(count, columns);
        made->startUnmodified();
        doc = made.get();
        kept_.push_back(std::move(made));
    }
    doc->setTables(this);
    entries_.push_back({title, doc});
    return doc;
}

void ResultTables::forget(CResultDoc* doc) {
    std::erase_if(entries_, [doc](const Entry& e) { return e.doc == doc; });
}

void ResultTables::close(CResultDoc* doc) {
    if (!doc) return;
    doc->OnCloseDocument();
    forget(doc);
    std::erase_if(kept_, [doc](const std::unique_ptr<CResultDoc>& k) { return k.get() == doc; });
}

void ResultTables::closeAll() {
    while (!entries_.empty()) close(entries_.back().doc);
}

}  // namespace ordavia
