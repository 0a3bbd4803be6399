#pragma once
// An examination to export as DICOM: a data folder with its database, the
// subject AB12 (Ann Smith) and examination 42 holding a calibrated colour
// picture document, a grey picture filed by a command, a three-frame
// recording and a chart (which has no DICOM form), with a small PDF for
// the report. The pictures' pixels are kept to compare what comes back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/DicomExamExport.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "dicom/DicomPicture.h"
#include "image/CZVimage.h"
#include "measure/ZBasicDoc.h"
#include "tests/support/MveBytes.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TestServices.h"

namespace dicomtest {

// dciodvfy's errors on a file, one line each ("" when there are none).
inline std::string validatorErrors(const std::string& file) {
    std::string out;
    if (FILE* p = popen(("dciodvfy -new '" + file + "' 2>&1 | grep '^Error'").c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The colour picture's pixel (x, y), red first.
inline void colourAt(int x, int y, uint8_t rgb[3]) {
    rgb[0] = uint8_t(x * 3 + y), rgb[1] = uint8_t(y * 5), rgb[2] = uint8_t(255 - x);
}
constexpr int kColourW = 64, kColourH = 48, kGreyW = 40, kGreyH = 30, kMovieW = 32, kMovieRows = 24, kFrames = 3;
constexpr double kUmX = 2.5, kUmY = 2.0;  // the picture document's calibration
constexpr int64_t kExam = 42;

class DicomExamTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_TRUE(db.openPath(path("orda.db")));
        ASSERT_TRUE(ordavia::insertSubject(db.handle(), "AB12"));
        ASSERT_TRUE(ordavia::updateSubject(db.handle(), "AB12", "Ann", "Smith", ""));
        ASSERT_TRUE(ordavia::insertExam(db.handle(), kExam, "AB12", "left ring", "", "42-AB12"));
        std::filesystem::create_directories(dir_ / "42-AB12");

        CZVimage colour(kColourW, kColourH, 0, CZVimage::kFrame, CZVimage::kColour);
        for (int y = 0; y < kColourH; ++y)
            for (int x = 0; x < kColourW; ++x) {
                uint8_t rgb[3];
                colourAt(x, y, rgb);
                uint8_t* p = colour.row(y) + 3 * x;
                p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0];
            }
        ASSERT_TRUE(colour.Save(inExam("pic.bmp")));
        ZBasicDoc pic;
        svc.adopt(pic);
        pic.OnNewDocument();
        pic.setImageFile(inExam("pic.bmp"), 0);
        pic.setImage(std::move(colour));
        ASSERT_TRUE(pic.setCalibration({.xScale = kUmX, .yScale = kUmY, .calibrated = true, .units = "um"}));
        ASSERT_TRUE(pic.DoSave(inExam("pic.cs1"), true));

        CZVimage grey(kGreyW, kGreyH, 0, CZVimage::kFrame, CZVimage::kGrey);
        for (int y = 0; y < kGreyH; ++y)
            for (int x = 0; x < kGreyW; ++x) grey.row(y)[x] = uint8_t(x * 6 + y);
        ASSERT_TRUE(grey.Save(inExam("count.bmp")));
        testsupport::writeBytes(inExam("rec.mve"), testsupport::mveCurrent(kMovieW, kMovieRows, kFrames, kFrames, 0));
        writeFile(inExam("flow.zv1"), "a chart");
        for (const char* name : {"pic.cs1", "count.bmp", "rec.mve", "flow.zv1"})
            ASSERT_TRUE(ordavia::insertResult(db.handle(), kExam, name, "r"));
    }
    std::string inExam(const std::string& name) const { return (dir_ / "42-AB12" / name).string(); }

    // A report of a few bytes in the PDF form.
    ordavia::DicomExportOptions options(bool anonymise = false) {
        ordavia::DicomExportOptions o;
        o.anonymise = anonymise;
        o.writeReport = [](const std::string& p) {
            writeFile(p, "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n");
            return ordavia::Status::success();
        };
        return o;
    }
    ordavia::DicomExport exported(const std::string& folder, bool anonymise = false) {
        auto r = ordavia::exportExamToDicom(db, kExam, path(folder), svc.services, options(anonymise));
        EXPECT_TRUE(r) << r.reason();
        return r ? *r : ordavia::DicomExport{};
    }
    static std::string fileFor(const ordavia::DicomExport& e, const std::string& source) {
        for (const auto& f : e.files)
            if (f.source == source) return f.path;
        return {};
    }
    // Whether a decoded DICOM picture holds the colour picture exactly.
    static bool holdsColourPicture(const ordavia::DicomPicture& p) {
        if (p.width != kColourW || p.height != kColourH || !p.colour || p.frames != 1) return false;
        for (int y = 0; y < kColourH; ++y)
            for (int x = 0; x < kColourW; ++x) {
                uint8_t rgb[3];
                colourAt(x, y, rgb);
                const uint8_t* q = p.frame(0) + 3 * (size_t(y) * kColourW + x);
                if (q[0] != rgb[0] || q[1] != rgb[1] || q[2] != rgb[2]) return false;
            }
        return true;
    }

    ordavia::test::TestServices svc;
    ordavia::CSubjectDatabase db;
};

}  // namespace dicomtest
