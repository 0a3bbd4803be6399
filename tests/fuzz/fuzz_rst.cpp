// Results tables (".rst") from hostile bytes: loading must either succeed
// or raise ArchiveError, never crash, hang or allocate without bound; a
// table that loads must show, copy, export and save again.
#include <cstddef>
#include <cstdint>

#include "base/Archive.h"
#include "results/CResultDoc.h"
#include "results/ResultExport.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CResultDoc doc;
    try {
        Archive ar(data, size);
        doc.Serialize(ar);
    } catch (const ArchiveError&) {
        return 0;
    }
    doc.setSelection({0, 0, 64, 64});
    (void)doc.copySelection();
    (void)resultsAsCsv(doc);
    Archive out;
    doc.Serialize(out);
    // What we write we read back.
    CResultDoc again;
    Archive back(out.bytes());
    again.Serialize(back);
    if (again.rowTotal() != doc.rowTotal() || again.formats().size() != doc.formats().size()) __builtin_trap();
    return 0;
}
