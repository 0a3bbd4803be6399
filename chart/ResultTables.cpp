#include "chart/ResultTables.h"

#include <algorithm>

#include "chart/CResultDoc.h"
#include "chart/ResultColumnSets.h"
#include "framework/DocumentHost.h"

ResultTables& ResultTables::instance() {
    // Never destroyed: tables owned elsewhere forget themselves here when
    // they go, which may be after static destruction has begun.
    static ResultTables* tables = new ResultTables;
    return *tables;
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
        doc->SetModifiedFlag(false);
    } else {
        // Set up before the hand-over, so its window opens on the full table.
        auto made = std::make_unique<CResultDoc>();
        made->setDocTemplate(DocumentHost::findTemplate("CResultDoc"));
        made->OnNewDocument();
        made->SetTitle(title);
        made->setColumns(count, columns);
        made->SetModifiedFlag(false);
        doc = made.get();
        if (!DocumentHost::open(std::move(made))) return nullptr;
    }
    entries_.push_back({title, doc});
    return doc;
}

void ResultTables::forget(CResultDoc* doc) {
    std::erase_if(entries_, [doc](const Entry& e) { return e.doc == doc; });
}

void ResultTables::close(CResultDoc* doc) {
    if (doc) doc->OnCloseDocument();
    forget(doc);
}

void ResultTables::closeAll() {
    while (!entries_.empty()) close(entries_.back().doc);
}
