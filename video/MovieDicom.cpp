// Multi-frame DICOM pictures as movies: the frames are decoded once into a
// memory movie (bounded by the DICOM reader's limit on pixel bytes), and
// the file's frame time becomes the movie's rate.
#include <cmath>
#include <cstring>

#include "base/Text.h"
#include "dicom/DicomPicture.h"
#include "video/CZVMovie.h"

using namespace ordavia;

Status CZVMovie::openDicom(const std::string& path) {
    DicomPicture pic;
    if (Status s = readDicomFile(path, pic); !s) return s;
    Close();
    storage_ = MovieStorage::memory();
    format_.setInterlace(CZVimage::kFrame);
    const int colour = pic.colour ? CZVimage::kColour : CZVimage::kGrey;
    if (!createImages(pic.frames, pic.width, pic.height, colour) || !storage_->pixels(0) || capacity_ < pic.frames) {
        Close();
        return Status::failure(StatusCode::NoMemory,
                               strprintf("%s: not enough memory for %d frames of %d x %d", path.c_str(), pic.frames,
                                         pic.width, pic.height));
    }
    const size_t line = size_t(pic.width) * size_t(pic.samples());
    for (int f = 0; f < pic.frames; ++f) {
        uint8_t* dst = storage_->pixels(f);
        for (int y = 0; y < pic.height; ++y) {
            const uint8_t* s = pic.frame(f) + size_t(y) * line;
            uint8_t* d = dst + size_t(y) * size_t(format_.stride());
            if (!pic.colour) {
                std::memcpy(d, s, line);
            } else {
                // Red first in DICOM, blue first in our frames.
                for (int x = 0; x < pic.width; ++x) d[3 * x] = s[3 * x + 2], d[3 * x + 1] = s[3 * x + 1], d[3 * x + 2] = s[3 * x];
            }
        }
        table_[size_t(f)] = FrameInfo{f, CZVimage::kFrame, 0, 0};
    }
    count_ = pic.frames;
    // 0.1 ms to 1000 s per frame; anything else is not a rate.
    if (pic.frameTimeMs >= 0.1 && pic.frameTimeMs <= 1e6) setRate(int(std::lround(1e6 / pic.frameTimeMs)), 1000);
    else setRate(0, 1);
    dicom_ = true;
    fileName_.clear();
    modified_ = true;
    ownFile_ = false;
    currentIndex_ = -1;
    GoTo(0);
    return Status::success();
}
