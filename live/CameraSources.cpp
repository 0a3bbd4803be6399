#include "live/CameraSources.h"

#include "framework/AppServices.h"
#include "live/PseudoPicture.h"
#include "live/SimulatedCamera.h"
#include "settings/ProfileStore.h"

namespace ordavia {

CameraSources::CameraSources(AppServices& services) : services_(services) {
    registerKind({kPicture, "Stored picture (pseudo.bmp)", [](AppServices& s, const std::string&) {
                      return std::unique_ptr<FrameProducer>(new PseudoPicture(s.programFolder));
                  }});
    services_.provide<CameraSources>(this);
}

CameraSources::~CameraSources() {
    if (source_) source_->close();
    if (services_.find<CameraSources>() == this) services_.provide<CameraSources>(nullptr);
}

CameraSources* CameraSources::of(const AppServices& services) { return services.find<CameraSources>(); }

void CameraSources::registerKind(Kind kind) {
    for (Kind& k : kinds_)
        if (k.key == kind.key) {
            k = std::move(kind);
            return;
        }
    kinds_.push_back(std::move(kind));
}

std::string CameraSources::currentKind() const {
    const std::string key =
        services_.profileStore ? services_.profileStore->GetString(CameraSettings::kSection, "source", kPicture) : kPicture;
    for (const Kind& k : kinds_)
        if (k.key == key) return key;
    return kPicture;
}

std::string CameraSources::currentFile() const {
    return services_.profileStore ? services_.profileStore->GetString(CameraSettings::kSection, "sourcefile", "") : "";
}

bool CameraSources::select(const std::string& key, const std::string& file) {
    bool known = false;
    for (const Kind& k : kinds_) known = known || k.key == key;
    if (!known) return false;
    if (services_.profileStore) {
        services_.profileStore->WriteString(CameraSettings::kSection, "source", key);
        services_.profileStore->WriteString(CameraSettings::kSection, "sourcefile", file);
    }
    return true;
}

CameraSource& CameraSources::source() {
    if (!source_) {
        // The maker looks the kind up at every start, so a kind chosen in
        // the settings takes effect at the next start.
        source_ = std::make_unique<SimulatedCamera>(services_, [this]() -> std::unique_ptr<FrameProducer> {
            const std::string key = currentKind();
            for (const Kind& k : kinds_)
                if (k.key == key) return k.make(services_, currentFile());
            return nullptr;
        });
    }
    return *source_;
}

}  // namespace ordavia
