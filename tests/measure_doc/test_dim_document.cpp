#include <gtest/gtest.h>

#include "base/Archive.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/ZDimDoc.h"

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
    EXPECT_EQ(r[0], "1");
    EXPECT_EQ(r[1], "   5.00");
    EXPECT_EQ(r[3], "  10.00");
    EXPECT_EQ(r[5], "   0.50");
    EXPECT_EQ(r[9], "apex");
    EXPECT_EQ(doc.GetTitle().rfind("Dimensions", 0), 0u);

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

TEST(DimDocument, EmptyListSavesHeaderAndIdentificationOnly) {
    ZDimDoc doc;
    doc.Fill(0, 0, 1, 1, CDimList{}, TortuosityParams{});
    const std::string text = doc.text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_NE(text.find("\"Exam ID\",\"-1\"\r\n"), std::string::npos);
}
