// Reads an image document (.cs1) from arbitrary bytes; whatever loads must
// be written again and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/Archive.h"
#include "measure/ZBasicDoc.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ordavia::test::TestServices ts;
    ZBasicDoc doc;
    ts.adopt(doc);
    doc.setQuiet(true);
    if (!doc.readBytes(std::vector<uint8_t>(data, data + size))) return 0;
    Archive out;
    doc.Serialize(out);
    ZBasicDoc again;
    ts.adopt(again);
    again.setQuiet(true);
    if (!again.readBytes(out.bytes())) std::abort();
    Archive out2;
    // The second write raises the save count once more; put it back.
    again.saveCount = doc.saveCount - 1;
    again.Serialize(out2);
    if (out.bytes() != out2.bytes()) std::abort();
    return 0;
}
