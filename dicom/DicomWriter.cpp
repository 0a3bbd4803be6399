#include "dicom/DicomWriter.h"

#include <cstdio>
#include <filesystem>

#include "base/Text.h"
#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcpixel.h"
#include "dcmtk/dcmdata/dcsequen.h"
#include "dcmtk/dcmdata/dcuid.h"
#include "dicom/DicomToolkit.h"

namespace ordavia {

namespace {

// Our own series: one per kind of object in an examination.
constexpr const char* kManufacturer = "Ordavia";
constexpr const char* kModel = "Ordavia capillaroscopy workstation";

class Builder {
public:
    explicit Builder(DcmDataset& ds) : ds_(ds) {}
    Builder& put(const DcmTagKey& key, const std::string& value) {
        if (ok_ && ds_.putAndInsertString(key, value.c_str()).bad()) fail(key);
        return *this;
    }
    Builder& put16(const DcmTagKey& key, Uint16 value) {
        if (ok_ && ds_.putAndInsertUint16(key, value).bad()) fail(key);
        return *this;
    }
    Builder& emptySequence(const DcmTagKey& key) {
        if (ok_ && ds_.insertEmptyElement(key).bad()) fail(key);
        return *this;
    }
    Status status() const { return ok_ ? Status::success() : Status::failure(reason_); }

private:
    void fail(const DcmTagKey& key) {
        ok_ = false;
        reason_ = "the DICOM attribute " + std::string(key.toString().c_str()) + " could not be set";
    }
    DcmDataset& ds_;
    bool ok_ = true;
    std::string reason_;
};

std::string ds(double v) {
    // Decimal strings hold at most 16 characters.
    std::string s = strprintf("%.10g", v);
    return s.size() > 16 ? strprintf("%.6g", v) : s;
}

void common(Builder& b, const DicomStudyInfo& s, const DicomObjectInfo& o, const char* sopClass,
            const char* modality) {
    b.put(DCM_SpecificCharacterSet, "ISO_IR 192")
        .put(DCM_SOPClassUID, sopClass)
        .put(DCM_SOPInstanceUID, o.sopUid)
        .put(DCM_PatientName, s.patientName)
        .put(DCM_PatientID, s.patientId)
        .put(DCM_PatientBirthDate, s.birthDate)
        .put(DCM_PatientSex, s.sex)
        .put(DCM_StudyInstanceUID, s.studyUid)
        .put(DCM_StudyDate, s.studyDate)
        .put(DCM_StudyTime, s.studyTime)
        .put(DCM_ReferringPhysicianName, "")
        .put(DCM_StudyID, s.studyId)
        .put(DCM_AccessionNumber, "")
        .put(DCM_StudyDescription, s.studyDescription)
        .put(DCM_Modality, modality)
        .put(DCM_SeriesInstanceUID, o.seriesUid)
        .put(DCM_SeriesNumber, std::to_string(o.seriesNumber))
        .put(DCM_SeriesDescription, o.seriesDescription)
        .put(DCM_Laterality, s.laterality)
        .put(DCM_Manufacturer, kManufacturer)
        .put(DCM_ManufacturerModelName, kModel)
        .put(DCM_InstanceNumber, std::to_string(o.instanceNumber))
        .put(DCM_ContentDate, o.date)
        .put(DCM_ContentTime, o.time);
}

Status save(DcmFileFormat& ff, const std::string& path) {
    // Beside the target, so that the rename replaces it in one step.
    const std::string tmp = path + ".part";
    const OFCondition c =
        ff.saveFile(OFFilename(tmp.c_str()), EXS_LittleEndianExplicit, EET_ExplicitLength, EGL_recalcGL,
                    EPD_withoutPadding, 0, 0, EWM_createNewMeta);
    if (c.bad()) {
        std::remove(tmp.c_str());
        return Status::failure(path + ": " + c.text());
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        return Status::failure(path + ": " + ec.message());
    }
    return Status::success();
}

Status fillPixels(DcmDataset& dset, const DicomPixelSource& p) {
    const uint64_t frameBytes = uint64_t(p.width) * uint64_t(p.height) * (p.colour ? 3u : 1u);
    const uint64_t total = frameBytes * uint64_t(p.frames);
    if (p.width <= 0 || p.height <= 0 || p.frames <= 0 || p.width > 65535 || p.height > 65535)
        return Status::failure(strprintf("a picture of %d x %d pixels and %d frames cannot be written", p.width,
                                         p.height, p.frames));
    if (total > kMaxDicomObjectBytes)
        return Status::failure(strprintf("%d frames of %d x %d pixels are more than the %llu MB one DICOM object holds",
                                         p.frames, p.width, p.height,
                                         static_cast<unsigned long long>(kMaxDicomObjectBytes >> 20)));
    auto* px = new DcmPixelData(DCM_PixelData);
    if (dset.insert(px, true).bad()) {
        delete px;
        return Status::failure("the pixels could not be added");
    }
    px->setVR(EVR_OB);
    Uint8* buf = nullptr;
    // Odd lengths are padded with one zero byte.
    const uint64_t padded = total + (total & 1);
    if (px->createUint8Array(Uint32(padded), buf).bad() || !buf)
        return Status::failure(StatusCode::NoMemory, "not enough memory for the pixels");
    buf[padded - 1] = 0;
    for (int i = 0; i < p.frames; ++i)
        if (Status s = p.frame(i, buf + uint64_t(i) * frameBytes); !s) return s;
    return Status::success();
}

}  // namespace

Status writeDicomPicture(const std::string& path, const DicomStudyInfo& study, const DicomObjectInfo& object,
                         const DicomPixelSource& p) {
    prepareDicomToolkit();
    DcmFileFormat ff;
    DcmDataset& d = *ff.getDataset();
    Builder b(d);
    const bool multi = p.frames > 1;
    const char* sopClass = !multi ? UID_VLPhotographicImageStorage
                           : p.colour ? UID_MultiframeTrueColorSecondaryCaptureImageStorage
                                      : UID_MultiframeGrayscaleByteSecondaryCaptureImageStorage;
    common(b, study, object, sopClass, "XC");
    b.put(DCM_PatientOrientation, "")
        .put(DCM_AcquisitionDate, object.date)
        .put(DCM_AcquisitionTime, object.time)
        .put(DCM_ImageType, multi ? "DERIVED\\SECONDARY" : "ORIGINAL\\PRIMARY")
        .put16(DCM_SamplesPerPixel, p.colour ? 3 : 1)
        .put(DCM_PhotometricInterpretation, p.colour ? "RGB" : "MONOCHROME2")
        .put16(DCM_Rows, Uint16(p.height))
        .put16(DCM_Columns, Uint16(p.width))
        .put16(DCM_BitsAllocated, 8)
        .put16(DCM_BitsStored, 8)
        .put16(DCM_HighBit, 7)
        .put16(DCM_PixelRepresentation, 0)
        .put(DCM_LossyImageCompression, "00");
    if (p.colour) b.put16(DCM_PlanarConfiguration, 0);
    if (p.rowSpacingMm > 0 && p.columnSpacingMm > 0)
        b.put(DCM_PixelSpacing, ds(p.rowSpacingMm) + "\\" + ds(p.columnSpacingMm));
    if (!multi) {
        b.emptySequence(DCM_AcquisitionContextSequence);
    } else {
        b.put(DCM_ConversionType, "DV")
            .put(DCM_BurnedInAnnotation, "NO")
            .put(DCM_NumberOfFrames, std::to_string(p.frames));
        if (d.putAndInsertTagKey(DCM_FrameIncrementPointer, DCM_FrameTime).bad())
            return Status::failure(path + ": the frame pointer could not be set");
        b.put(DCM_FrameTime, ds(p.frameTimeMs > 0 ? p.frameTimeMs : 40.0));
        if (!p.colour)
            b.put(DCM_PresentationLUTShape, "IDENTITY")
                .put(DCM_RescaleIntercept, "0")
                .put(DCM_RescaleSlope, "1")
                .put(DCM_RescaleType, "US");
    }
    if (Status s = b.status(); !s) return s.context(path);
    if (Status s = fillPixels(d, p); !s) return s.context(path);
    return save(ff, path);
}

Status writeDicomPdf(const std::string& path, const DicomStudyInfo& study, const DicomObjectInfo& object,
                     const std::vector<uint8_t>& pdf, const std::string& title) {
    prepareDicomToolkit();
    if (pdf.empty()) return Status::failure(path + ": the report is empty");
    if (pdf.size() > kMaxDicomObjectBytes) return Status::failure(path + ": the report is too large for one object");
    DcmFileFormat ff;
    DcmDataset& d = *ff.getDataset();
    Builder b(d);
    common(b, study, object, UID_EncapsulatedPDFStorage, "DOC");
    b.put(DCM_ConversionType, "WSD")
        .put(DCM_AcquisitionDateTime, object.date + object.time)
        .put(DCM_BurnedInAnnotation, "YES")
        .put(DCM_DocumentTitle, title)
        .emptySequence(DCM_ConceptNameCodeSequence)
        .put(DCM_MIMETypeOfEncapsulatedDocument, "application/pdf");
    if (Status s = b.status(); !s) return s.context(path);
    if (d.putAndInsertUint32(DCM_EncapsulatedDocumentLength, Uint32(pdf.size())).bad())
        return Status::failure(path + ": the document length could not be set");
    std::vector<uint8_t> even(pdf);
    if (even.size() & 1) even.push_back(0);
    if (d.putAndInsertUint8Array(DCM_EncapsulatedDocument, even.data(), static_cast<unsigned long>(even.size())).bad())
        return Status::failure(path + ": the report could not be added");
    return save(ff, path);
}

}  // namespace ordavia
