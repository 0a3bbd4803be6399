// The image document's operations on dimensions, calibration, display
// settings and pixels.
#include <cmath>
#include <cstdio>

#include "base/Paths.h"
#include "base/Text.h"
#include "measure/CDim.h"
#include "measure/MagnificationTable.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

void ZBasicDoc::changed() {
    SetModifiedFlag(true);
    UpdateAllViews();
}

// ---------------------------------------------------------------------------
// Undo

ZBasicDoc::UndoState ZBasicDoc::captureState(bool withPicture) const {
    UndoState st;
    st.valid = true;
    st.hasPicture = withPicture;
    if (withPicture) st.picture.Copy(image_);
    for (size_t i = 0; i < lists_.size(); ++i)
        for (const auto& d : lists_[i].objects()) st.lists[i].push_back(d->clone());
    st.marks = marks_;
    st.calibration = calibration_;
    return st;
}

void ZBasicDoc::restoreState(UndoState& st) {
    UndoState now = captureState(false);
    if (st.hasPicture) {
        now.hasPicture = true;
        now.picture = std::move(image_);
        image_ = std::move(st.picture);
        applyDisplay(image_);
    }
    for (size_t i = 0; i < lists_.size(); ++i) {
        lists_[i].removeAll();
        for (auto& d : st.lists[i]) lists_[i].add(std::move(d));
    }
    marks_ = st.marks;
    calibration_ = st.calibration;
    st = std::move(now);
}

void ZBasicDoc::rememberForUndo() { pending_ = captureState(false); }

void ZBasicDoc::markEdited() {
    if (pending_.valid) {
        UndoState before = std::move(pending_);
        pending_ = UndoState{};
        recordStep(std::move(before), "Edit");
    } else if (undoStack().isClean()) {
        // Nothing leads back to the saved state now but a new save.
        undoStack().resetClean();
    }
}

void ZBasicDoc::recordStep(UndoState before, const std::string& text) {
    pending_ = UndoState{};
    auto held = std::make_shared<UndoState>(std::move(before));
    lastStep_ = held;
    auto exchange = [this, held] { exchangeWith(*held); };
    undoStack().pushApplied(std::make_unique<FunctionCommand>(text, exchange, exchange));
}

void ZBasicDoc::exchangeWith(UndoState& st) {
    const bool picture = st.hasPicture;
    restoreState(st);
    if (picture) {
        // The history line makes this a state no save has seen.
        notes_ += "undo\r\n";
        imageModified_ = true;
        undoStack().resetClean();
    }
    UpdateAllViews();
}

void ZBasicDoc::forgetSteps() {
    pending_ = UndoState{};
    lastStep_.reset();
    const bool clean = undoStack().isClean();
    undoStack().clear();
    if (!clean) undoStack().resetClean();
}

bool ZBasicDoc::canUndo() const { return undoStack().canUndo() || undoStack().canRedo(); }

const CZVimage* ZBasicDoc::undoPicture() const {
    if (!canUndo()) return nullptr;
    const std::shared_ptr<UndoState> st = lastStep_.lock();
    return st && st->hasPicture ? &st->picture : nullptr;
}

void ZBasicDoc::undo() {
    if (undoStack().canUndo()) undoStack().undo();
    else undoStack().redo();
}

// ---------------------------------------------------------------------------
// Dimensions

int ZBasicDoc::addNewDimension(int kind, ZPoint p) {
    UndoState before = captureState(false);
    const int i = currentDimList().addNew(kind, p);
    if (i >= 0) recordStep(std::move(before), "Add dimension");
    return i;
}

int ZBasicDoc::addObject(std::unique_ptr<CDim> obj) {
    if (!obj) return -1;
    UndoState before = captureState(false);
    const int i = currentDimList().add(std::move(obj));
    recordStep(std::move(before), "Add dimension");
    return i;
}

void ZBasicDoc::addVertex(int i, ZPoint p) {
    if (CDim* d = currentDimList().at(i)) {
        d->addVertex(p);
        markEdited();
    }
}

void ZBasicDoc::removeObject(int i) {
    if (!currentDimList().at(i)) return;
    UndoState before = captureState(false);
    currentDimList().remove(i);
    recordStep(std::move(before), "Delete dimension");
    UpdateAllViews();
}

