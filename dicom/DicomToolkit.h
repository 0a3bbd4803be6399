#pragma once
// The toolkit's process-wide set-up, done once before any DICOM work: its
// own log is quietened (failures come back as our Status, with reasons),
// and the RLE decoder is registered. Its JPEG decoder is left out: a
// hostile JPEG stream sends it into an endless scan.
namespace ordavia {
void prepareDicomToolkit();
}  // namespace ordavia
