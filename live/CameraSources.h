#pragma once
// The one camera source of a run and the kinds of simulated source it can
// be. The application's services carry it (never a process-wide object);
// layers above the live video register further kinds here, as the video
// code does with its recorded-video source, so this layer never needs to
// know them.
//
// The chosen kind and its file are profile settings ("Pseudo"/"source" and
// "Pseudo"/"sourcefile"), so the device settings dialog picks them and the
// next start uses them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "live/CameraSource.h"
#include "live/FrameProducer.h"

class ZBasicfgDoc;

namespace ordavia {

class AppServices;

class CameraSources {
public:
    // Makes a producer; `file` is the source file the user chose ("" for
    // the kind's default).
    using Maker = std::function<std::unique_ptr<FrameProducer>(AppServices& services, const std::string& file)>;
    struct Kind {
        std::string key;    // as stored in the profile ("pseudo", "video")
        std::string label;  // as the settings dialog shows it
        Maker make;
    };
    static constexpr const char* kPicture = "pseudo";

    // Registers itself with the services; the stored picture is always
    // there.
    explicit CameraSources(AppServices& services);
    ~CameraSources();
    CameraSources(const CameraSources&) = delete;
    CameraSources& operator=(const CameraSources&) = delete;

    // The services' sources; null when the run has none.
    static CameraSources* of(const AppServices& services);

    void registerKind(Kind kind);
    const std::vector<Kind>& kinds() const { return kinds_; }

    // The kind and file the next start uses.
    std::string currentKind() const;
    std::string currentFile() const;
    // Chooses the kind for the following starts (unknown kinds are refused).
    bool select(const std::string& key, const std::string& file);

    // The source; made on first use.
    CameraSource& source();

    // The live video document of the run (at most one shows the camera):
    // recorders, line scans and the main window's commands find it here.
    ZBasicfgDoc* liveDocument() const { return live_; }
    void setLiveDocument(ZBasicfgDoc* doc) { live_ = doc; }

private:
    AppServices& services_;
    std::vector<Kind> kinds_;
    std::unique_ptr<CameraSource> source_;
    ZBasicfgDoc* live_ = nullptr;
};

}  // namespace ordavia