Status ZBasicDoc::clearCurrentList() {
    if (currentDimList().count() == 0) return Status::noResult("the list is empty");
    if (!quiet_ && services().prompter().messageBox(kClearAllQuestion, MsgButtons::YesNo, MsgIcon::Question) !=
                       MsgResult::Yes)
        return Status::cancelled();
    UndoState before = captureState(false);
    currentDimList().removeAll();
    recordStep(std::move(before), "Clear all dimensions");
    UpdateAllViews();
    return Status::success();
}

int ZBasicDoc::wrapIndex(int i) const {
    const int n = currentDimList().count();
    if (n == 0) return -1;
    if (i < 0) return n - 1;
    if (i >= n) return 0;
    return i;
}

void ZBasicDoc::moveAll(int dx, int dy) {
    for (CDimList& l : lists_)
        for (const auto& d : l.objects()) d->moveBy(dx, dy);
    ZRect& roi = marks_.roi;
    ZRect& roi2 = marks_.roi2;
    if (!roi.isEmpty() || roi != ZRect{}) roi = roi.offset(dx, dy);
    if (!roi2.isEmpty() || roi2 != ZRect{}) roi2 = roi2.offset(dx, dy);
    marks_.targetX += dx;
    marks_.targetY += dy;
    marks_.originX += dx;
    marks_.originY += dy;
}

void ZBasicDoc::setCurrentList(int i) {
    if (i < 0 || i >= kListCount || i == currentList_) return;
    currentList_ = i;
    UpdateAllViews();
}

// ---------------------------------------------------------------------------
// Places, calibration and display

void ZBasicDoc::setTarget(int x, int y) {
    marks_.targetX = x;
    marks_.targetY = y;
    if (const ProfileStore* p = profileOrNull()) {
        p->WriteInt("settings", "targetx", x);
        p->WriteInt("settings", "targety", y);
    }
    UpdateAllViews();
}

void ZBasicDoc::toggleTarget() { setShowTarget(!marks_.showTarget); }

void ZBasicDoc::setShowTarget(bool on) {
    marks_.showTarget = on;
    if (const ProfileStore* p = profileOrNull()) p->WriteInt("settings", "showtarget", on ? 1 : 0);
    UpdateAllViews();
}

void ZBasicDoc::setOrigin(int x, int y) {
    if (marks_.originX == x && marks_.originY == y) return;
    marks_.originX = x;
    marks_.originY = y;
    changed();
}

void ZBasicDoc::setMarks(const ImageMarks& m) {
    marks_ = m;
    changed();
}

void ZBasicDoc::setRegion(const ZRect& roi) {
    if (marks_.roi == roi) return;
    marks_.roi = roi;
    changed();
}

void ZBasicDoc::setSecondRegion(const ZRect& roi2) {
    if (marks_.roi2 == roi2) return;
    marks_.roi2 = roi2;
    changed();
}

bool ZBasicDoc::setCalibration(const ImageCalibration& c) {
    // Zero stands for "not known" in older files; negative or endless scales
    // are never meant.
    if (!std::isfinite(c.xScale) || !std::isfinite(c.yScale) || c.xScale < 0.0 || c.yScale < 0.0) return false;
    calibration_ = c;
    changed();
    return true;
}

void ZBasicDoc::setMagnification(const Magnification& m, bool writeDefault, bool addToTable) {
    ImageCalibration c = calibration_;
    c.xScale = m.xScale;
    c.yScale = m.yScale;
    c.magName = m.name;
    c.magDate = m.date;
    if (!setCalibration(c)) return;
    if (const ProfileStore* p = profileOrNull()) {
        MagnificationTable table(*p);
        if (writeDefault) table.writeDefault(m);
        if (addToTable) table.add(m);
    }
}

Magnification ZBasicDoc::magnification() const {
    Magnification m;
    m.xScale = calibration_.xScale;
    m.yScale = calibration_.yScale;
    m.name = calibration_.magName;
    m.date = calibration_.magDate;
    return m;
}

void ZBasicDoc::setUnits(bool isCalibrated, const std::string& unitName) {
    calibration_.calibrated = isCalibrated;
    calibration_.units = unitName;
    if (const ProfileStore* p = profileOrNull()) {
        p->WriteString("settings", "userunits", calibration_.units);
        p->WriteInt("settings", "calibrated", isCalibrated ? 1 : 0);
    }
    changed();
}

