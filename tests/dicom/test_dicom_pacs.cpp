// Sending an examination to a real archive: Orthanc, started for the test
// on 127.0.0.1, checked through its REST API.
#include <gtest/gtest.h>

#include "dicom/DicomPicture.h"
#include "tests/support/DicomExam.h"
#include "tests/support/OrthancServer.h"

using namespace ordavia;
using namespace dicomtest;

namespace {

struct Pacs : DicomExamTest {
    PacsNode nodeAt(int port) {
        PacsNode n;
        n.aeTitle = OrthancServer::kAeTitle;
        n.host = "127.0.0.1";
        n.port = port;
        return n;
    }
};

}  // namespace

TEST_F(Pacs, AnExaminationArrivesAsOneStudyAndSendingAgainAddsNoSecond) {
    if (!orthancProgram()) GTEST_SKIP() << "Orthanc is not installed";
    OrthancServer orthanc(dir_ / "orthanc");
    ASSERT_TRUE(orthanc.running()) << "Orthanc did not start; see " << (dir_ / "orthanc" / "orthanc.log");

    int progressCalls = 0;
    DicomExportOptions o = options();
    o.progress = [&](int, int, const std::string&) { return ++progressCalls > 0; };
    auto sent = sendExamToPacs(db, kExam, nodeAt(orthanc.dicomPort()), svc.services, o);
    ASSERT_TRUE(sent) << sent.reason();
    EXPECT_EQ(sent->sent.size(), 4u);
    EXPECT_TRUE(sent->refused.empty()) << sent->refused[0].file << ": " << sent->refused[0].reason;
    EXPECT_GT(progressCalls, 4);
    EXPECT_EQ(orthanc.count("patients"), 1);
    EXPECT_EQ(orthanc.count("studies"), 1);
    EXPECT_EQ(orthanc.count("instances"), 4);

    // The calibrated picture read back from the archive.
    const std::string pictureUid = [&] {
        DicomExport e = exported("local");
        DicomPicture p;
        EXPECT_TRUE(readDicomFile(fileFor(e, "pic.cs1"), p));
        return p.sopInstanceUid;
    }();
    bool found = false;
    const std::string list = orthanc.get("/instances");
    for (size_t q = list.find('"'); q != std::string::npos; q = list.find('"', list.find('"', q + 1) + 1)) {
        const std::string id = list.substr(q + 1, list.find('"', q + 1) - q - 1);
        const std::string bytes = orthanc.get("/instances/" + id + "/file");
        DicomPicture p;
        if (!readDicom(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), p) || p.sopInstanceUid != pictureUid)
            continue;
        found = true;
        EXPECT_TRUE(holdsColourPicture(p));
        EXPECT_DOUBLE_EQ(p.columnSpacingMm, kUmX / 1000);
        EXPECT_DOUBLE_EQ(p.rowSpacingMm, kUmY / 1000);
    }
    EXPECT_TRUE(found);

    sent = sendExamToPacs(db, kExam, nodeAt(orthanc.dicomPort()), svc.services, options());
    ASSERT_TRUE(sent) << sent.reason();
    EXPECT_EQ(sent->sent.size(), 4u);
    EXPECT_EQ(orthanc.count("studies"), 1);
    EXPECT_EQ(orthanc.count("instances"), 4);
}

TEST_F(Pacs, NothingCountsAsSentWhenTheArchiveCannotBeReachedOrTheUserCancels) {
    auto sent = sendExamToPacs(db, kExam, nodeAt(freePort()), svc.services, options());
    ASSERT_TRUE(sent) << sent.reason();
    EXPECT_TRUE(sent->sent.empty());
    ASSERT_EQ(sent->refused.size(), 4u);
    EXPECT_NE(sent->refused[0].reason.find("could not be reached"), std::string::npos) << sent->refused[0].reason;

    DicomExportOptions o = options();
    o.progress = [](int done, int, const std::string&) { return done < 2; };
    sent = sendExamToPacs(db, kExam, nodeAt(freePort()), svc.services, o);
    ASSERT_TRUE(sent);
    EXPECT_TRUE(sent->cancelled);
    EXPECT_TRUE(sent->sent.empty());
}
