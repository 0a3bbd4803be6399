#include "settings/ViewPlacement.h"

#include "settings/ProfileStore.h"

namespace ordavia {

ViewPlacement ViewPlacement::load(const ProfileStore& p, const std::string& s, const ViewPlacement& d) {
    ViewPlacement v;
    v.showcmd = p.GetInt(s, "showcmd", d.showcmd);
    v.minx = p.GetInt(s, "minx", d.minx);
    v.miny = p.GetInt(s, "miny", d.miny);
    v.maxx = p.GetInt(s, "maxx", d.maxx);
    v.maxy = p.GetInt(s, "maxy", d.maxy);
    v.left = p.GetInt(s, "left", d.left);
    v.top = p.GetInt(s, "top", d.top);
    v.right = p.GetInt(s, "right", d.right);
    v.bottom = p.GetInt(s, "bottom", d.bottom);
    return v;
}

void ViewPlacement::save(const ProfileStore& p, const std::string& s) const {
    p.WriteInt(s, "showcmd", showcmd);
    p.WriteInt(s, "minx", minx);
    p.WriteInt(s, "miny", miny);
    p.WriteInt(s, "maxx", maxx);
    p.WriteInt(s, "maxy", maxy);
    p.WriteInt(s, "left", left);
    p.WriteInt(s, "top", top);
    p.WriteInt(s, "right", right);
    p.WriteInt(s, "bottom", bottom);
}

ViewPlacement ViewPlacement::lowerHalf(int w, int h) {
    ViewPlacement v;
    v.top = h / 2;
    v.right = w;
    v.bottom = h;
    return v;
}

}  // namespace ordavia
