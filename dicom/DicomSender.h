#pragma once
// Sending DICOM files to an archive with C-STORE over one association.
// An object counts as sent only when the archive acknowledged it with a
// success or warning status; every other answer, and every object not
// reached because the association failed or the user cancelled, is
// refused with its reason.
#include <functional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "dicom/PacsNode.h"

namespace ordavia {

struct DicomRefusal {
    std::string file;
    std::string reason;
};

struct DicomSendReport {
    std::vector<std::string> sent;
    std::vector<DicomRefusal> refused;
    bool cancelled = false;
};

// Called before each file (index, count); false cancels what is left.
using DicomSendProgress = std::function<bool(int done, int total)>;

// Seconds the sender waits for the archive to connect, answer the
// association and answer each object.
constexpr int kDicomNetworkTimeout = 30;

// Fails only when nothing could be tried (the files cannot be read, the
// archive cannot be reached or refuses the association); the report then
// lists every file as refused too.
DicomSendReport sendDicomFiles(const PacsNode& node, const std::vector<std::string>& files,
                               const DicomSendProgress& progress = {});

}  // namespace ordavia
