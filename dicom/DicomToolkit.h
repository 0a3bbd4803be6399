#pragma once
// The toolkit's process-wide set-up, done once before any DICOM work: its
// own log is quietened (failures come back as our Status, with reasons),
// and the JPEG and RLE decoders are registered.
namespace ordavia {
void prepareDicomToolkit();
}  // namespace ordavia
