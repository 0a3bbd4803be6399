#include "app/PacsSettings.h"

#include "settings/ProfileStore.h"

namespace ordavia {

PacsNode pacsNodeFromProfile(const ProfileStore& p) {
    PacsNode n;
    n.aeTitle = p.GetString(kPacsSection, "aetitle", "");
    n.host = p.GetString(kPacsSection, "host", "");
    n.port = p.GetInt(kPacsSection, "port", 104);
    n.callingAeTitle = p.GetString(kPacsSection, "callingaetitle", "ORDAVIA");
    return n;
}

bool storePacsNode(const ProfileStore& p, const PacsNode& n) {
    return p.WriteString(kPacsSection, "aetitle", n.aeTitle) && p.WriteString(kPacsSection, "host", n.host) &&
           p.WriteInt(kPacsSection, "port", n.port) && p.WriteString(kPacsSection, "callingaetitle", n.callingAeTitle);
}

}  // namespace ordavia
