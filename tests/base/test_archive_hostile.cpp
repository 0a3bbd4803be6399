// The archive reader against damaged and hostile input: every failure is
// an ArchiveError, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/base/ArchiveTestClasses.h"

using namespace ordavia;

// The largest single allocation since the last reset, so that a test can
// prove a reader never sized a buffer from an unchecked length.
namespace {
size_t g_largestAllocation = 0;
}

// Kept out of line so that the compiler does not pair the inlined malloc
// and free with the new and delete expressions of the callers.
__attribute__((noinline)) void* operator new(size_t n) {
    if (n > g_largestAllocation) g_largestAllocation = n;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

using Bytes = std::vector<uint8_t>;

// The new-class tag of CTestNode.
Bytes nodeClass(uint16_t schema = 1) {
    return concatBytes({{0xFF, 0xFF, static_cast<uint8_t>(schema), static_cast<uint8_t>(schema >> 8), 0x09, 0x00},
                        textBytes("CTestNode")});
}

class ArchiveHostile : public ::testing::Test {
protected:
    void SetUp() override {
        registerArchiveTestClasses();
        g_largestAllocation = 0;
    }

    // Reads one CTestNode and expects a format error mentioning `what`.
    static void expectRejected(const Bytes& b, const std::string& what) {
        Archive in(b);
        g_largestAllocation = 0;
        try {
            in.readObject<CTestNode>();
            ADD_FAILURE() << "accepted; expected an error about " << what;
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        }
        EXPECT_LT(g_largestAllocation, 64u * 1024) << "allocation sized from the input";
    }
};

TEST_F(ArchiveHostile, TruncationAtEveryByteIsAFormatError) {
    CTestLeaf a(1), b(2);
    CTestOther o;
    CTestNode inner;
    inner.name = std::string(260, 'x');  // word-length string
    inner.numbers = {5, 6};
    inner.children = {&b, &o};
    CTestNode root;
    root.name = "r";
    root.numbers = {1};
    root.children = {&a, &inner, nullptr};
    const Bytes full = archiveBytes([&](Archive& ar) { ar.writeObject(&root); });
    {
        Archive in(full);
        ASSERT_TRUE(in.readObject<CTestNode>());
    }
    for (size_t n = 0; n < full.size(); ++n) {
        Archive in(Bytes(full.begin(), full.begin() + static_cast<long>(n)));
        EXPECT_THROW(in.readObject<CTestNode>(), ArchiveError) << "prefix of " << n << " bytes";
    }
}

TEST_F(ArchiveHostile, ImpossibleLengthsAndCountsAllocateNothing) {
    struct Case {
        const char* name;
        Bytes afterClass;  // the node's fields
        const char* error;
    };
    const Case cases[] = {
        {"word string length", {0xFF, 0xFD, 0xFF, 'a'}, "end of file"},
        {"dword string length", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, "end of file"},
        {"dword string length 4G", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "end of file"},
        {"word number count", {0x00, 0xFE, 0xFF, 1, 0, 0, 0}, "exceeds"},
        {"dword number count", {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F, 1, 0, 0, 0}, "exceeds"},
        {"child count", {0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10, 0, 0}, "exceeds"},
        {"wide string", {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b', 0}, "wide"},
    };
    {
        // The tracker itself sees allocations.
        g_largestAllocation = 0;
        std::vector<char> probe(100000);
        EXPECT_GE(g_largestAllocation, probe.size());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectRejected(concatBytes({nodeClass(), c.afterClass}), c.error);
    }
    // The count check is exact: a count the remaining bytes can just hold reads.
    Archive in(concatBytes({nodeClass(), {0x00, 0x02, 0x00, 1, 0, 0, 0, 2, 0, 0, 0, 0x00, 0x00}}));
    auto n = in.readObject<CTestNode>();
    ASSERT_TRUE(n);
    EXPECT_EQ(n->numbers, (std::vector<int>{1, 2}));
}

TEST_F(ArchiveHostile, BadClassTags) {
    const Bytes emptyNode = {0x00, 0x00, 0x00, 0x00, 0x00};  // name, numbers, children
    struct Case {
        const char* name;
        Bytes bytes;
        const char* error;
    };
    const Case cases[] = {
        {"unknown class", concatBytes({{0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00}, textBytes("CTestNoda"), emptyNode}),
         "unknown class CTestNoda"},
        {"schema mismatch", concatBytes({nodeClass(2), emptyNode}), "schema 2, expected 1"},
        {"empty class name", concatBytes({{0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00}, emptyNode}), "class name length"},
        {"huge class name", {0xFF, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 'C'}, "class name length"},
        {"class name past the end", concatBytes({{0xFF, 0xFF, 0x01, 0x00, 0x20, 0x00}, textBytes("CTestNode")}),
         "end of file"},
        {"class index 0", {0x00, 0x80, 0x00}, "bad index 0"},
        {"class index never written", {0x01, 0x80}, "bad index 1"},
        {"object index never written", {0x05, 0x00}, "bad index 5"},
        {"escaped index 0", {0xFF, 0x7F, 0x00, 0x00, 0x00, 0x00}, "bad index 0"},
        {"escaped class index 0", {0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80}, "bad index 0"},
        {"escaped huge index", {0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}, "bad index"},
        {"escape cut short", {0xFF, 0x7F, 0x01}, "end of file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectRejected(c.bytes, c.error);
    }
}

// A node whose children refer to earlier indexes: 1 is the CTestNode class,
// 2 the node itself, 3 the CTestLeaf class, 4 the first leaf.
TEST_F(ArchiveHostile, IndexesOfTheWrongKind) {
    const Bytes head = concatBytes({nodeClass(), {0x00, 0x00, 0x00, 0x02, 0x00}, {0xFF, 0xFF, 0x03, 0x00, 0x09, 0x00},
                                    textBytes("CTestLeaf"), {0x01, 0x00, 0x00, 0x00}});
    struct Case {
        const char* name;
        Bytes second;
        const char* error;
    };
    const Case cases[] = {
        {"class index used as an object", {0x03, 0x00}, "names a class"},
        {"object index used as a class", {0x04, 0x80, 0x01, 0x00, 0x00, 0x00}, "names an object"},
        {"escaped object index used as a class", {0xFF, 0x7F, 0x02, 0x00, 0x00, 0x80}, "names an object"},
        {"escaped class index used as an object", {0xFF, 0x7F, 0x01, 0x00, 0x00, 0x00}, "names a class"},
        {"back reference to an object", {0x04, 0x00}, "referenced twice"},
        {"reference to the object being read", {0x02, 0x00}, "referenced twice"},
        {"index past the last", {0x05, 0x80}, "bad index 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectRejected(concatBytes({head, c.second}), c.error);
    }
    // The same head with a proper second leaf (class by index 3) reads.
    Archive in(concatBytes({head, {0x03, 0x80, 0x02, 0x00, 0x00, 0x00}}));
    auto n = in.readObject<CTestNode>();
    ASSERT_TRUE(n);
    ASSERT_EQ(n->children.size(), 2u);
    EXPECT_EQ(dynamic_cast<CTestLeaf*>(n->children[1])->value, 2);
}

TEST_F(ArchiveHostile, ObjectOfAnotherClassIsRefused) {
    CTestLeaf leaf(4);
    expectRejected(archiveBytes([&](Archive& ar) { ar.writeObject(&leaf); }), "CTestLeaf");
}

// Each level: a node with no name or numbers and one child, the next node.
Bytes nestedNodes(size_t depth) {
    Bytes b = nodeClass();
    b.insert(b.end(), {0x00, 0x00, 0x00, 0x01, 0x00});
    for (size_t i = 1; i < depth; ++i) b.insert(b.end(), {0x01, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00});
    b.insert(b.end(), {0x00, 0x00});  // the innermost child is null
    return b;
}

TEST_F(ArchiveHostile, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    {
        // 256 levels are the most a file may nest.
        Archive in(nestedNodes(256));
        auto n = in.readObject<CTestNode>();
        size_t depth = 0;
        for (CObject* o = n.get(); o; o = static_cast<CTestNode*>(o)->children[0]) ++depth;
        EXPECT_EQ(depth, 256u);
    }
    for (size_t depth : {257u, 100000u}) {
        SCOPED_TRACE(depth);
        expectRejected(nestedNodes(depth), "nested too deeply");
    }
}

}  // namespace
