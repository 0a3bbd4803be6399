#pragma once
// CZVMovie: the frame store behind every video. Equally sized frames live
// in one memory block (recordings, short clips), in a ".mve" movie file or
// in a foreign video read through FFmpeg, with a per-frame table of field
// numbers and movement offsets. The table, not the pixels, carries the
// alignment: it is applied to a frame whenever the frame becomes current.
// It holds the frames, their table, the current frame, recording and
// saving; a processing pass's output and state are a MoviePass it owns
// (video/MoviePass.h), and the passes themselves are in MoviePasses.h.
//
// Where the frames live is the movie's MovieStorage (video/MovieStorage.h):
// the movie keeps the table, the ring and the current frame and leaves
// reading, storing and writing back to it.
//
// File movies are read one frame at a time with a single positioned read;
// opening reads the header and the first frame only, so a movie of any
// length opens at once.
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "base/Result.h"
#include "image/CZVimage.h"
#include "video/FrameInfo.h"
#include "video/MoviePass.h"
#include "video/MovieStorage.h"

namespace ordavia {
class AviReader;

// An image whose pixels may belong to someone else (a slot of the memory
// block): the movie's current image aliases its slot instead of copying.
class MovieFrameImage : public CZVimage {
public:
    void alias(uint8_t* pixels, const CZVimage& shape);
    // Back to owning a buffer of the same shape (contents undefined).
    void own();
    bool aliased() const { return !ownsPixels_; }
};
}  // namespace ordavia

class CZVMovie {
public:
    // Settings values the movie works with (the document reads them).
    struct Options {
        bool compressOutput = false;    // "Dynamic settings"/"compressoutput"
        double captureFrameRate = 25.0;  // program-wide capture rate
        std::string codec = "mjpeg";     // compressor of compressed outputs
        std::string tempFolder;          // where outputs of unnamed movies go
        // Statistics leave frames that cannot be decoded out instead of
        // failing on them (they never count as black frames either way).
        bool skipDamaged = false;
    };

    struct Bounds {
        int width = 0, height = 0;  // the union canvas
        int minX = 0, minY = 0;     // smallest offsets
        bool anyNonZero = false;
    };

    CZVMovie();
    ~CZVMovie();
    CZVMovie(const CZVMovie&) = delete;
    CZVMovie& operator=(const CZVMovie&) = delete;

    Options options;
    bool loop = false;

    // ---- Recording ----
    bool Record(const std::string& name, int frames, int width, int height, int colour);
    // -1 when the frame could not be stored (the disc is full, say): the
    // caller stops, and finishRecording says why and what was kept.
    int AddFrame(const CZVimage& image, bool advance);
    // The same with the capture's field counter for the frame.
    int AddFrame(const CZVimage& image, bool advance, int32_t field);
    int Advance();
    // Ends a recording: a movie file gets its trailer, an AVI its index,
    // and the movie reopens on the file. Any frame, trailer or index that
    // could not be written makes it fail (the movie still reopens on what
    // is there).
    ordavia::Status finishRecording();
    // Why the recording failed so far (success while all is well).
    const ordavia::Status& recordingError() const { return recordError_; }
    // The same where nobody can act on a failure (memory recordings).
    void stopRecording();

    // ---- Files ----
    ordavia::Status Open(const std::string& path);
    void Close();
    // Room for n frames of the format (memory movies get their block);
    // fails with NoMemory when there is none.
    ordavia::Status createImages(int n, int width, int height, int colour);

    // ---- Access ----
    CZVimage& GoTo(int i);
    int Next();
    int CopyFrame(int i, CZVimage& image);
    // Frame i without changing the current frame: a memory movie's slot
    // itself (no copy), otherwise read into `scratch`.
    const CZVimage& peekFrame(int i, ordavia::MovieFrameImage& scratch);
    int PhysicalIndex(int i) const;
    CZVimage& currentImage() { return current_; }
    const CZVimage& formatImage() const { return format_; }
    // Opened from a DICOM file (a multi-frame picture held in memory; its
    // rate is the file's frame time).
    bool fromDicom() const { return dicom_; }
    // The FFmpeg reader of a foreign video (null otherwise).
    const ordavia::AviReader* aviReader() const { return storage_->aviReader(); }

    // ---- Damaged frames ----
    // Frames (in the movie's order) whose last read failed: a frame the
    // decoder could not read, or one the disc would not give. They read as
    // black; statistics leave them out and say so (see DamagedFrames.h).
    bool isDamaged(int i) const { return damaged_.count(i) != 0; }
    const std::set<int>& damagedFrames() const { return damaged_; }
    // A frame could not even be given memory (the image came back empty).
    bool outOfMemory() const { return outOfMemory_; }
    // The movie file is a recording that was cut off (the program stopped
    // while recording): it holds the frames captured until then.
    bool unfinished() const { return unfinished_; }
    // What the user should be told about the file just opened: a foreign
    // video cut short or an unfinished recording; empty when all is well.
    std::string readingNotice() const;

