#pragma once
// The results tables that are open, by the title analyses open them under.
// A table is made on demand and reused by later measurements until it is
// closed; closing forgets it, so the next measurement makes a new one.
//
// The workstation sets a maker that opens a table through the results
// template, so that the table gets a window and the application owns it.
// Without a maker (tools, tests) the tables are kept here, and closing one
// frees it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CResultDoc;

namespace ordavia {

class AppServices;
class Document;
struct ResultColumn;

class ResultTables {
public:
    using Maker = std::function<CResultDoc*()>;

    ResultTables();
    ~ResultTables();
    ResultTables(const ResultTables&) = delete;
    ResultTables& operator=(const ResultTables&) = delete;

    // The run's tables on the services: of() gives null when the run has
    // none, in() treats that as a programming error (MissingService).
    static ResultTables* of(const AppServices& services);
    static ResultTables& in(const AppServices& services);

    void setMaker(Maker maker) { maker_ = std::move(maker); }

    // The open table of that title, or a new one titled so with the column
    // set of that title. Null for a title without a known column set.
    CResultDoc* open(const std::string& title);
    // The same with the columns given by the caller.
    CResultDoc* open(const std::string& title, const ResultColumn* columns, size_t count);

    CResultDoc* find(const std::string& title) const;
    struct Entry {
        std::string title;
        CResultDoc* doc;
    };
    const std::vector<Entry>& openTables() const { return entries_; }

    // Closes a table without a window (tools, tests): clears its owners,
    // forgets it and frees it when it is kept here. Windows close their
    // tables through the application.
    void close(CResultDoc* doc);
    void closeAll();
    // Called by a table that closes or is destroyed.
    void forget(CResultDoc* doc);

private:
    Maker maker_;
    std::vector<Entry> entries_;
    std::vector<std::unique_ptr<CResultDoc>> kept_;
};

}  // namespace ordavia
