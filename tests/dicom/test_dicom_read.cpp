// DICOM files that are not what they claim: each gives a clear reason and
// allocates nothing it cannot justify. The files are made by our writer and
// then damaged byte by byte.
#include <gtest/gtest.h>

#include <unistd.h>


#include "dicom/DicomPicture.h"
#include "dicom/DicomUid.h"
#include "dicom/DicomWriter.h"
#include "dicom/PacsNode.h"
#include "tests/support/MveBytes.h"
#include "tests/support/DicomExam.h"
#include "tests/support/TempFolderTest.h"

using namespace ordavia;

namespace {

class Read : public TempFolderTest {
protected:
    // A grey object of w x h x frames whose pixel value is its index.
    std::vector<uint8_t> written(int w, int h, int frames, bool colour = false) {
        DicomStudyInfo study;
        study.studyUid = newDicomUid();
        DicomObjectInfo object;
        object.seriesUid = derivedDicomUid(study.studyUid + "/s");
        object.sopUid = derivedDicomUid(study.studyUid + "/o");
        DicomPixelSource p;
        p.width = w, p.height = h, p.frames = frames, p.colour = colour;
        p.frameTimeMs = 33.3;
        p.frame = [w, h, colour](int f, uint8_t* d) {
            for (int i = 0; i < w * h * (colour ? 3 : 1); ++i) d[i] = uint8_t(i + f);
            return Status::success();
        };
        EXPECT_TRUE(writeDicomPicture(path("o.dcm"), study, object, p));
        return testsupport::readBytes(path("o.dcm"));
    }
    // Where a tag's value length sits (explicit VR with a 2-byte length).
    static size_t lengthOf(const std::vector<uint8_t>& b, uint16_t group, uint16_t element) {
        for (size_t i = 132; i + 8 < b.size(); ++i)
            if (b[i] == (group & 0xFF) && b[i + 1] == group >> 8 && b[i + 2] == (element & 0xFF) &&
                b[i + 3] == element >> 8)
                return i + 6;
        return 0;
    }
};

}  // namespace

TEST_F(Read, DamagedFilesGiveAReason) {
    const std::vector<uint8_t> good = written(16, 8, 2);
    DicomPicture pic;
    ASSERT_TRUE(readDicom(good.data(), good.size(), pic));
    EXPECT_EQ(pic.frames, 2);
    EXPECT_EQ(pic.frame(1)[3], 4);

    // Cut short inside the pixels.
    Status s = readDicom(good.data(), good.size() - 40, pic);
    EXPECT_FALSE(s);
    // Rows claimed larger than the pixels hold: refused, not read past the end.
    std::vector<uint8_t> tall = good;
    const size_t rows = lengthOf(tall, 0x0028, 0x0010);
    ASSERT_GT(rows, 0u);
    tall[rows + 2] = 0xFF, tall[rows + 3] = 0x7F;
    s = readDicom(tall.data(), tall.size(), pic);
    ASSERT_FALSE(s);
    EXPECT_NE(s.reason().find("shorter"), std::string::npos) << s.reason();
    // Thousands of frames claimed by a small file.
    std::vector<uint8_t> many = good;
    const size_t frames = lengthOf(many, 0x0028, 0x0008);
    ASSERT_GT(frames, 0u);
    many[frames + 2] = '9';
    s = readDicom(many.data(), many.size(), pic);
    EXPECT_FALSE(s);
    // A length the file cannot hold is refused before anything is
    // allocated for it (the toolkit would ask for it first).
    std::vector<uint8_t> huge = good;
    const size_t px = lengthOf(huge, 0x7FE0, 0x0010);
    ASSERT_GT(px, 0u);
    huge[px + 5] = 0x40;  // the 4-byte length after "OB" and two reserved bytes
    s = readDicom(huge.data(), huge.size(), pic);
    ASSERT_FALSE(s);
    EXPECT_NE(s.reason().find("longer than the file"), std::string::npos) << s.reason();
    // No pixels at all, and not DICOM at all.
    const std::vector<uint8_t> noise(300, 0x5A);
    EXPECT_FALSE(readDicom(noise.data(), noise.size(), pic));
    EXPECT_FALSE(readDicom(good.data(), 200, pic));
    // The picture before a failed read is kept.
    EXPECT_EQ(pic.frames, 2);
}

