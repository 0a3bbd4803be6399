#include <filesystem>

#include "tests/support/ArchiveBytes.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "measure/ImageProcessing.h"
#include "measure/SelectionAverage.h"
#include "measure/ZBasicDoc.h"
#include "tests/support/ImageDocFixture.h"
#include "tests/support/ShownFailure.h"

using namespace ordavia;
using testsupport::shown;

namespace fs = std::filesystem;

namespace {

class ImageDocTest : public ImageDocFixture<> {
protected:
    void write(const std::string& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(writeFileAtomically(path(name), bytes).ok());
    }
    std::vector<uint8_t> read(const std::string& name) {
        std::vector<uint8_t> b;
        EXPECT_TRUE(readFileBytes(path(name), b).ok());
        return b;
    }
    // Writes the bytes as a document file and reads them into doc.
    Status load(ZBasicDoc& doc, const Bytes& bytes) {
        write("v.cs1", bytes.b);
        doc.setServices(&services);
        return doc.readFile(path("v.cs1"));
    }
    // Saves a new document with a w x h grey picture of its own as name.cs1.
    void saveWithPicture(const std::string& name, int w, int h, uint8_t v) {
        ZBasicDoc& doc = newDoc();
        doc.OnNewDocument();
        doc.setImage(grey(w, h, v));
        doc.markImageForSave();
        ASSERT_TRUE(doc.OnSaveDocument(path(name + ".cs1")));
    }
};

// The fields of a version-10 file up to the dimension lists, with distinct
// values so that a misplaced field shows.
Bytes headerV10(int32_t listCount = 5) {
    Bytes b;
    b.i32(10).i32(11).i32(12).i32(1).f64(0.5).f64(0.25).i32(1).str("um").i32(3).i32(4);
    b.rect(10, 20, 110, 220).rect(1, 2, 3, 4).str("D:\\data\\img.bmp").i32(1234567).str("Equalise\r\n");
    b.i32(2).i32(1).i32(1).f64(50.0).i32(0x808080).str("grid.wmf");
    b.i32(listCount).i32(3).i32(-1).str("x40").i32(99).str("desc");
    return b;
}

// The fields of versions 2 to 9 up to the grid, with neutral values.
Bytes headerV2(int32_t version, int32_t imageTime = 7, const std::string& notes = "n") {
    Bytes b;
    b.i32(version).i32(0).i32(0).i32(1).f64(1.0).f64(1.0).i32(0).str("um").i32(0).i32(0);
    b.rect(0, 0, 0, 0).rect(0, 0, 0, 0).str("img.bmp").i32(imageTime).str(notes);
    return b;
}

Bytes dbBlock(int saveCount) { return Bytes().block(saveCount, "AB12", 42); }

}  // namespace

