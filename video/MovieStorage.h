#pragma once
// MovieStorage: where a movie's frames live. A movie holds exactly one:
// nothing (closed), one memory block, a ".mve" movie file, a foreign video
// read through FFmpeg, or a recording being written to a ".mve" file or an
// AVI. Each kind owns its frame access, the frames it takes while
// recording, how it ends a recording and how a processing pass writes
// back into it; the movie keeps the frame table, the ring and the current
// frame and asks its storage for the rest. The kinds are made by the
// factory functions below (video/MemoryStorage.cpp, FileStorage.cpp,
// RecordingStorage.cpp).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"
#include "video/FrameInfo.h"

class CZVimage;

// What a movie's storage is, for reports and tests.
enum class StorageMode : int {
    Closed = 0,
    Memory = 1,
    MovieFile = 2,
    AviFile = 3,
    RecordToMovieFile = 5,
    RecordToAvi = 6,
};

namespace ordavia {

class AviReader;
class MovieFrameImage;

// Where a recording's ring stands.
struct MovieRing {
    int count = 0;
    int ringStart = 0;
    int capacity = 0;
    bool wrapped = false;
};

// The layout of the frames in a ".mve" file.
struct MveLayout {
    int64_t firstPos = 0;     // where the first frame record starts
    int64_t recordSize = 0;   // bytes per frame record
    int64_t pixelOffset = 0;  // header bytes inside a record
    bool perFrameHeaders = false;
};

class MovieStorage {
public:
    // How a frame access went.
    enum class Read {
        Ok,         // the frame was read
        Failed,     // it could not be read (it reads as black)
        Untouched,  // nothing was read (a memory slot lent or copied, a frame being recorded)
        NoRoom,     // the image could not be given memory: it was left as it was
    };

    virtual ~MovieStorage() = default;

    virtual StorageMode kind() const = 0;
    // Anything but closed.
    virtual bool isOpen() const { return true; }
    // Frames are being recorded into it.
    virtual bool recording() const { return false; }
    // A movie file or foreign video that is there to be read (not one
    // being recorded).
    virtual bool isFile() const { return false; }
    // The frames live in memory and are lent to the current image.
    virtual bool lendsFrames() const { return false; }
    // It takes recorded frames (memory and the recordings).
    virtual bool takesFrames() const { return false; }
    // A full ring starts again at its first slot (an AVI cannot).
    virtual bool wraps() const { return true; }
    // A finished recording keeps its frames in the order they came (an
    // AVI), rather than in ring slots.
    virtual bool keepsCaptureOrder() const { return false; }
    // A processing pass may write its frames back in place (a writable
    // movie file of bare frames).
    virtual bool rewritable() const { return false; }

    // Room for n frames of frameBytes each; only memory needs any.
    virtual Status reserve(int n, size_t frameBytes);
    // The pixels of a memory slot (null for every other kind).
    virtual uint8_t* pixels(int slot);

    // `frame`, the movie's current image, becomes slot `slot` of the
    // format `format`; `keepApart` asks for a copy where the storage could
    // lend its own pixels. An unknown table entry `info` is filled in.
    virtual Read show(int slot, MovieFrameImage& frame, const CZVimage& format, bool keepApart, FrameInfo& info,
                      bool& outOfMemory);
    // A copy of slot `slot` into `into`.
    virtual Read copy(int slot, CZVimage& into, const CZVimage& format, FrameInfo& info, bool& outOfMemory);

    // Stores the recorded frame `frame` in slot `slot`; failures say what
    // was kept.
    virtual Status store(int slot, const CZVimage& frame, const MovieRing& ring);
    // Ends a recording: the movie file gets its trailer, the AVI its index.
    virtual Status finishRecording(const MovieRing& ring, const CZVimage& format);
    // Releases the storage as the movie closes (an unfinished movie file
    // recording still gets its trailer).
    virtual void close(const MovieRing& ring, const CZVimage& format);
    // A processing pass writes `frame` back into slot `slot`.
    virtual Status rewrite(int slot, const CZVimage& frame, std::vector<uint8_t>& scratch);

    virtual const AviReader* aviReader() const { return nullptr; }
    virtual bool perFrameHeaders() const { return false; }

    // ---- The kinds ----
    static std::unique_ptr<MovieStorage> closed();
    static std::unique_ptr<MovieStorage> memory();
    // A ".mve" file opened on `fd` (taken over).
    static std::unique_ptr<MovieStorage> movieFile(int fd, const std::string& path, const MveLayout& layout, bool writable);
    static std::unique_ptr<MovieStorage> aviFile(std::unique_ptr<AviReader> reader);
    // A new ".mve" recording of frames shaped like `format`: the file is
    // created with its header and the mark of an unfinished recording.
    static Result<std::unique_ptr<MovieStorage>> recordMovieFile(const std::string& path, const CZVimage& format);
    // A new AVI recording.
    static Result<std::unique_ptr<MovieStorage>> recordAvi(const std::string& path, const CZVimage& format, int rate, int scale,
                                                           const std::string& codec);
};

}  // namespace ordavia
