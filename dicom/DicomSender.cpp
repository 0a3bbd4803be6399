#include "dicom/DicomSender.h"

#include <map>
#include <set>

#include "base/Text.h"
#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcuid.h"
#include "dcmtk/dcmnet/scu.h"
#include "dicom/DicomToolkit.h"

namespace ordavia {

namespace {

struct Object {
    std::string file, sopClass, transferSyntax;
};

// The archive's status words (PS3.4 annex B and PS3.7 annex C): the
// meaning for the message, so that a refusal says why.
std::string statusText(Uint16 s) {
    const char* what = "refused";
    if ((s & 0xFF00) == 0xA700) what = "out of resources";
    else if ((s & 0xFF00) == 0xA900) what = "data set does not match SOP class";
    else if ((s & 0xF000) == 0xC000) what = "cannot understand";
    else if (s == 0x0122) what = "SOP class not supported";
    else if (s == 0x0124) what = "not authorised";
    else if (s == 0x0211) what = "unrecognised operation";
    else if (s == 0x0212) what = "mistyped argument";
    else if (s == 0xFE00) what = "cancelled";
    return strprintf("refused by the archive (status 0x%04X, %s)", unsigned(s), what);
}

bool acknowledged(Uint16 s) {
    // Success, or a warning: the object is stored (perhaps coerced).
    return s == 0x0000 || s == 0x0001 || (s & 0xF000) == 0xB000;
}

}  // namespace

DicomSendReport sendDicomFiles(const PacsNode& node, const std::vector<std::string>& files,
                               const DicomSendProgress& progress) {
    prepareDicomToolkit();
    DicomSendReport report;
    auto refuseRest = [&](size_t from, const std::string& reason) {
        for (size_t i = from; i < files.size(); ++i) report.refused.push_back({files[i], reason});
    };
    if (Status s = checkPacsNode(node); !s) {
        refuseRest(0, s.reason());
        return report;
    }
    // What each file is, from its meta header.
    std::vector<Object> objects;
    std::map<std::string, std::set<std::string>> contexts;
    std::vector<size_t> readable;
    for (size_t i = 0; i < files.size(); ++i) {
        DcmFileFormat ff;
        OFString sopClass, xfer;
        if (ff.loadFile(OFFilename(files[i].c_str()), EXS_Unknown, EGL_noChange, 0, ERM_metaOnly).bad() ||
            ff.getMetaInfo()->findAndGetOFString(DCM_MediaStorageSOPClassUID, sopClass).bad() ||
            ff.getMetaInfo()->findAndGetOFString(DCM_TransferSyntaxUID, xfer).bad()) {
            report.refused.push_back({files[i], "not a DICOM file that can be sent"});
            continue;
        }
        objects.push_back({files[i], sopClass.c_str(), xfer.c_str()});
        contexts[sopClass.c_str()].insert(xfer.c_str());
    }
    if (objects.empty()) return report;

    DcmSCU scu;
    scu.setAETitle(node.callingAeTitle.c_str());
    scu.setPeerAETitle(node.aeTitle.c_str());
    scu.setPeerHostName(node.host.c_str());
    scu.setPeerPort(Uint16(node.port));
    scu.setConnectionTimeout(kDicomNetworkTimeout);
    scu.setACSETimeout(kDicomNetworkTimeout);
    scu.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    scu.setDIMSETimeout(kDicomNetworkTimeout);
    for (const auto& [sopClass, xfers] : contexts) {
        OFList<OFString> ts;
        for (const std::string& x : xfers) ts.push_back(x.c_str());
        if (!xfers.count(UID_LittleEndianExplicitTransferSyntax)) ts.push_back(UID_LittleEndianExplicitTransferSyntax);
        (void)scu.addPresentationContext(sopClass.c_str(), ts);
    }
    const std::string where = node.aeTitle + "@" + node.host + ":" + std::to_string(node.port);
    auto refuseObjects = [&](size_t from, const std::string& reason) {
        for (size_t i = from; i < objects.size(); ++i) report.refused.push_back({objects[i].file, reason});
    };
    OFCondition c = scu.initNetwork();
    if (c.good()) c = scu.negotiateAssociation();
    if (c.bad()) {
        refuseObjects(0, "the archive " + where + " could not be reached or refused the association (" +
                             std::string(c.text()) + ")");
        return report;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (progress && !progress(int(i), int(objects.size()))) {
            report.cancelled = true;
            refuseObjects(i, "not sent: cancelled");
            break;
        }
        const Object& o = objects[i];
        const T_ASC_PresentationContextID pc = scu.findPresentationContextID(o.sopClass.c_str(), o.transferSyntax.c_str());
        if (pc == 0) {
            report.refused.push_back({o.file, "the archive does not take this kind of object (" +
                                                  std::string(dcmFindNameOfUID(o.sopClass.c_str(), o.sopClass.c_str())) + ")"});
            continue;
        }
        Uint16 status = 0xFFFF;
        c = scu.sendSTORERequest(pc, OFFilename(o.file.c_str()), nullptr, status);
        if (c.bad()) {
            // The association is gone: nothing after this reaches the archive.
            report.refused.push_back({o.file, "not acknowledged by the archive (" + std::string(c.text()) + ")"});
            refuseObjects(i + 1, "not sent: the association with " + where + " was lost");
            scu.abortAssociation();
            return report;
        }
        if (acknowledged(status)) report.sent.push_back(o.file);
        else report.refused.push_back({o.file, statusText(status)});
    }
    if (progress && !report.cancelled) (void)progress(int(objects.size()), int(objects.size()));
    (void)scu.releaseAssociation();
    return report;
}

}  // namespace ordavia