TEST_F(ImageDocTest, Version10LoadsEveryFieldAndRewritesTheSameBytes) {
    Bytes f = headerV10();
    // List 0: one line; list 2: a circle and a second line (class index reuse).
    f.u16(1).newClass("CDimLine").dim3(255, 2, "a", {{1, 2}, {30, 40}});
    f.u16(0);
    f.u16(2).newClass("CDimCircle").dim3(0xff00, 1, "", {{5, 5}, {15, 5}}).u16(0x8000 | 1).dim3(7, 1, "b", {{0, 0}});
    f.u16(0).u16(0);
    f.append(dbBlock(6));
    write("a.cs1", f.b);

    ZBasicDoc& doc = newDoc();
    const Status st = doc.readFile(path("a.cs1"));
    ASSERT_TRUE(st.ok()) << st.reason();
    EXPECT_EQ(doc.versionRead(), 10);
    EXPECT_EQ(doc.marks().targetX, 11);
    EXPECT_EQ(doc.marks().targetY, 12);
    EXPECT_EQ(doc.calibration().xScale, 0.5);
    EXPECT_EQ(doc.calibration().yScale, 0.25);
    EXPECT_EQ(doc.marks().originY, 4);
    EXPECT_EQ(doc.marks().roi, (ZRect{10, 20, 110, 220}));
    EXPECT_EQ(doc.marks().roi2, (ZRect{1, 2, 3, 4}));
    EXPECT_EQ(doc.imageFileName(), "D:\\data\\img.bmp");
    EXPECT_EQ(doc.imageTime(), 1234567);
    EXPECT_EQ(doc.grid().style, 2);
    EXPECT_EQ(doc.grid().spacing, 50.0);
    EXPECT_EQ(doc.grid().userFile, "grid.wmf");
    EXPECT_EQ(doc.paletteIndex(), 3);
    EXPECT_TRUE(doc.zeroAsBlack());
    EXPECT_EQ(doc.calibration().magName, "x40");
    EXPECT_EQ(doc.calibration().magDate, 99);
    EXPECT_EQ(doc.description(), "desc");
    ASSERT_EQ(doc.lists()[0].count(), 1);
    EXPECT_EQ(doc.lists()[0].at(0)->label(), "a");
    ASSERT_EQ(doc.lists()[2].count(), 2);
    EXPECT_STREQ(doc.lists()[2].at(0)->className(), "CDimCircle");
    EXPECT_STREQ(doc.lists()[2].at(1)->className(), "CDimLine");
    EXPECT_TRUE(doc.lists()[4].isHidden());
    EXPECT_EQ(doc.subjectId, "AB12");
    EXPECT_EQ(doc.examId, 42);
    EXPECT_EQ(doc.saveCount, 6);

    // Written again, the only change is the save count raised by one.
    ASSERT_TRUE(doc.writeFile(path("b.cs1")).ok());
    std::vector<uint8_t> expected = f.b;
    const Bytes db7 = dbBlock(7);
    std::copy(db7.b.begin(), db7.b.end(), expected.end() - static_cast<std::ptrdiff_t>(db7.b.size()));
    EXPECT_EQ(read("b.cs1"), expected);
}

TEST_F(ImageDocTest, OlderVersionsHonourTheirGates) {
    // Version 1: no image time, notes, grid, lists count...; only list 0.
    {
        Bytes b;
        b.i32(1).i32(5).i32(6).i32(0).f64(2.0).f64(3.0).i32(0).str("mm").i32(0).i32(0);
        b.rect(0, 0, 0, 0).rect(0, 0, 0, 0).str("img.zvg");
        b.u16(1).newClass("CDimLine").i32(255).u16(1).i32(9).i32(9);  // oldest dimension layout
        ZBasicDoc doc;
        const Status st = load(doc, b);
        ASSERT_TRUE(st.ok()) << st.reason();
        EXPECT_EQ(doc.versionRead(), 1);
        EXPECT_EQ(doc.calibration().units, "mm");
        ASSERT_EQ(doc.lists()[0].count(), 1);
        EXPECT_EQ(doc.lists()[0].at(0)->getVertex(0), (ZPoint{9, 9}));
    }
    // Versions 2 to 4: image time and notes, then the grid, then the user grid file.
    for (int v = 2; v <= 4; ++v) {
        Bytes b = headerV2(v, 77, "notes");
        if (v > 2) b.i32(1).i32(1).i32(1).f64(25.0).i32(0x123456);
        if (v > 3) b.str("user.wmf");
        b.u16(1).newClass("CDimPolygon").dim3(255, 1, "", {{1, 1}, {9, 1}, {9, 9}});
        ZBasicDoc doc;
        const Status st = load(doc, b);
        ASSERT_TRUE(st.ok()) << "version " << v << ": " << st.reason();
        EXPECT_EQ(doc.imageTime(), 77) << v;
        EXPECT_EQ(doc.notes(), "notes") << v;
        EXPECT_EQ(doc.grid().spacing, v > 2 ? 25.0 : 100.0) << v;
        EXPECT_EQ(doc.grid().userFile, v > 3 ? "user.wmf" : "") << v;
        ASSERT_EQ(doc.lists()[0].count(), 1) << v;
        EXPECT_STREQ(doc.lists()[0].at(0)->className(), "CDimPolygon");
    }
    // Version 5: lists 0 and 2 only, no list count.
    {
        Bytes b = headerV2(5);
        b.i32(0).i32(0).i32(0).f64(100.0).i32(0x808080).str("");
        b.u16(1).newClass("CDimLine").dim3(255, 1, "", {{1, 1}});
        b.u16(2).u16(0x8000 | 1).dim3(255, 1, "", {{2, 2}}).u16(0x8000 | 1).dim3(255, 1, "", {{3, 3}});
        ZBasicDoc doc;
        const Status st = load(doc, b);
        ASSERT_TRUE(st.ok()) << st.reason();
        EXPECT_EQ(doc.notes(), "n");
        EXPECT_EQ(doc.lists()[0].count(), 1);
        EXPECT_EQ(doc.lists()[1].count(), 0);
        EXPECT_EQ(doc.lists()[2].count(), 2);
    }
    // Versions 6 to 9: the gated items appear one by one.
    for (int v = 6; v <= 9; ++v) {
        Bytes b = headerV2(v);
        b.i32(0).i32(0).i32(0).f64(100.0).i32(0x808080).str("");
        b.i32(5);
        if (v > 6) b.i32(4).i32(0);
        if (v > 7) b.str("mag").i32(5);
        for (int i = 0; i < 5; ++i) b.u16(0);
        if (v > 8) b.append(dbBlock(1));
        ZBasicDoc doc;
        const Status st = load(doc, b);
        ASSERT_TRUE(st.ok()) << "version " << v << ": " << st.reason();
        EXPECT_EQ(doc.paletteIndex(), v > 6 ? 4 : 0) << v;
        EXPECT_EQ(doc.zeroAsBlack(), v > 6 ? false : true) << v;
        EXPECT_EQ(doc.calibration().magName, v > 7 ? "mag" : "default") << v;
        EXPECT_EQ(doc.examId, v > 8 ? 42 : -1) << v;
    }
}

