// libFuzzer target for the archive reader: random bytes read as an object
// tree of small classes (a string, an integer array counted with
// readCountFor, and a nested object array). Every outcome must be either a
// tree or an ArchiveError; sanitizers catch the rest.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Archive.h"
#include "base/CObject.h"
#include "base/ClassRegistry.h"

using namespace ordavia;

namespace {

class CFuzzLeaf : public CObject {
    ORDAVIA_SERIAL(CFuzzLeaf, 2)
public:
    std::string text;
    void Serialize(Archive& ar) override {
        if (ar.IsStoring()) ar.writeString(text);
        else text = ar.readString();
    }
};

class CFuzzNode : public CObject {
    ORDAVIA_SERIAL(CFuzzNode, 1)
public:
    std::string name;
    std::vector<int32_t> values;
    std::vector<std::unique_ptr<CObject>> children;
    uint16_t version = 2;
    double extra = 0.0;
    void Serialize(Archive& ar) override {
        if (ar.IsStoring()) {
            ar.writeString(name);
            ar.writeCount(static_cast<uint32_t>(values.size()));
            for (int32_t v : values) ar.writeInt(v);
            ar.writeObjectArray(children);
            ar.writeWord(version);
            if (version >= 2) ar.writeDouble(extra);
        } else {
            name = ar.readString();
            values.resize(ar.readCountFor(4));
            for (int32_t& v : values) v = ar.readInt();
            children = ar.readObjectArray<CObject>();
            // A layout version word decides whether a trailing real follows,
            // as document classes do.
            version = ar.readWord();
            if (version >= 2) extra = ar.readDouble();
        }
    }
};

std::vector<uint8_t> store(const CObject& obj) {
    Archive out;
    out.writeObject(&obj);
    return out.takeBytes();
}

// What was read, written again, must read back and write the same bytes.
void roundTrip(const CFuzzNode& node) {
    const std::vector<uint8_t> first = store(node);
    Archive in(first);
    std::unique_ptr<CFuzzNode> back = in.readObject<CFuzzNode>();
    if (!back || in.remaining() != 0 || store(*back) != first) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        ClassRegistry::instance().add<CFuzzLeaf>();
        ClassRegistry::instance().add<CFuzzNode>();
        return true;
    }();
    (void)registered;
    Archive ar(data, size);
    try {
        std::unique_ptr<CFuzzNode> node = ar.readObject<CFuzzNode>();
        if (node) roundTrip(*node);
        // A second object in the same archive shares the index sequence.
        ar.readObject<CObject>();
    } catch (const ArchiveError&) {
    }
    return 0;
}
