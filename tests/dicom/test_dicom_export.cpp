// An examination exported as DICOM: every object passes dciodvfy (the
// validator of dicom3tools), pictures come back with their pixels and
// calibration, the study and instance UIDs stay the same when exporting
// again, and an anonymised export is consistent within itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "db/ExamStudy.h"
#include "dicom/DicomPicture.h"
#include "image/ImageFormats.h"
#include "video/CMotivaDoc.h"
#include "tests/support/DicomExam.h"

using namespace ordavia;
using namespace dicomtest;

namespace {

struct Export : DicomExamTest {};

}  // namespace

TEST_F(Export, EveryObjectPassesTheValidatorAndPicturesComeBackExactly) {
    const DicomExport e = exported("out");
    ASSERT_EQ(e.files.size(), 4u);  // two pictures, the recording, the report
    EXPECT_EQ(e.skipped, std::vector<std::string>{"flow.zv1"});
    EXPECT_TRUE(e.failed.empty());
    if (::access("/usr/bin/dciodvfy", X_OK) != 0) GTEST_SKIP() << "dciodvfy (dicom3tools) is not installed";
    for (const auto& f : e.files) EXPECT_EQ(validatorErrors(f.path), "") << f.source;

    DicomPicture pic;
    ASSERT_TRUE(readDicomFile(fileFor(e, "pic.cs1"), pic));
    EXPECT_TRUE(holdsColourPicture(pic));
    EXPECT_DOUBLE_EQ(pic.columnSpacingMm, kUmX / 1000);
    EXPECT_DOUBLE_EQ(pic.rowSpacingMm, kUmY / 1000);
    EXPECT_EQ(pic.patientName, "Smith^Ann");
    EXPECT_EQ(pic.patientId, "AB12");
    EXPECT_EQ(pic.sopClassUid, "1.2.840.10008.5.1.4.1.1.77.1.4");

    // The grey picture through the picture reader every command uses.
    CZVimage grey;
    ASSERT_TRUE(loadPicture(fileFor(e, "count.bmp"), grey, GreyWeights{}));
    ASSERT_EQ(grey.width(), kGreyW);
    ASSERT_EQ(grey.height(), kGreyH);
    for (int y = 0; y < kGreyH; ++y)
        for (int x = 0; x < kGreyW; ++x) ASSERT_EQ(grey.row(y)[x], uint8_t(x * 6 + y)) << x << "," << y;

    DicomPicture movie;
    ASSERT_TRUE(readDicomFile(fileFor(e, "rec.mve"), movie));
    EXPECT_EQ(movie.frames, kFrames);
    EXPECT_EQ(movie.width, kMovieW);
    EXPECT_DOUBLE_EQ(movie.frameTimeMs, 40.0);  // a movie file alone plays at the capture rate
    const auto frame1 = testsupport::testFrame(1, kMovieW, kMovieRows);
    EXPECT_TRUE(std::equal(frame1.begin(), frame1.end(), movie.frame(1)));
}

TEST_F(Export, ExportingAgainKeepsTheStudyAndEveryInstanceUid) {
    const DicomExport first = exported("a");
    const auto kept = storedStudyUid(db, kExam);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->value_or(""), first.studyUid);
    db.close();
    ASSERT_TRUE(db.openPath(path("orda.db")));
    const DicomExport second = exported("b");
    EXPECT_EQ(second.studyUid, first.studyUid);
    DicomPicture a, b;
    ASSERT_TRUE(readDicomFile(fileFor(first, "rec.mve"), a));
    ASSERT_TRUE(readDicomFile(fileFor(second, "rec.mve"), b));
    EXPECT_EQ(a.sopInstanceUid, b.sopInstanceUid);
}

TEST_F(Export, AnonymisedExportUsesOnePseudonymAndOneDateShiftAndLeavesTheReportOut) {
    const DicomExport plain = exported("plain");
    const DicomExport anon = exported("anon", true);
    ASSERT_EQ(anon.files.size(), 3u);  // no report: it names the subject
    EXPECT_NE(anon.studyUid, plain.studyUid);
    std::string pseudonym;
    for (const auto& f : anon.files) {
        DicomPicture p, q;
        ASSERT_TRUE(readDicomFile(f.path, p));
        ASSERT_TRUE(readDicomFile(fileFor(plain, f.source), q));
        EXPECT_EQ(p.studyUid, anon.studyUid);
        EXPECT_EQ(p.patientName.find("Smith"), std::string::npos);
        if (pseudonym.empty()) pseudonym = p.patientId;
        EXPECT_EQ(p.patientId, pseudonym);
        EXPECT_EQ(p.patientName, pseudonym);
        EXPECT_NE(p.studyDate, q.studyDate);
        EXPECT_NE(p.sopInstanceUid, q.sopInstanceUid);
    }
    // Still exported the plain way afterwards: the kept UID is untouched.
    EXPECT_EQ(exported("again").studyUid, plain.studyUid);
}

TEST_F(Export, AMissingFileIsNamedAndTheRestIsStillWritten) {
    std::filesystem::remove(inExam("count.bmp"));
    const DicomExport e = exported("out");
    ASSERT_EQ(e.failed.size(), 1u);
    EXPECT_EQ(e.failed[0].file, "count.bmp");
    EXPECT_EQ(e.files.size(), 3u);
}

TEST_F(Export, ExportedObjectsOpenAgainAsACalibratedPictureAndAVideo) {
    const DicomExport e = exported("out");
    ZBasicDoc doc;
    svc.adopt(doc);
    doc.OnNewDocument();
    ASSERT_TRUE(doc.importImage(fileFor(e, "pic.cs1")));
    EXPECT_TRUE(doc.calibration().calibrated);
    EXPECT_DOUBLE_EQ(doc.calibration().xScale, kUmX);
    EXPECT_DOUBLE_EQ(doc.calibration().yScale, kUmY);
    ASSERT_EQ(doc.image().colour(), CZVimage::kColour);
    uint8_t rgb[3];
    colourAt(5, 7, rgb);
    EXPECT_EQ(doc.image().row(7)[3 * 5], rgb[2]);  // blue first in our pictures
    EXPECT_EQ(doc.image().row(7)[3 * 5 + 2], rgb[0]);

    CMotivaDoc video;
    svc.adopt(video);
    video.setQuiet(true);
    ASSERT_TRUE(video.OnNewDocument());
    ASSERT_TRUE(video.importAvi(fileFor(e, "rec.mve")));
    EXPECT_EQ(video.movie().count(), kFrames);
    EXPECT_DOUBLE_EQ(video.framesPerSecond(), 25.0);
    const auto frame2 = testsupport::testFrame(2, kMovieW, kMovieRows);
    EXPECT_EQ(video.movie().GoTo(2).row(3)[4], frame2[3 * kMovieW + 4]);
}
