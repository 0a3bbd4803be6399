#include "live/CaptureNames.h"

#include "db/CSubjectDatabase.h"
#include "framework/AppServices.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

namespace ordavia {

std::string captureBaseName(const AppServices& services) {
    std::string base = services.profileStore ? services.profile().GetString("directories", "basename", "") : "";
    if (base.empty() && services.startupSettings) base = services.settings().basename;
    if (!base.empty()) return base;
    if (const CSubjectDatabase* db = CSubjectDatabase::of(services); db && !db->currentSubjectId().empty()) {
        base = db->currentSubjectId();
        if (db->currentExamId() >= 0) base += "-" + std::to_string(db->currentExamId());
        return base;
    }
    return "capture";
}

}  // namespace ordavia
