#pragma once
// Small archived classes for the archive tests: a leaf with one integer, a
// node with a name, an integer array and child objects, and a second leaf
// class so that a file can hold several classes.
#include <memory>
#include <string>
#include <vector>

#include "base/Archive.h"
#include "base/CObject.h"
#include "base/ClassRegistry.h"

class CTestLeaf : public ordavia::CObject {
    ORDAVIA_SERIAL(CTestLeaf, 3)
public:
    CTestLeaf() = default;
    explicit CTestLeaf(int v) : value(v) {}
    int value = 0;
    void Serialize(ordavia::Archive& ar) override {
        if (ar.IsStoring()) ar.writeInt(value);
        else value = ar.readInt();
    }
};

class CTestOther : public ordavia::CObject {
    ORDAVIA_SERIAL(CTestOther, 7)
public:
    void Serialize(ordavia::Archive&) override {}
};

class CTestNode : public ordavia::CObject {
    ORDAVIA_SERIAL(CTestNode, 1)
public:
    std::string name;
    std::vector<int> numbers;
    // Written as given (the same object may appear twice when storing);
    // after loading they point into `owned`.
    std::vector<ordavia::CObject*> children;
    std::vector<std::unique_ptr<ordavia::CObject>> owned;

    void Serialize(ordavia::Archive& ar) override {
        if (ar.IsStoring()) {
            ar.writeString(name);
            ar.writeCount(static_cast<uint32_t>(numbers.size()));
            for (int n : numbers) ar.writeInt(n);
            ar.writeObjectArray(children);
        } else {
            name = ar.readString();
            numbers.resize(ar.readCountFor(4));
            for (int& n : numbers) n = ar.readInt();
            owned = ar.readObjectArray<ordavia::CObject>();
            children.clear();
            for (auto& o : owned) children.push_back(o.get());
        }
    }
};

inline void registerArchiveTestClasses() {
    ordavia::ClassRegistry::instance().add<CTestLeaf>();
    ordavia::ClassRegistry::instance().add<CTestOther>();
    ordavia::ClassRegistry::instance().add<CTestNode>();
}

// Bytes of a whole archive written by one call of fn(Archive&).
template <class Fn>
std::vector<uint8_t> archiveBytes(Fn fn) {
    ordavia::Archive ar;
    fn(ar);
    return ar.takeBytes();
}

inline std::vector<uint8_t> concatBytes(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline std::vector<uint8_t> textBytes(const std::string& s) { return {s.begin(), s.end()}; }
