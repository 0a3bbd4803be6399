// Archive layouts of the dimension classes, byte by byte, in every layout
// version, and hostile archives.
#include <gtest/gtest.h>

#include "tests/support/ArchiveBytes.h"
#include "base/Archive.h"
#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"
#include "measure/MeasureClasses.h"

using namespace ordavia;

namespace {

class DimArchive : public ::testing::Test {
protected:
    void SetUp() override { registerMeasureClasses(); }

    static CDimList load(const std::vector<uint8_t>& bytes) {
        Archive ar(bytes);
        CDimList list;
        list.Serialize(ar);
        EXPECT_EQ(ar.remaining(), 0u);
        return list;
    }
    static std::vector<uint8_t> store(CDimList& list) {
        Archive ar;
        list.Serialize(ar);
        return ar.takeBytes();
    }
};

TEST_F(DimArchive, StoresEveryClassInLayoutThreeAndRoundTripsEveryField) {
    CDimList list;
    auto line = std::make_unique<CDimLine>();
    line->setColour(0x00FF00);
    line->setWidth(5);
    line->setLabel("apex");
    line->addVertex({1, 2});
    line->addVertex({-3, 400000});
    list.add(std::move(line));
    auto circle = std::make_unique<CDimCircle>();
    circle->addVertex({0, 0});
    circle->addVertex({10, 0});
    list.add(std::move(circle));
    auto rect = std::make_unique<CDimRect>();
    rect->addVertex({5, 6});
    rect->addVertex({7, 8});
    list.add(std::move(rect));
    auto poly = std::make_unique<CDimPolygon>();
    poly->addVertex({0, 0});
    list.add(std::move(poly));
    auto second = std::make_unique<CDimLine>();  // a class already written: 0x8000 | index
    list.add(std::move(second));

    Bytes want;
    want.u16(5);
    // Index 1 is the class CDimLine, 2 the object.
    want.newClass("CDimLine").i32(3).i32(0x00FF00).i32(5).u8(4).raw("apex").points({{1, 2}, {-3, 400000}});
    // 3 class, 4 object.
    want.newClass("CDimCircle").i32(3).i32(255).i32(1).u8(0).points({{0, 0}, {10, 0}});
    want.newClass("CDimRect").i32(3).i32(255).i32(1).u8(0).points({{5, 6}, {7, 8}});
    want.newClass("CDimPolygon").i32(3).i32(255).i32(1).u8(0).points({{0, 0}});
    want.u16(0x8001).i32(3).i32(255).i32(1).u8(0).points({});
    EXPECT_EQ(store(list), want.b);
    CDimList original;
    original.setDefaultColour(0xABCDEF);
    original.setDefaultWidth(9);
    original.addNew(CDimList::kCircle, {3, 4});
    original.at(0)->addVertex({13, 4});
    original.at(0)->setLabel(std::string(300, 'x'));  // long label: 0xFF + word length
    original.addNew(CDimList::kRectangle, {-5, -6});
    original.at(1)->addVertex({5, 6});
    original.addNew(0, {1, 1});
    std::vector<uint8_t> bytes = store(original);
    CDimList copy = load(bytes);
    ASSERT_EQ(copy.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(copy.at(i)->className(), original.at(i)->className());
        EXPECT_EQ(copy.at(i)->colour(), 0xABCDEFu);
        EXPECT_EQ(copy.at(i)->width(), 9);
        EXPECT_EQ(copy.at(i)->label(), original.at(i)->label());
        EXPECT_EQ(copy.at(i)->vertices(), original.at(i)->vertices());
    }
    EXPECT_EQ(store(copy), bytes);
}

TEST_F(DimArchive, ReadsLayoutThreeTwoAndOldest) {
    Bytes in;
    in.u16(3);
    in.newClass("CDimLine").i32(3).i32(0x123456).i32(7).u8(2).raw("ok").points({{10, 20}, {30, 40}});
    // Layout 2: colour and width, no label.
    in.u16(0x8001).i32(2).i32(0xFF00).i32(3).points({{-1, -2}});
    // Oldest layout: the first integer is the colour 255; vertices follow at once.
    in.newClass("CDimPolygon").i32(255).points({{0, 0}, {10, 0}, {10, 10}});

    CDimList list = load(in.b);
    ASSERT_EQ(list.count(), 3);

    const CDim* a = list.at(0);
    EXPECT_STREQ(a->className(), "CDimLine");
    EXPECT_EQ(a->colour(), 0x123456u);
    EXPECT_EQ(a->width(), 7);
    EXPECT_EQ(a->label(), "ok");
    EXPECT_EQ(a->vertices(), (std::vector<ZPoint>{{10, 20}, {30, 40}}));
    // Derived data is rebuilt on loading.
    EXPECT_EQ(static_cast<const CDimLine*>(a)->bandOutline().size(), 4u);

    const CDim* b = list.at(1);
    EXPECT_EQ(b->colour(), 0xFF00u);
    EXPECT_EQ(b->width(), 3);
    EXPECT_EQ(b->vertices(), (std::vector<ZPoint>{{-1, -2}}));

    const CDim* c = list.at(2);
    EXPECT_STREQ(c->className(), "CDimPolygon");
    EXPECT_EQ(c->colour(), 255u);
    EXPECT_EQ(c->width(), 1);
    EXPECT_DOUBLE_EQ(c->area(1, 1), 50.0);
}

TEST_F(DimArchive, HostileArchivesFailCleanlyAndLeaveTheListAlone) {
    CDimList list;
    list.addNew(0, {7, 7});

    auto expectRejected = [&](const std::vector<uint8_t>& bytes) {
        Archive ar(bytes);
        EXPECT_THROW(list.Serialize(ar), ArchiveError);
        ASSERT_EQ(list.count(), 1);
        EXPECT_EQ(list.at(0)->getVertex(0), (ZPoint{7, 7}));
    };

    // A vertex count far beyond the bytes that follow, short and long form.
    expectRejected(Bytes().u16(1).newClass("CDimLine").i32(3).i32(0).i32(1).u8(0).u16(0xFFFE).i32(1).i32(2).b);
    expectRejected(
        Bytes().u16(1).newClass("CDimLine").i32(3).i32(0).i32(1).u8(0).u16(0xFFFF).i32(0x7FFFFFFF).b);
    // An object count beyond the bytes.
    expectRejected(Bytes().u16(0xFFFF).i32(-1).b);
    // More objects than a document may hold (64 MB of such lines took
    // 1.5 GB once read).
    {
        Bytes many;
        many.u16(0xFFFF).i32(int32_t(CDimList::kMaxLoadObjects + 1)).newClass("CDimLine").i32(3).i32(0).i32(1).u8(0).points({});
        for (uint32_t i = 1; i <= CDimList::kMaxLoadObjects; ++i) many.u16(0x8001).i32(3).i32(0).i32(1).u8(0).points({});
        Archive ar(many.b);
        try {
            list.Serialize(ar);
            ADD_FAILURE() << "accepted";
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find("100001 objects in one list"), std::string::npos) << e.what();
        }
        EXPECT_EQ(list.count(), 1);
    }
    // A label longer than the file.
    expectRejected(Bytes().u16(1).newClass("CDimLine").i32(3).i32(0).i32(1).u8(200).raw("abc").b);
    // Unknown layout versions and wrong schema.
    expectRejected(Bytes().u16(1).newClass("CDimLine").i32(4).i32(0).i32(1).u8(0).points({}).b);
    expectRejected(Bytes().u16(1).newClass("CDimLine").i32(-7).i32(0).i32(1).u8(0).points({}).b);
    expectRejected(Bytes().u16(1).newClass("CDimLine", 2).i32(3).i32(0).i32(1).u8(0).points({}).b);
    // A class that is not a dimension, and a null reference.
    expectRejected(Bytes().u16(1).newClass("CDimList").u16(0).b);
    expectRejected(Bytes().u16(1).u16(0).b);
    // The same object referenced twice.
    expectRejected(Bytes().u16(2).newClass("CDimLine").i32(3).i32(0).i32(1).u8(0).points({}).u16(2).b);

    // Every truncation of a valid archive.
    CDimList good;
    good.addNew(CDimList::kPolygon, {1, 2});
    good.at(0)->addVertex({3, 4});
    good.at(0)->setLabel("label");
    good.addNew(CDimList::kCircle, {5, 6});
    std::vector<uint8_t> full = store(good);
    for (size_t n = 0; n < full.size(); ++n)
        expectRejected(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n)));
}

}  // namespace
