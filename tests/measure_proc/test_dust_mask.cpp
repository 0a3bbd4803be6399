// The dust mask: its file (the dust list as archived), the commands that
// save, load and switch it, and the filter after every image load.
#include "ProcTestSupport.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/MveBytes.h"
#include "base/FileIO.h"
#include "image/ImageFilters.h"
#include "measure/CDimCircle.h"
#include "measure/CDimRect.h"
#include "measure/ImageProcessing.h"

using namespace ordavia;

namespace {

// A list with a rectangle and a circle, as a user would mark two specks.
void markTwoSpecks(ZBasicDoc& doc) {
    doc.setCurrentList(ZBasicDoc::kDustList);
    doc.addNewDimension(CDimList::kRectangle, {3, 2});
    doc.addVertex(0, {9, 8});
    doc.addNewDimension(CDimList::kCircle, {12, 12});
    doc.addVertex(1, {18, 12});
    doc.setCurrentList(0);
}

}  // namespace

TEST_F(ProcTest, SavedDustMaskIsTheArchivedListByteForByte) {
    ZBasicDoc& doc = newDoc();
    markTwoSpecks(doc);
    prompter.pushSaveFile(path("specks"));
    ASSERT_TRUE(ImageProcessing::saveDustMask(doc));
    // The extension is added and the name remembered for the filter switch.
    EXPECT_EQ(store().GetString("dustmask", "filename", ""), path("specks.dm"));

    // Object count, then each dimension in layout 3 in the dust list's colour.
    Bytes expected;
    expected.u16(2).newClass("CDimRect").dim3(0xff00ff, 1, "", {{3, 2}, {9, 8}});
    expected.newClass("CDimCircle").dim3(0xff00ff, 1, "", {{12, 12}, {18, 12}});
    EXPECT_EQ(testsupport::readBytes(path("specks.dm")), expected.b);

    // Loading it into another document gives the same marks.
    ZBasicDoc& other = newDoc();
    prompter.pushFiles({path("specks.dm")});
    ASSERT_TRUE(ImageProcessing::loadDustMask(other));
    const CDimList& l = other.lists()[ZBasicDoc::kDustList];
    ASSERT_EQ(l.count(), 2);
    EXPECT_EQ(l.at(1)->vertices(), (std::vector<ZPoint>{{12, 12}, {18, 12}}));
    EXPECT_TRUE(l.isHidden());
    EXPECT_TRUE(other.IsModified());
    EXPECT_EQ(ImageProcessing::dustMarks(l), (std::vector<ZRect>{{3, 2, 9, 8}, {12, 9, 18, 15}}));
}

TEST_F(ProcTest, DamagedDustMaskFilesChangeNothing) {
    ZBasicDoc& doc = newDoc();
    markTwoSpecks(doc);
    ASSERT_TRUE(ImageProcessing::writeDustMaskFile(path("good.dm"), doc.lists()[ZBasicDoc::kDustList]).ok());
    const std::vector<uint8_t> good = testsupport::readBytes(path("good.dm"));

    std::vector<std::vector<uint8_t>> bad;
    for (size_t n : {size_t(1), size_t(5), size_t(20), good.size() - 1}) bad.emplace_back(good.begin(), good.begin() + long(n));
    bad.push_back({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});       // a huge count and nothing behind it
    bad.push_back({1, 0, 0xFF, 0xFF, 1, 0, 4, 0, 'C', 'D', 'i', 'm'});  // a class name cut short
    bad.push_back(Bytes().u16(1).newClass("CDimList").u16(0).b);  // an object that is no dimension
    ZBasicDoc& target = newDoc();
    markTwoSpecks(target);
    const auto marksBefore = ImageProcessing::dustMarks(target.lists()[ZBasicDoc::kDustList]);
    target.SetModifiedFlag(false);
    for (size_t i = 0; i < bad.size(); ++i) {
        ASSERT_TRUE(writeFileAtomically(path("bad.dm"), bad[i]).ok());
        prompter.pushFiles({path("bad.dm")});
        const Status refused = ImageProcessing::run(target, &ImageProcessing::loadDustMask, MsgIcon::Error);
        EXPECT_EQ(refused.code(), StatusCode::BadFormat) << i;
        EXPECT_EQ(refused.reason(),
                  "Could not read the dust mask " + path("bad.dm") + ": the file is damaged or not a dust mask.")
            << i;
        EXPECT_EQ(prompter.messages().back(), refused.reason()) << i;
        EXPECT_EQ(prompter.asked.back().icon, MsgIcon::Error) << i;
        EXPECT_EQ(ImageProcessing::dustMarks(target.lists()[ZBasicDoc::kDustList]), marksBefore) << i;
        EXPECT_FALSE(target.IsModified()) << i;
    }
    // Each is refused with a message.
    EXPECT_EQ(prompter.messages().size(), bad.size());
    EXPECT_EQ(store().GetString("dustmask", "filename", "none"), "none");
}

