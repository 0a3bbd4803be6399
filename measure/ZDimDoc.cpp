#include "measure/ZDimDoc.h"

#include "base/Archive.h"
#include "base/Text.h"
#include "measure/CDim.h"
#include "measure/CDimList.h"
#include "measure/TortuosityParams.h"

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
    UpdateAllViews();
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
    t += strprintf("\"Exam ID\",\"%i\"\r\n", examId);
    return t;
}

void ZDimDoc::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        const std::string t = text();
        ar.writeBytes(t.data(), t.size());
    }
}