TEST_F(ImageDocTest, DamagedFilesFailWithAMessageAndLeaveNothingOpen) {
    Bytes f = headerV10();
    f.u16(1).newClass("CDimLine").dim3(255, 2, "a", {{1, 2}, {30, 40}});
    for (int i = 0; i < 4; ++i) f.u16(0);
    f.append(dbBlock(1));
    // Every truncation fails cleanly.
    for (size_t cut = 0; cut < f.b.size(); cut += 7) {
        write("t.cs1", std::vector<uint8_t>(f.b.begin(), f.b.begin() + static_cast<std::ptrdiff_t>(cut)));
        ZBasicDoc& doc = newDoc();
        const Status st = doc.readFile(path("t.cs1"));
        EXPECT_FALSE(st.ok()) << cut;
        EXPECT_FALSE(st.reason().empty());
        EXPECT_EQ(doc.lists()[0].count(), 0);
    }
    // An absurd list count and an absurd vertex count.
    Bytes bad = headerV10(0x7FFFFFFF);
    bad.u16(0);
    write("bad.cs1", bad.b);
    ZBasicDoc& doc = newDoc();
    const Status st = doc.readFile(path("bad.cs1"));
    EXPECT_FALSE(st.ok());
    // Through the framework the user is told.
    EXPECT_FALSE(shown(prompter, doc.OnOpenDocument(path("bad.cs1"))));
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_NE(prompter.messages().back().find("Unexpected file format."), std::string::npos);
}

TEST_F(ImageDocTest, RegionOnlySaveMovesCoordinatesForTheFileOnly) {
    ZBasicDoc& doc = newDoc();
    doc.OnNewDocument();
    doc.setImage(grey(300, 200, 80));
    doc.setRegion({100, 50, 200, 150});
    doc.addNewDimension(0, {110, 60});
    doc.addVertex(0, {150, 90});
    prompter.pushMessageAnswer(MsgResult::Yes);  // only the region
    ASSERT_TRUE(doc.OnSaveDocument(path("r.cs1")));
    EXPECT_EQ(doc.lists()[0].at(0)->getVertex(0), (ZPoint{110, 60})) << "the open document keeps its coordinates";
    EXPECT_EQ(doc.marks().roi, (ZRect{100, 50, 200, 150}));
    EXPECT_EQ(doc.imageFileName(), path("r.bmp"));

    ZBasicDoc& back = newDoc();
    const Status st = back.readFile(path("r.cs1"));
    ASSERT_TRUE(st.ok()) << st.reason();
    EXPECT_EQ(back.lists()[0].at(0)->getVertex(0), (ZPoint{10, 10}));
    EXPECT_EQ(back.marks().roi, (ZRect{0, 0, 100, 100}));
    ASSERT_TRUE(back.loadImage());
    EXPECT_EQ(back.image().width(), 100);
    EXPECT_EQ(back.image().height(), 100);
}