TEST_F(ProcTest, DustFilterSwitchFiltersAndReloadsThePicture) {
    const CZVimage original = ramp(30, 20);
    ASSERT_TRUE(original.Save(path("pic.bmp")));
    ZBasicDoc& doc = newDoc();
    markTwoSpecks(doc);
    ASSERT_TRUE(ImageProcessing::writeDustMaskFile(path("mask.dm"), doc.lists()[ZBasicDoc::kDustList]).ok());
    store().WriteString("dustmask", "filename", path("mask.dm"));

    ZBasicDoc& fresh = newDoc();
    ASSERT_TRUE(fresh.importImage(path("pic.bmp")));
    ASSERT_TRUE(samePixels(fresh.image(), original));  // the filter is off

    CZVimage filtered = copyOf(original);
    applyDustFilter(filtered, {{3, 2, 9, 8}, {12, 9, 18, 15}});
    ASSERT_FALSE(samePixels(filtered, original));

    EXPECT_TRUE(ImageProcessing::toggleDustMaskFilter(fresh));
    EXPECT_EQ(store().GetInt("settings", "dustmask", 0), 1);
    EXPECT_EQ(fresh.lists()[ZBasicDoc::kDustList].count(), 2);
    EXPECT_TRUE(samePixels(fresh.image(), filtered));

    // While on, every load filters: opening a picture...
    ZBasicDoc& another = newDoc();
    ASSERT_TRUE(another.importImage(path("pic.bmp")));
    EXPECT_TRUE(samePixels(another.image(), filtered));
    // ...and the picture of a document file, with the document's own mask.
    ZBasicDoc& withList = newDoc();
    withList.setImageFile(path("pic.bmp"), withList.imageTime());
    withList.setCurrentList(ZBasicDoc::kDustList);
    withList.addNewDimension(CDimList::kRectangle, {20, 4});
    withList.addVertex(0, {27, 12});
    ASSERT_TRUE(withList.loadImage());
    CZVimage own = copyOf(original);
    applyDustFilter(own, {{20, 4, 27, 12}});
    EXPECT_TRUE(samePixels(withList.image(), own));

    // Off: the picture comes back from its file; undo still has the
    // filtered one.
    EXPECT_TRUE(ImageProcessing::toggleDustMaskFilter(fresh));
    EXPECT_FALSE(ImageProcessing::dustMaskFilterOn(fresh));
    EXPECT_EQ(store().GetInt("settings", "dustmask", 1), 0);
    EXPECT_TRUE(samePixels(fresh.image(), original));
    EXPECT_TRUE(samePixels((*fresh.undoPicture()), filtered));
}

TEST_F(ProcTest, DustFilterSwitchWithoutAMaskStaysOff) {
    ZBasicDoc& doc = newDoc(ramp(20, 20));
    store().WriteString("dustmask", "filename", path("absent.dm"));
    EXPECT_FALSE(ImageProcessing::run(doc, &ImageProcessing::toggleDustMaskFilter));
    EXPECT_EQ(store().GetInt("settings", "dustmask", 0), 0);
    EXPECT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(doc.notes(), "");

    // A list drawn in the document serves when the file cannot be read.
    markTwoSpecks(doc);
    EXPECT_TRUE(ImageProcessing::toggleDustMaskFilter(doc));
    EXPECT_EQ(store().GetInt("settings", "dustmask", 0), 1);
    EXPECT_TRUE(doc.canUndo());
}
