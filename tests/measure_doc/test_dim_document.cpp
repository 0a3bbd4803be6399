#include <gtest/gtest.h>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "measure/CDimList.h"
#include "measure/ZBasicDoc.h"
#include "measure/ZDimDoc.h"
#include "tests/support/MveBytes.h"
#include "tests/support/ShownFailure.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

TEST(DimDocument, RowsFormatsAndQuotedText) {
    CDimList list;
    list.addNew(0, {10, 20});
    list.at(0)->addVertex({30, 20});
    list.at(0)->setLabel("apex");
    ZDimDoc doc;
    doc.subjectId = "AB12";
    doc.examId = 42;
    doc.Fill(0, 0, 0.5, 0.5, list, TortuosityParams{});
    ASSERT_EQ(doc.rows().size(), 1u);
    const auto& r = doc.rows()[0];
    EXPECT_EQ(r[1], "   5.00");
    EXPECT_EQ(r[3], "  10.00");
    EXPECT_EQ(r[5], "   0.50");
    EXPECT_EQ(r[9], "apex");

    const std::string text = doc.text();
    EXPECT_EQ(text.rfind("\"Line\",\"X\",\"Y\",\"Length\",\"Area\",\"Width\",\"Tort0\",\"Tort1\",\"Tort1n\",\"comments\",\r\n", 0),
              0u);
    const std::string tail = "\"Subject ID\",\"AB12\"\r\n\"Exam ID\",\"42\"\r\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // The archive carries the text as it stands, without a length prefix.
    Archive ar;
    doc.Serialize(ar);
    EXPECT_EQ(std::string(ar.bytes().begin(), ar.bytes().end()), text);
}

TEST(DimDocument, FollowsItsListLiveAndOutlivesTheImageDocument) {
    auto image = std::make_unique<ZBasicDoc>();
    image->SetTitle("n1.cs1");
    image->addNewDimension(0, {10, 20});
    image->currentDimList().at(0)->addVertex({30, 20});
    image->addNewDimension(0, {0, 0});
    image->currentDimList().at(1)->addVertex({0, 5});

    auto table = std::make_unique<ZDimDoc>();
    table->follow(image.get(), 0);
    EXPECT_EQ(ZDimDoc::following(*image, 0), table.get());
    EXPECT_EQ(table->GetTitle(), "Dimensions - n1.cs1, list 0");
    ASSERT_EQ(table->rows().size(), 2u);
    EXPECT_EQ(table->units(), "pixel");
    // A listener is no view: closing the image window still asks to save.
    EXPECT_TRUE(image->views().empty());

    // Changes reach the table when the document tells its views; deleted
    // rows go, calibration shows.
    image->removeObject(1);
    { ImageCalibration c = image->calibration(); c.calibrated = true; c.xScale = 0.5; c.yScale = 0.5; image->setCalibration(c); }
    image->SetTitle("renamed.cs1");
    ASSERT_EQ(table->rows().size(), 1u);
    EXPECT_EQ(table->rows()[0][3], "  10.00");
    EXPECT_EQ(table->units(), "um");
    EXPECT_EQ(table->GetTitle(), "Dimensions - renamed.cs1, list 0");

    image.reset();
    EXPECT_EQ(table->source(), nullptr);
    EXPECT_EQ(table->GetTitle(), "Dimensions - renamed.cs1, list 0 (closed)");
    EXPECT_EQ(table->rows().size(), 1u);

    // A table that goes first leaves no listener behind.
    auto second = std::make_unique<ZBasicDoc>();
    table->follow(second.get(), 2);
    EXPECT_EQ(second->listeners().size(), 1u);
    table.reset();
    EXPECT_TRUE(second->listeners().empty());
}

TEST(DimDocument, AnOpenedCsvIsNeverWrittenOverSavingAsksForAnotherName) {
    ordavia::test::TestServices sv;
    testsupport::ScratchDir tmp("dimdoc");
    const std::string sheet = tmp / "sheet.csv";
    const std::string original = "=SUM(A1:A3),2\r\n1,2\r\n";
    ASSERT_TRUE(writeFileAtomically(sheet, original));
    ZDimDoc doc;
    sv.adopt(doc);
    ASSERT_TRUE(doc.OnOpenDocument(sheet));
    doc.SetPathName(sheet);

    // Save: the dialog comes, proposing a new name; cancelled, nothing written.
    EXPECT_TRUE(testsupport::shown(sv.prompter, doc.OnFileSave()).isCancelled());
    EXPECT_TRUE(sv.prompter.messages().empty());
    EXPECT_EQ(sv.prompter.lastProposedName, tmp / "sheet-new.csv");
    // The original picked in the dialog is refused in words.
    sv.prompter.pushSaveFile(sheet);
    EXPECT_FALSE(testsupport::shown(sv.prompter, doc.DoFileSave()));
    ASSERT_EQ(sv.prompter.messages().size(), 1u);
    EXPECT_EQ(sv.prompter.asked.back().icon, MsgIcon::Warning);
    EXPECT_NE(sv.prompter.messages()[0].find("cannot write it back"), std::string::npos);
    const auto bytes = testsupport::readBytes(sheet);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), original);

    sv.prompter.pushSaveFile(tmp / "dims.csv");
    EXPECT_TRUE(doc.OnFileSave());
    EXPECT_EQ(doc.GetPathName(), tmp / "dims.csv");
}
