// The image document's operations on dimensions, calibration, display
// settings and pixels.
#include <cstdio>

#include "base/Paths.h"
#include "base/Text.h"
#include "measure/CDim.h"
#include "measure/MagnificationTable.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"

int ZBasicDoc::addNewDimension(int kind, ZPoint p) {
    const int i = currentDimList().addNew(kind, p);
    if (i >= 0) SetModifiedFlag(true);
    return i;
}

int ZBasicDoc::addObject(std::unique_ptr<CDim> obj) {
    if (!obj) return -1;
    const int i = currentDimList().add(std::move(obj));
    SetModifiedFlag(true);
    return i;
}

void ZBasicDoc::addVertex(int i, ZPoint p) {
    if (CDim* d = currentDimList().at(i)) {
        d->addVertex(p);
        SetModifiedFlag(true);
    }
}

void ZBasicDoc::removeObject(int i) {
    if (!currentDimList().at(i)) return;
    currentDimList().remove(i);
    SetModifiedFlag(true);
}

void ZBasicDoc::clearCurrentList() {
    if (currentDimList().count() == 0) return;
    currentDimList().removeAll();
    SetModifiedFlag(true);
}

int ZBasicDoc::wrapIndex(int i) const {
    const int n = currentDimList().count();
    if (n == 0) return -1;
    if (i < 0) return n - 1;
    if (i >= n) return 0;
    return i;
}

void ZBasicDoc::moveAll(int dx, int dy) {
    for (CDimList& l : lists)
        for (const auto& d : l.objects()) d->moveBy(dx, dy);
    if (!roi.isEmpty() || roi != ZRect{}) roi = roi.offset(dx, dy);
    if (!roi2.isEmpty() || roi2 != ZRect{}) roi2 = roi2.offset(dx, dy);
    targetX += dx;
    targetY += dy;
    originX += dx;
    originY += dy;
}

void ZBasicDoc::setTarget(int x, int y) {
    targetX = x;
    targetY = y;
    ProfileStore::instance().WriteInt("settings", "targetx", x);
    ProfileStore::instance().WriteInt("settings", "targety", y);
    UpdateAllViews();
}

void ZBasicDoc::toggleTarget() {
    showTarget = showTarget ? 0 : 1;
    ProfileStore::instance().WriteInt("settings", "showtarget", showTarget);
    UpdateAllViews();
}

void ZBasicDoc::setMagnification(const Magnification& m, bool writeDefault, bool addToTable) {
    xScale = m.xScale;
    yScale = m.yScale;
    magName = m.name;
    magDate = m.date;
    MagnificationTable table;
    if (writeDefault) table.writeDefault(m);
    if (addToTable) table.add(m);
    SetModifiedFlag(true);
    UpdateAllViews();
}

Magnification ZBasicDoc::magnification() const {
    Magnification m;
    m.xScale = xScale;
    m.yScale = yScale;
    m.name = magName;
    m.date = magDate;
    return m;
}

void ZBasicDoc::setUnits(bool isCalibrated, const std::string& unitName) {
    calibrated = isCalibrated ? 1 : 0;
    units = unitName;
    ProfileStore::instance().WriteString("settings", "userunits", units);
    ProfileStore::instance().WriteInt("settings", "calibrated", calibrated);
    SetModifiedFlag(true);
    UpdateAllViews();
}

void ZBasicDoc::setPaletteIndex(int index) {
    // Stepping wraps both ways (the image's own -1 means "rebuild").
    if (index < 0) index = CZVimage::kPaletteCount - 1;
    if (index >= CZVimage::kPaletteCount) index = 0;
    image.setPalette(index);
    paletteIndex = index;
    SetModifiedFlag(true);
    UpdateAllViews();
}

void ZBasicDoc::toggleZeroAsBlack() {
    zeroAsBlack = !zeroAsBlack;
    image.setZeroAsBlack(zeroAsBlack);
    SetModifiedFlag(true);
    UpdateAllViews();
}

std::string ZBasicDoc::regionText() const {
    if (roi.isEmpty()) return "\r\n";
    return strprintf(" ROI (%i,%i)-(%i,%i).", roi.left, roi.top, roi.right, roi.bottom) + "\r\n";
}

void ZBasicDoc::appendHistory(const std::string& text) {
    notes += text;
    SetModifiedFlag(true);
}

bool ZBasicDoc::imageOperation(const std::string& history,
                               const std::function<bool(CZVimage&, const ZRect&)>& op) {
    if (image.isEmpty()) return false;
    CZVimage before;
    if (!before.Copy(image)) return false;
    if (!op(image, roi.normalized())) return false;
    undoImage = std::move(before);
    if (!history.empty()) notes += history + regionText();
    imageModified = true;
    SetModifiedFlag(true);
    UpdateAllViews();
    return true;
}

void ZBasicDoc::undo() {
    if (undoImage.isEmpty() && image.isEmpty()) return;
    std::swap(image, undoImage);
    image.setPalette(paletteIndex);
    image.setZeroAsBlack(zeroAsBlack);
    notes += "undo\r\n";
    imageModified = true;
    SetModifiedFlag(true);
    UpdateAllViews();
}

std::unique_ptr<ZBasicDoc> ZBasicDoc::duplicate() const {
    auto copy = std::make_unique<ZBasicDoc>();
    copy->OnNewDocument();
    copy->image.Copy(image);
    copy->xScale = xScale;
    copy->yScale = yScale;
    copy->magName = magName;
    copy->magDate = magDate;
    copy->calibrated = calibrated;
    copy->units = units;
    copy->paletteIndex = paletteIndex;
    copy->zeroAsBlack = zeroAsBlack;
    copy->imageTime = imageTime;
    copy->imageModified = true;
    copy->capturedBy = capturedBy;
    std::string title = GetTitle();
    // The copy's name is the original's with "-copy" before any extension
    // and without the examination suffix, which the copy gets anew.
    const size_t bracket = title.find(" [");
    if (bracket != std::string::npos) title.resize(bracket);
    const std::string ext = extensionOf(title);
    copy->SetTitle(title.substr(0, title.size() - ext.size()) + "-copy");
    copy->SetModifiedFlag(true);
    return copy;
}