TEST_F(ImageDocTest, AnOpenedPictureIsNeverSavedOverOrReplacedUnasked) {
    ASSERT_TRUE(grey(40, 30, 90).Save(path("n1.bmp")));
    ASSERT_TRUE(grey(40, 30, 1).Save(path("n1-1.bmp")));  // taken already
    const std::vector<uint8_t> original = read("n1.bmp");
    ZBasicDoc& doc = newDoc();
    doc.OnNewDocument();
    ASSERT_TRUE(doc.importImage(path("n1.bmp")));

    // Not over the picture itself, whatever the name says.
    EXPECT_FALSE(shown(prompter, doc.OnSaveDocument(path("n1.bmp"))));
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0], strprintf(ZBasicDoc::kSaveOverPicture, path("n1.bmp").c_str()));
    EXPECT_EQ(read("n1.bmp"), original);

    // Unchanged pixels: the document links the picture and leaves it be.
    ASSERT_TRUE(doc.OnSaveDocument(path("n1.cs1")));
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(doc.imageFileName(), path("n1.bmp"));
    EXPECT_EQ(read("n1.bmp"), original);

    // Changed pixels: asked; yes keeps the original and links a new picture.
    ASSERT_TRUE(ImageProcessing::negative(doc));
    prompter.pushMessageAnswer(MsgResult::Yes);
    ASSERT_TRUE(doc.OnSaveDocument(path("n1.cs1")));
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].text, strprintf(ZBasicDoc::kKeepOriginalPicture, "n1.bmp", "n1-2.bmp", "n1.bmp"));
    EXPECT_EQ(read("n1.bmp"), original);
    EXPECT_EQ(doc.imageFileName(), path("n1-2.bmp"));
    ZBasicDoc& back = newDoc();
    const Status st = back.readFile(path("n1.cs1"));
    ASSERT_TRUE(st.ok()) << st.reason();
    EXPECT_EQ(back.imageFileName(), path("n1-2.bmp"));

    // Saved again under a name whose picture this document wrote: the
    // documented rewrite, without a question. Cancel saves nothing.
    ASSERT_TRUE(ImageProcessing::negative(doc));
    ASSERT_TRUE(doc.OnSaveDocument(path("n1-2.cs1")));
    EXPECT_EQ(prompter.asked.size(), 2u);
    ASSERT_TRUE(ImageProcessing::negative(doc));
    prompter.pushMessageAnswer(MsgResult::Cancel);
    const size_t asked = prompter.asked.size();
    EXPECT_TRUE(shown(prompter, doc.OnSaveDocument(path("n1.cs1"))).isCancelled());
    EXPECT_EQ(prompter.asked.size(), asked + 1) << "the question only: a cancel is not shown";
    EXPECT_EQ(read("n1.bmp"), original);
}