TEST_F(Read, UidsAndArchiveNodesAreChecked) {
    EXPECT_TRUE(isDicomUid(newDicomUid()));
    EXPECT_NE(newDicomUid(), newDicomUid());
    EXPECT_EQ(derivedDicomUid("a/b"), derivedDicomUid("a/b"));
    EXPECT_NE(derivedDicomUid("a/b"), derivedDicomUid("a/c"));
    EXPECT_FALSE(isDicomUid("1.02.3"));

    const auto n = parsePacsNode("PACS@[::1]:11112");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->aeTitle, "PACS");
    EXPECT_EQ(n->host, "::1");
    EXPECT_EQ(n->port, 11112);
    for (const char* bad : {"PACS@host", "@host:104", "PACS@host:0", "PACS@host:70000", "PACS@:104",
                            "A_TITLE_OF_SEVENTEEN@h:1", "PACS@host:1x"})
        EXPECT_FALSE(parsePacsNode(bad)) << bad;
}

TEST_F(Read, SixteenBitGreyIsWindowedAndMonochrome1Inverted) {
    // 3 x 2 signed 12-bit values 0, 256, 512, -1, -2048, 1024 with the
    // window 100 / 400 (from -100 to 299), white as zero.
    DicomPicture pic;
    ASSERT_TRUE(readDicomFile(ORDAVIA_SOURCE_DIR "/tests/fuzz/corpus/fuzz_dicom/grey16-monochrome1-window.dcm", pic));
    EXPECT_EQ(pic.bitsStored, 12);
    EXPECT_EQ(pic.pixels, (std::vector<uint8_t>{191, 27, 0, 192, 255, 0}));
    EXPECT_DOUBLE_EQ(pic.rowSpacingMm, 0.01);
    EXPECT_DOUBLE_EQ(pic.columnSpacingMm, 0.02);
    // RLE decodes to the same pixels as the plain form; JPEG is refused
    // with its name (the toolkit's decoder can hang on hostile streams).
    DicomPicture plain, rle, jpeg;
    ASSERT_TRUE(readDicomFile(ORDAVIA_SOURCE_DIR "/tests/fuzz/corpus/fuzz_dicom/grey8-two-frames.dcm", plain));
    ASSERT_TRUE(readDicomFile(ORDAVIA_SOURCE_DIR "/tests/fuzz/corpus/fuzz_dicom/grey8-rle.dcm", rle));
    EXPECT_EQ(rle.pixels, plain.pixels);
    const Status s = readDicomFile(ORDAVIA_SOURCE_DIR "/tests/fuzz/corpus/fuzz_dicom/grey8-jpeg-lossless.dcm", jpeg);
    ASSERT_FALSE(s);
    EXPECT_NE(s.reason().find("JPEG"), std::string::npos) << s.reason();
    EXPECT_DOUBLE_EQ(plain.frameTimeMs, 40.0);
}

TEST_F(Read, ColourVideosPassTheValidatorAndLongOnesAreRefusedBeforeAllocating) {
    const std::vector<uint8_t> colour = written(12, 10, 3, true);
    DicomPicture pic;
    ASSERT_TRUE(readDicom(colour.data(), colour.size(), pic));
    EXPECT_TRUE(pic.colour);
    EXPECT_EQ(pic.frame(2)[5], 7);
    EXPECT_DOUBLE_EQ(pic.frameTimeMs, 33.3);
    if (::access("/usr/bin/dciodvfy", X_OK) == 0) {
        EXPECT_EQ(dicomtest::validatorErrors(path("o.dcm")), "");
    }

    DicomPixelSource p;
    p.width = 4096, p.height = 4096, p.frames = 40;  // 640 MB of grey pixels
    int asked = 0;
    p.frame = [&](int, uint8_t*) { return ++asked, Status::success(); };
    const Status s = writeDicomPicture(path("long.dcm"), DicomStudyInfo{}, DicomObjectInfo{}, p);
    ASSERT_FALSE(s);
    EXPECT_NE(s.reason().find("more than the 512 MB one DICOM object holds"), std::string::npos) << s.reason();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(std::filesystem::exists(path("long.dcm")));
}
