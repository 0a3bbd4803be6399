// The archive's written form, byte by byte, and reading it back: the
// layouts must match files written by the Windows program in both
// directions.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/base/ArchiveTestClasses.h"

using namespace ordavia;

namespace {

using Bytes = std::vector<uint8_t>;

class ArchiveLayout : public ::testing::Test {
protected:
    void SetUp() override { registerArchiveTestClasses(); }
};

TEST_F(ArchiveLayout, ScalarsAreLittleEndianAtTheirWidth) {
    const Bytes b = archiveBytes([](Archive& ar) {
        ar.writeByte(0xAB);
        ar.writeWord(0x1234);
        ar.writeShort(-2);
        ar.writeInt(-2);
        ar.writeDword(0x89ABCDEF);
        ar.writeInt64(0x0102030405060708LL);
        ar.writeFloat(1.0f);
        ar.writeDouble(-2.5);
    });
    const Bytes expected = {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89,
                            0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0};
    ASSERT_EQ(b, expected);

    Archive in(b);
    EXPECT_EQ(in.readByte(), 0xAB);
    EXPECT_EQ(in.readWord(), 0x1234);
    EXPECT_EQ(in.readShort(), -2);
    EXPECT_EQ(in.readInt(), -2);
    EXPECT_EQ(in.readDword(), 0x89ABCDEFu);
    EXPECT_EQ(in.readInt64(), 0x0102030405060708LL);
    EXPECT_EQ(in.readFloat(), 1.0f);
    EXPECT_EQ(in.readDouble(), -2.5);
    EXPECT_EQ(in.remaining(), 0u);
}

// Length prefixes at every boundary of the three string forms.
TEST_F(ArchiveLayout, StringLengthPrefixesAndLongFormsOfShortStrings) {
    struct Case {
        size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {1, {0x01}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {256, {0xFF, 0x00, 0x01}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string s(c.length, 'x');
        for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i % 26);
        const Bytes b = archiveBytes([&](Archive& ar) {
            ar.writeString(s);
            ar.writeByte(0x5A);  // what follows must not be swallowed
        });
        ASSERT_EQ(b.size(), c.prefix.size() + c.length + 1);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + static_cast<long>(c.prefix.size())), c.prefix);
        EXPECT_EQ(0, std::memcmp(b.data() + c.prefix.size(), s.data(), s.size()));
        Archive in(b);
        EXPECT_EQ(in.readString(), s);
        EXPECT_EQ(in.readByte(), 0x5A);
    }
    // Other writers may use a wider prefix than needed; the text is the same.
    Archive word(Bytes{0xFF, 0x03, 0x00, 'a', 'b', 'c'});
    EXPECT_EQ(word.readString(), "abc");
    Archive dword(Bytes{0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'});
    EXPECT_EQ(dword.readString(), "abc");
}

TEST_F(ArchiveLayout, CountPrefixes) {
    struct Case {
        uint32_t count;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
        {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const Bytes b = archiveBytes([&](Archive& ar) { ar.writeCount(c.count); });
        EXPECT_EQ(b, c.bytes);
        Archive in(b);
        EXPECT_EQ(in.readCount(), c.count);
        EXPECT_EQ(in.remaining(), 0u);
    }
}

// Null, a new class, a known class, an object written before, and the index
// numbering that classes and objects share from 1.
TEST_F(ArchiveLayout, ObjectReferencesAndSharedIndexNumbering) {
    CTestLeaf a(7), b(8);
    CTestNode node;
    node.name = "n";
    node.numbers = {-1};
    node.children = {&a, &b, &a, nullptr};
    const Bytes bytes = archiveBytes([&](Archive& ar) {
        ar.writeObject(nullptr);
        ar.writeObject(&node);
        ar.writeObject(&node);
    });
    const Bytes expected = concatBytes({
        {0x00, 0x00},                                      // null
        {0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00},              // new class, schema 1, name length 9
        textBytes("CTestNode"),                            // class index 1, node index 2
        {0x01, 'n', 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},   // name, one number
        {0x04, 0x00},                                      // four children
        {0xFF, 0xFF, 0x03, 0x00, 0x09, 0x00},              // new class, schema 3
        textBytes("CTestLeaf"),                            // class index 3, leaf a index 4
        {0x07, 0x00, 0x00, 0x00},                          // a.value
        {0x03, 0x80, 0x08, 0x00, 0x00, 0x00},              // class 3 again; leaf b index 5
        {0x04, 0x00},                                      // a again: object index 4
        {0x00, 0x00},                                      // null child
        {0x02, 0x00},                                      // the node again: object index 2
    });
    EXPECT_EQ(bytes, expected);
}

TEST_F(ArchiveLayout, ObjectTreeRoundTripsToTheSameBytes) {
    CTestLeaf a(1), b(-5);
    CTestOther o;
    CTestNode inner;
    inner.name = std::string(300, 'i');
    inner.children = {&b, &o};
    CTestNode root;
    root.name = "root";
    root.numbers = {1, 2, 0x7FFFFFFF, -0x7FFFFFFF - 1};
    root.children = {&a, &inner, nullptr};
    const Bytes first = archiveBytes([&](Archive& ar) { ar.writeObject(&root); });

    Archive in(first);
    std::unique_ptr<CTestNode> back = in.readObject<CTestNode>();
    ASSERT_TRUE(back);
    EXPECT_EQ(in.remaining(), 0u);
    ASSERT_EQ(back->children.size(), 3u);
    EXPECT_EQ(back->children[2], nullptr);
    // Written again, every field and class comes out as it went in.
    const Bytes second = archiveBytes([&](Archive& ar) { ar.writeObject(back.get()); });
    EXPECT_EQ(second, first);
}

// With 0x7FFF or more entries in the index sequence, references take the
// escape word 0x7FFF and a 32-bit index (with the top bit for a class).
TEST_F(ArchiveLayout, LargeIndexesUseTheEscape) {
    // Indexes: CTestNode class 1, the node 2, CTestLeaf class 3, leaf k 4 + k.
    const size_t leafCount = 0x7FFF;
    std::vector<CTestLeaf> leaves(leafCount);
    for (size_t k = 0; k < leafCount; ++k) leaves[k].value = static_cast<int>(k);
    CTestOther others[2];
    CTestNode node;
    for (auto& l : leaves) node.children.push_back(&l);
    // First CTestOther: a new class at index 4 + leafCount, the object after it.
    node.children.push_back(&others[0]);
    node.children.push_back(&others[1]);
    const Bytes withoutBackRefs = archiveBytes([&](Archive& ar) { ar.writeObject(&node); });
    node.children.push_back(&leaves[0x7FFE - 4]);  // index 0x7FFE
    node.children.push_back(&leaves[0x7FFF - 4]);  // index 0x7FFF
    const Bytes bytes = archiveBytes([&](Archive& ar) { ar.writeObject(&node); });

    const uint32_t otherClass = 4 + leafCount;
    const Bytes tail = concatBytes({
        {0xFF, 0xFF, 0x07, 0x00, 0x0A, 0x00},
        textBytes("CTestOther"),  // new class: the tag does not depend on the index
        {0xFF, 0x7F, static_cast<uint8_t>(otherClass), static_cast<uint8_t>(otherClass >> 8), 0x00, 0x80},
        {0xFE, 0x7F},                          // object index 0x7FFE still fits a word
        {0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x00},  // object index 0x7FFF escaped
    });
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(Bytes(bytes.end() - static_cast<long>(tail.size()), bytes.end()), tail);

    // The escaped class reference reads back.
    Archive in(withoutBackRefs);
    auto back = in.readObject<CTestNode>();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->children.size(), leafCount + 2);
    EXPECT_EQ(dynamic_cast<CTestLeaf*>(back->children[leafCount - 1])->value, static_cast<int>(leafCount - 1));
    EXPECT_TRUE(dynamic_cast<CTestOther*>(back->children[leafCount + 1]));
}

}  // namespace