TEST_F(ImageDocTest, ImageFileIsFoundBesideTheDocumentOrAskedFor) {
    ASSERT_NO_FATAL_FAILURE(saveWithPicture("m", 40, 30, 10));
    // Move both files elsewhere: the stored path is gone, the name beside the document is found.
    fs::create_directories(dir / "moved");
    fs::rename(dir / "m.cs1", dir / "moved" / "m.cs1");
    fs::rename(dir / "m.bmp", dir / "moved" / "m.bmp");
    {
        ZBasicDoc& doc = newDoc();
        ASSERT_TRUE(doc.OnOpenDocument((dir / "moved" / "m.cs1").string()));
        EXPECT_EQ(doc.image().width(), 40);
        EXPECT_TRUE(prompter.messages().empty());
    }
    // Without it the user is asked; cancelling opens the document without a picture.
    fs::remove(dir / "moved" / "m.bmp");
    ZBasicDoc& doc = newDoc();
    ASSERT_TRUE(doc.OnOpenDocument((dir / "moved" / "m.cs1").string()));
    EXPECT_TRUE(doc.image().isEmpty());
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0], "Cannot find image file " + path("m.bmp") + ".\nPlease specify new location.");
}

TEST_F(ImageDocTest, UncalibratedMeasuresArePixelsAndMoveAllTakesEverything) {
    ZBasicDoc& doc = newDoc();
    doc.OnNewDocument();
    doc.setCalibration({.xScale = 0.5, .yScale = 0.5, .calibrated = false, .units = "um"});
    EXPECT_EQ(doc.unitsInEffect(), "pixel");
    EXPECT_EQ(doc.xScaleInEffect(), 1.0);
    doc.setImage(grey(100, 100, 50));
    doc.addNewDimension(0, {0, 10});
    doc.addVertex(0, {10, 10});
    ImageSelectionAverage row = computeSelectionAverage(doc);
    EXPECT_EQ(row.units, "pixel");
    EXPECT_DOUBLE_EQ(row.values[8], 10.0);  // total L
    { auto v_ = doc.calibration(); v_.calibrated = 1; doc.setCalibration(v_); }
    row = computeSelectionAverage(doc);
    EXPECT_EQ(row.units, "um");
    EXPECT_DOUBLE_EQ(row.values[8], 5.0);
    EXPECT_DOUBLE_EQ(row.values[2], 2500.0);  // ROI area in um^2
    EXPECT_DOUBLE_EQ(row.values[3], 50.0);    // mean grey
    EXPECT_DOUBLE_EQ(row.values[15], 5.0 * 1000.0 / 2500.0);  // linear density
    // Moving everything.
    ZBasicDoc& moved = newDoc();
    moved.OnNewDocument();
    moved.addNewDimension(0, {1, 1});
    moved.addNewDimension(4, {2, 2});
    moved.setRegion({1, 1, 5, 5});
    moved.moveAll(10, 20);
    EXPECT_EQ(moved.marks().roi, (ZRect{11, 21, 15, 25}));
    EXPECT_EQ(moved.lists()[0].at(1)->getVertex(0), (ZPoint{12, 22}));
    EXPECT_EQ(moved.marks().originX, 10);
}

// What a document reads and shows follows its own services: colour pictures
// keep their colour and turn grey for the analyses with its start-up
// weights, auto contrast takes its profile's central fraction.
TEST_F(ImageDocTest, PictureSettingsComeFromTheDocumentsServices) {
    CZVimage colour(2, 1, 0, CZVimage::kFrame, CZVimage::kColour);
    const uint8_t bgr[] = {10, 20, 200, 30, 40, 60};
    std::memcpy(colour.row(0), bgr, sizeof bgr);
    ASSERT_EQ(colour.Save(path("c.bmp")), 1);
    settings.red = 1.0;
    settings.green = 0.0;
    settings.blue = 0.0;
    store().WriteDouble("settings", "adjustsz", 0.5);

    ZBasicDoc doc;
    doc.setServices(&services);
    doc.OnNewDocument();
    ASSERT_TRUE(doc.importImage(path("c.bmp")));
    // The picture stays colour; the grey the analyses get takes the weights.
    EXPECT_EQ(doc.image().colour(), CZVimage::kColour);
    const CZVimage grey = ImageProcessing::greyPicture(doc);
    EXPECT_EQ(grey.row(0)[0], 200);
    EXPECT_EQ(grey.row(0)[1], 60);
    doc.toggleAutoContrast();
    EXPECT_TRUE(doc.image().autoContrast());
    EXPECT_DOUBLE_EQ(doc.image().adjustSize(), 0.5);
}

