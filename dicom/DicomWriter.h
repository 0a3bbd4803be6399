#pragma once
// Writing DICOM objects of an examination through DCMTK: still pictures as
// VL Photographic Image objects, videos as multi-frame Secondary Capture
// (true colour or grey byte) with the frame time, the report as an
// Encapsulated PDF. Files are written in Explicit VR Little Endian to a
// temporary name and then renamed over the target.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

// What every object of one examination says about its subject and study.
// Dates are YYYYMMDD, times HHMMSS; any may be empty.
struct DicomStudyInfo {
    std::string patientName, patientId, birthDate, sex;
    std::string studyUid, studyDate, studyTime, studyId, studyDescription;
    std::string laterality;  // "L" or "R" for the left or right hand; empty when not known
};

// One object: its series, its own identity and when it was made.
struct DicomObjectInfo {
    std::string seriesUid;
    int seriesNumber = 1;
    std::string seriesDescription;
    std::string sopUid;
    int instanceNumber = 1;
    std::string date, time;  // acquisition / content
};

// Pixels handed over frame by frame, so that a long video is copied once,
// into the object, and never held twice.
struct DicomPixelSource {
    int width = 0, height = 0, frames = 1;
    bool colour = false;  // RGB, red first; else one grey byte per pixel
    double rowSpacingMm = 0, columnSpacingMm = 0;  // 0: no calibration
    double frameTimeMs = 0;                        // multi-frame objects only
    // Fills frame i (width x height x samples bytes, top row first); a
    // failure stops the writing with its reason.
    std::function<Status(int frame, uint8_t* dst)> frame;
};

// One multi-frame object holds at most this many bytes of pixels (about
// 1,700 grey frames of 640 x 480, or 580 colour ones): a longer video is
// refused with the count, rather than exhausting the memory.
constexpr uint64_t kMaxDicomObjectBytes = uint64_t(512) << 20;

// A single frame as VL Photographic Image, more frames as multi-frame
// Secondary Capture.
Status writeDicomPicture(const std::string& path, const DicomStudyInfo& study, const DicomObjectInfo& object,
                         const DicomPixelSource& pixels);
// The PDF as an Encapsulated PDF object with its title.
Status writeDicomPdf(const std::string& path, const DicomStudyInfo& study, const DicomObjectInfo& object,
                     const std::vector<uint8_t>& pdf, const std::string& title);

}  // namespace ordavia
