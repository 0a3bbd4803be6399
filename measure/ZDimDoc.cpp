#include "measure/ZDimDoc.h"

#include "base/Archive.h"
#include "base/Text.h"
#include "measure/CDim.h"
#include "measure/CDimList.h"
#include "measure/TortuosityParams.h"
#include "measure/ZBasicDoc.h"

using namespace ordavia;

// Hears the image document's changes on behalf of the table.
class ZDimDoc::Follower : public DocumentView {
public:
    explicit Follower(ZDimDoc& table) : table_(table) {}
    ZDimDoc& table() const { return table_; }
    void OnUpdate(Document*, long hint) override {
        if (hint == Document::kHintClosing) {
            table_.source_ = nullptr;
            table_.SetTitle(table_.GetTitle() + " (closed)");
            return;
        }
        table_.refresh();
    }

private:
    ZDimDoc& table_;
};

ZDimDoc::ZDimDoc() = default;

ZDimDoc::~ZDimDoc() {
    if (source_ && follower_) source_->RemoveListener(follower_.get());
}

void ZDimDoc::follow(ZBasicDoc* source, int list) {
    if (source_ && follower_) source_->RemoveListener(follower_.get());
    source_ = source;
    sourceList_ = list;
    if (!source_) return;
    if (!follower_) follower_ = std::make_unique<Follower>(*this);
    source_->AddListener(follower_.get());
    refresh();
}

ZDimDoc* ZDimDoc::following(const ZBasicDoc& source, int list) {
    for (DocumentView* l : source.listeners()) {
        if (auto* f = dynamic_cast<Follower*>(l)) {
            ZDimDoc& t = f->table();
            if (t.sourceList_ == list) return &t;
        }
    }
    return nullptr;
}

void ZDimDoc::refresh() {
    if (!source_ || sourceList_ < 0 || sourceList_ >= ZBasicDoc::kListCount) return;
    const CDimList& list = source_->lists()[static_cast<size_t>(sourceList_)];
    units_ = source_->unitsInEffect();
    // The list may have shrunk since the last fill.
    rows_.resize(static_cast<size_t>(list.count()), std::vector<std::string>(columns().size()));
    fillRows(source_->marks().originX, source_->marks().originY, source_->xScaleInEffect(), source_->yScaleInEffect(),
             list, source_->tortuosity());
    const std::string name = source_->GetTitle().empty() ? std::string("untitled") : source_->GetTitle();
    const std::string title = strprintf("Dimensions - %s, list %i", name.c_str(), sourceList_);
    if (title != GetTitle())
        SetTitle(title);  // tells the views
    else
        UpdateAllViews();
}

const std::vector<ZDimDoc::Column>& ZDimDoc::columns() {
    static const std::vector<Column> c = {
        {"Line", ""},          {"X", "0000.00"},     {"Y", "0000.00"},     {"Length", "0000.00"},
        {"Area", "0000.00"},   {"Width", "0000.00"}, {"Tort0", "0000.00"}, {"Tort1", "00.0000"},
        {"Tort1n", "Tort1n"},  {"comments", ""}};
    return c;
}

void ZDimDoc::setCell(size_t row, size_t column, const std::string& text) {
    if (row >= rows_.size()) rows_.resize(row + 1, std::vector<std::string>(columns().size()));
    if (column < rows_[row].size()) rows_[row][column] = text;
}

void ZDimDoc::Fill(int originX, int originY, double xs, double ys, const CDimList& list,
                   const TortuosityParams& params) {
    SetTitle("Dimensions");
    fillRows(originX, originY, xs, ys, list, params);
    UpdateAllViews();
}

void ZDimDoc::fillRows(int originX, int originY, double xs, double ys, const CDimList& list,
                       const TortuosityParams& params) {
    for (int i = 0; i < list.count(); ++i) {
        const CDim* d = list.at(i);
        const ZPoint p = d->getVertex(0);
        int curves = 0;
        const double tort1 = d->tortuosity(xs, ys, curves, params);
        const size_t r = static_cast<size_t>(i);
        setCell(r, 0, strprintf("%1i", i + 1));
        setCell(r, 1, strprintf("%7.2f", (p.x - originX) * xs));
        setCell(r, 2, strprintf("%7.2f", (p.y - originY) * ys));
        setCell(r, 3, strprintf("%7.2f", d->length(xs, ys)));
        setCell(r, 4, strprintf("%7.2f", d->area(xs, ys)));
        setCell(r, 5, strprintf("%7.2f", (xs + ys) * d->width() * 0.5));
        setCell(r, 6, strprintf("%7.2f", d->tortuosityRatio()));
        setCell(r, 7, strprintf("%7.4f", tort1));
        setCell(r, 8, strprintf("%3i", curves));
        setCell(r, 9, d->label());
    }
}

std::string ZDimDoc::text() const {
    std::string t;
    for (const Column& c : columns()) t += "\"" + std::string(c.header) + "\",";
    t += "\r\n";
    for (const auto& row : rows_) {
        for (const std::string& cell : row) t += "\"" + cell + "\",";
        t += "\r\n";
    }
    t += "\"Subject ID\",\"" + subjectId + "\"\r\n";
    t += strprintf("\"Exam ID\",\"%lld\"\r\n", static_cast<long long>(examId));
    return t;
}

void ZDimDoc::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        const std::string t = text();
        ar.writeBytes(t.data(), t.size());
    }
}
