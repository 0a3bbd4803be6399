#include "chart/ResultTables.h"

#include <algorithm>

#include "chart/CResultDoc.h"
#include "chart/ResultColumnSets.h"

ResultTables& ResultTables::instance() {
    static ResultTables tables;
    return tables;
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
    } else {
        owned_.push_back(std::make_unique<CResultDoc>());
        doc = owned_.back().get();
        doc->OnNewDocument();
    }
    if (!doc) return nullptr;
    entries_.push_back({title, doc});
    doc->SetTitle(title);
    doc->setColumns(count, columns);
    doc->SetModifiedFlag(false);
    return doc;
}

void ResultTables::forget(CResultDoc* doc) {
    std::erase_if(entries_, [doc](const Entry& e) { return e.doc == doc; });
}

void ResultTables::close(CResultDoc* doc) {
    if (!doc) return;
    auto it = std::find_if(owned_.begin(), owned_.end(), [doc](const auto& p) { return p.get() == doc; });
    if (it == owned_.end()) {
        // The application's document: it closes it through its own path.
        forget(doc);
        return;
    }
    doc->OnCloseDocument();
    owned_.erase(it);
}

void ResultTables::closeAll() {
    while (!owned_.empty()) close(owned_.back().get());
    entries_.clear();
}