// One step, exchanged back and forth: a dimension edit undone reaches the
// saved state (not modified); undone again it is redone (modified). A tool's
// drag is one step, and a picture's undo writes a history line, so it stays
// modified.
TEST_F(ImageDocTest, UndoingBackToTheSavedStateClearsModified) {
    ZBasicDoc& doc = newDoc();
    doc.OnNewDocument();
    doc.setImage(grey(60, 40, 80));
    doc.setQuiet(true);
    doc.addNewDimension(0, {10, 10});
    doc.addVertex(0, {20, 20});
    ASSERT_TRUE(doc.OnSaveDocument(path("u.cs1")));
    ASSERT_FALSE(doc.IsModified());

    doc.removeObject(0);
    EXPECT_TRUE(doc.IsModified());
    doc.undo();
    ASSERT_EQ(doc.lists()[0].count(), 1);
    EXPECT_FALSE(doc.IsModified());
    doc.undo();  // the documented second undo redoes
    EXPECT_EQ(doc.lists()[0].count(), 0);
    EXPECT_TRUE(doc.IsModified());
    doc.undo();

    // A drag as the tools make it: remembered on press, changed on every move.
    doc.rememberForUndo();
    EXPECT_FALSE(doc.IsModified()) << "a press that moves nothing changes nothing";
    doc.lists()[0].setCurrent(0);
    doc.lists()[0].moveCurrent(5, 0);
    doc.markEdited();
    doc.lists()[0].moveCurrent(5, 0);
    doc.markEdited();
    EXPECT_EQ(doc.lists()[0].at(0)->getVertex(0), (ZPoint{20, 10}));
    doc.undo();
    EXPECT_EQ(doc.lists()[0].at(0)->getVertex(0), (ZPoint{10, 10}));
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.imageOperation("invert", [](CZVimage& img, const ZRect&) {
        img.data()[0] = 1;
        return true;
    }));
    doc.undo();
    EXPECT_EQ(doc.image().data()[0], 80);
    EXPECT_TRUE(doc.IsModified()) << "the notes say undo";
}

// A picture that does not load is the caller's to report: the document
// says why in its result and shows nothing itself.
TEST_F(ImageDocTest, APictureThatDoesNotLoadIsAStatusWithItsReason) {
    write("bad.bmp", {'B', 'M', 1, 2, 3});
    ZBasicDoc& doc = newDoc();
    doc.OnNewDocument();
    const Status missing = doc.importImage(path("none.bmp"));
    ASSERT_FALSE(missing.ok());
    const Status damaged = doc.importImage(path("bad.bmp"));
    ASSERT_FALSE(damaged.ok());
    EXPECT_FALSE(damaged.reason().empty());
    EXPECT_EQ(ZBasicDoc::couldNotLoad(damaged), std::string(ZBasicDoc::kCouldNotLoad) + "\n" + damaged.reason());
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(doc.image().isEmpty());
    EXPECT_FALSE(doc.IsModified());
}

// A document made without the application runs on headless services: one
// whose picture is missing opens without its picture (it used to throw at
// the question), and asks nothing of anyone; its picture missing and its
// picture damaged are told apart by the code.
TEST_F(ImageDocTest, ADocumentWithoutTheApplicationOpensWithoutItsPicture) {
    ASSERT_NO_FATAL_FAILURE(saveWithPicture("h", 20, 10, 5));
    ASSERT_TRUE(fs::remove(path("h.bmp")));
    ZBasicDoc alone;
    ASSERT_TRUE(alone.OnOpenDocument(path("h.cs1")));
    EXPECT_TRUE(alone.image().isEmpty());
    EXPECT_FALSE(alone.IsModified());
    EXPECT_EQ(alone.loadImage().code(), StatusCode::NotFound);
    write("h.bmp", {'B', 'M', 9});
    const Status unreadable = alone.loadImage();
    ASSERT_FALSE(unreadable.ok());
    EXPECT_NE(unreadable.code(), StatusCode::NotFound) << unreadable.reason();
    EXPECT_TRUE(prompter.asked.empty());
}