void ZBasicDoc::applyDisplay(CZVimage& img) const {
    img.setPalette(paletteIndex_);
    img.setZeroAsBlack(zeroAsBlack_);
}

void ZBasicDoc::setPaletteIndex(int index) {
    // Stepping wraps both ways (the image's own -1 means "rebuild").
    if (index < 0) index = CZVimage::kPaletteCount - 1;
    if (index >= CZVimage::kPaletteCount) index = 0;
    paletteIndex_ = index;
    applyDisplay(image_);
    changed();
}

void ZBasicDoc::setZeroAsBlack(bool on) {
    zeroAsBlack_ = on;
    applyDisplay(image_);
    changed();
}

void ZBasicDoc::toggleAutoContrast() {
    image_.toggleAutoContrast(services().profile().GetDouble("settings", "adjustsz", 0.2));
    UpdateAllViews();
}

void ZBasicDoc::setGrid(const GridSettings& g) {
    if (!std::isfinite(g.spacing) || g.spacing <= 0.0) return;
    const bool drawingChanges = g.style != grid_.style || g.userFile != grid_.userFile;
    grid_ = g;
    if (drawingChanges) reloadGridDrawing();
    changed();
}

void ZBasicDoc::setNotes(const std::string& text) {
    if (notes_ == text) return;
    notes_ = text;
    changed();
}

void ZBasicDoc::setDescription(const std::string& text) {
    if (description_ == text) return;
    description_ = text;
    changed();
}

void ZBasicDoc::setTortuosity(const TortuosityParams& t) {
    tortuosity_ = t;
    changed();
}

void ZBasicDoc::setImageFile(const std::string& path, int32_t time) {
    if (path == imageFileName_ && time == imageTime_) return;
    imageFileName_ = path;
    imageTime_ = time;
    changed();
}

// ---------------------------------------------------------------------------
// Pixels

std::string ZBasicDoc::regionText() const {
    const ZRect& roi = marks_.roi;
    if (roi.isEmpty()) return "\r\n";
    return strprintf(" ROI (%i,%i)-(%i,%i).", roi.left, roi.top, roi.right, roi.bottom) + "\r\n";
}

void ZBasicDoc::appendHistory(const std::string& text) {
    notes_ += text;
    SetModifiedFlag(true);
}

bool ZBasicDoc::imageOperation(const std::string& history,
                               const std::function<bool(CZVimage&, const ZRect&)>& op) {
    if (image_.isEmpty()) return false;
    UndoState before = captureState(true);
    if (before.picture.isEmpty()) return false;  // no memory for the undo copy
    if (!op(image_, marks_.roi.normalized())) return false;
    if (!history.empty()) notes_ += history + regionText();
    imageModified_ = true;
    recordStep(std::move(before), history.empty() ? std::string("Image operation") : history);
    UpdateAllViews();
    return true;
}

void ZBasicDoc::showPreview(const CZVimage& original, const std::function<void(CZVimage&)>& change) {
    image_.copyROI(original, ZRect{});
    if (change) change(image_);
    image_.dropDisplayHeader();
    UpdateAllViews();
}

void ZBasicDoc::setImage(CZVimage picture) {
    forgetSteps();
    image_ = std::move(picture);
    applyDisplay(image_);
    UpdateAllViews();
}

std::unique_ptr<ZBasicDoc> ZBasicDoc::duplicate() const {
    auto copy = std::make_unique<ZBasicDoc>();
    lendServicesTo(*copy);
    copy->OnNewDocument();
    copy->image_.Copy(image_);
    copy->calibration_ = calibration_;
    copy->paletteIndex_ = paletteIndex_;
    copy->zeroAsBlack_ = zeroAsBlack_;
    copy->applyDisplay(copy->image_);
    copy->imageTime_ = imageTime_;
    copy->imageModified_ = true;
    copy->capturedBy = capturedBy;
    std::string title = GetTitle();
    // The copy's name is the original's with "-copy" before any extension
    // and without the examination suffix, which the copy gets anew.
    const size_t bracket = title.find(" [");
    if (bracket != std::string::npos) title.resize(bracket);
    const std::string ext = extensionOf(title);
    copy->SetTitle(title.substr(0, title.size() - ext.size()) + "-copy");
    copy->startAsUnsaved();
    return copy;
}