    // ---- Saving ----
    ordavia::Status save(const std::string& path, int first, int last);
    ordavia::Status SaveRange(const std::string& path, int first, int last);

    // ---- Processing passes (the pass state lives in MoviePass) ----
    ordavia::Status openprocessing(bool inPlace, const std::string& outputName = {}) {
        return pass_.open(*this, inPlace, outputName);
    }
    ordavia::Status FinishProcessing() { return pass_.finish(*this); }
    bool processing() const { return pass_.running(); }
    // Writes the current frame as if it were left (a one-frame pass).
    void leaveFrame();
    // Ends a pass without keeping its output (the movie stays as it was).
    void abandonProcessing() { pass_.abandon(); }

    // ---- Offsets ----
    void SetOffsets(int x, int y, int first, int last);
    void ShiftCurrentOffset(int dx, int dy);
    // The current image takes its frame's offsets from the table again
    // (after the table was put back by an undo).
    void refreshCurrentInfo() {
        if (currentIndex_ >= 0 && currentIndex_ < count_) applyInfo(PhysicalIndex(currentIndex_));
    }
    Bounds OffsetBounds(int first, int last);
    // `refine`, when given, may replace a frame's whole offsets by finer ones.
    // The column headings name the unit of the scaled offsets ("pixel"
    // when none is given).
    ordavia::Status ExportOffsets(const std::string& path, int first, int last, double xScale, double yScale,
                                  const std::function<void(int frame, double& x, double& y)>& refine = {},
                                  const std::string& units = {});
    int32_t ElapsedFields();

    // ---- State ----
    // What holds the frames (for reports and tests).
    StorageMode mode() const { return storage_->kind(); }
    // Not closed.
    bool isOpen() const { return storage_->isOpen(); }
    // Frames are being recorded into it.
    bool recording() const { return storage_->recording(); }
    int count() const { return count_; }
    int capacity() const { return capacity_; }
    int rate() const { return rate_; }
    int scale() const { return scale_; }
    void setRate(int rate, int scale) {
        rate_ = rate;
        scale_ = scale;
    }
    int ringStart() const { return ringStart_; }
    bool wrapped() const { return wrapped_; }
    int currentIndex() const { return currentIndex_; }
    bool ownFile() const { return ownFile_; }
    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }
    bool perFrameHeaders() const { return storage_->perFrameHeaders(); }
    const std::string& fileName() const { return fileName_; }
    FrameInfoList& frameTable() { return table_; }
    const FrameInfoList& frameTable() const { return table_; }
    // The frame count the processing pass has written so far.
    int processingCount() const { return pass_.written(); }

    // Normalises a range: first < 0 becomes 0, last < 0 or > count becomes count.
    void clampRange(int& first, int& last) const;

    // Memory movie from raw 16-bit little-endian frames (cytoscan "raw
    // ops"): each pixel v becomes (v / 4) & 255; stops at the first short
    // frame. frames <= 0 reads as many as the file holds. The frames read.
    ordavia::Result<int> importRaw16(const std::string& path, int width, int height, int frames);

private:
    friend class MovieTestAccess;
    friend class ordavia::MoviePass;
    void applyInfo(int slot);
    ordavia::MovieRing ring() const { return {count_, ringStart_, capacity_, wrapped_}; }
    ordavia::Status openMve(const std::string& path);
    ordavia::Status openAvi(const std::string& path);
    ordavia::Status openDicom(const std::string& path);
    ordavia::Status writeRangeMve(const std::string& path, int first, int last);
    ordavia::Status writeRangeAvi(const std::string& path, int first, int last);
    ordavia::Status reopenAs(const std::string& path, bool own, const FrameInfoList* keepTable);

    int32_t rate_ = 1, scale_ = 1;
    int capacity_ = 0;
    int count_ = 0;
    std::unique_ptr<ordavia::MovieStorage> storage_;
    std::string fileName_;
    int ringStart_ = 0;
    FrameInfoList table_;
    int currentIndex_ = 0;
    CZVimage format_;
    ordavia::MovieFrameImage current_;
    bool wrapped_ = false;
    bool ownFile_ = false;
    bool modified_ = false;
    std::vector<uint8_t> scratch_;
    std::set<int> damaged_;
    bool outOfMemory_ = false;
    bool unfinished_ = false;
    bool dicom_ = false;
    void noteRead(int i, ordavia::MovieStorage::Read r);
    ordavia::Status recordError_;
    bool recordBroken_ = false;  // a frame could not be stored: AddFrame refuses the rest
    ordavia::MoviePass pass_;
};
