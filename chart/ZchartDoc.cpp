#include "chart/ZchartDoc.h"

#include <unistd.h>

#include <climits>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "chart/ChartMessages.h"
#include "framework/AppServices.h"
#include "settings/DebugLog.h"

using namespace ordavia;

namespace {

std::string exeFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? folderOf(std::string(buf, static_cast<size_t>(n))) : std::string();
}
}  // namespace

void ZchartDoc::registerClasses() {
    registerTraceClasses();
    registerMarkerClasses();
}

ZchartDoc::ZchartDoc() { registerClasses(); }
ZchartDoc::~ZchartDoc() = default;

std::string ZchartDoc::settingsPath() const {
    const bool own = !services().programFolder.empty();
    return (own ? withTrailingSeparator(services().programFolder) : exeFolder()) + settingsClassName() + ".cfg";
}

ChartRunState& ZchartDoc::runState() const { return services().charts; }

void ZchartDoc::setLinkYAxes(bool on) {
    runState().linkYAxes = on ? 1 : 0;
    UpdateAllViews(nullptr, kHintTraces);
}

Prompter* ZchartDoc::prompter() const { return services().prompterPtr; }

// ---- traces ----

const CTrace* ZchartDoc::addTrace(std::unique_ptr<CTrace> t, bool quiet) { return adoptTrace(std::move(t), quiet); }

CTrace* ZchartDoc::adoptTrace(std::unique_ptr<CTrace> t, bool quiet) {
    if (!t || !t->hasData()) {
        ordavia::chart::reportLowMemory(prompter());
        return nullptr;
    }
    CTrace* p = t.get();
    traces_.items.push_back(std::move(t));
    if (!inStep_) SetModifiedFlag();
    if (!quiet) notify(kHintTraces);
    return p;
}

CTrace* ZchartDoc::newTrace(int typeCode, uint32_t count, bool quiet) {
    auto t = std::make_unique<CTrace>(typeCode, count);
    if (!t->hasData()) return nullptr;
    return adoptTrace(std::move(t), quiet);
}

C2DTrace* ZchartDoc::new2DTrace(int typeCode, uint32_t rows, uint32_t width, bool quiet) {
    auto t = std::make_unique<C2DTrace>(typeCode, rows, width);
    if (!t->hasData()) return nullptr;
    return static_cast<C2DTrace*>(adoptTrace(std::move(t), quiet));
}

const CTrace* ZchartDoc::duplicateTrace(const CTrace& t, bool quiet) { return addTrace(t.clone(), quiet); }

CTrace* ZchartDoc::editableTrace(int i) {
    return i >= 0 && i < traceCount() ? traces_.items[static_cast<size_t>(i)].get() : nullptr;
}

const CTrace* ZchartDoc::trace(int i) const { return const_cast<ZchartDoc*>(this)->editableTrace(i); }

std::unique_ptr<CTrace> ZchartDoc::detachTrace(int i, bool update) {
    if (i < 0 || i >= traceCount()) return nullptr;
    std::unique_ptr<CTrace> t = std::move(traces_.items[static_cast<size_t>(i)]);
    traces_.items.erase(traces_.items.begin() + i);
    // Recorded steps name traces by position, which has just changed.
    undoStack().markUnrecorded();
    if (update) notify(kHintTraces);
    return t;
}

void ZchartDoc::removeTrace(int i, bool update) { (void)detachTrace(i, update); }

const CTrace* ZchartDoc::longestTrace() const {
    const CTrace* best = nullptr;
    for (const auto& t : traces_.items)
        if (t && (!best || t->sampleCount() > best->sampleCount())) best = t.get();
    return best;
}

bool ZchartDoc::refillTrace(int index, const CTrace& source, const std::string* xUnits) {
    CTrace* t = editableTrace(index);
    if (!t || !t->assign(source)) return false;
    if (xUnits) t->xUnits = *xUnits;
    undoStack().markUnrecorded();
    notify(kHintTraces);
    return true;
}

void ZchartDoc::setSampleCount(uint32_t n) {
    if (n == sampleCount_) return;
    sampleCount_ = n;
    for (auto& t : traces_.items)
        if (t) (void)t->resizedata(n);
    notify(kHintData);
}

const CMarker* ZchartDoc::AddMarker(std::unique_ptr<CMarker> m, double x, const std::string& label,
                                    const std::string& extra) {
    if (!m) {
        ordavia::chart::reportLowMemory(prompter());
        return nullptr;
    }
    m->SetLabel(label.empty() ? strprintf("%1i", runState().markerCounter++) : label);
    if (!extra.empty()) m->description += extra;
    m->x = x;
    const CMarker* p = m.get();
    auto held = std::make_shared<std::unique_ptr<CMarker>>(std::move(m));
    // The marker stays the same object through undo and redo (views and
    // dialogs hold it).
    pushEdit("Insert Marker",
             [this, held] {
                 if (*held) markers_.add(std::move(*held));
                 notify(kHintMarker);
             },
             [this, held, p] {
                 if (const int at = markerIndex(p); at >= 0) *held = markers_.take(size_t(at));
                 notify(kHintMarker);
             });
    return p;
}

void ZchartDoc::DeleteContents() {
    while (!traces_.items.empty()) traces_.items.pop_back();
    markers_.DeleteAll();
    listValue_ = 0.0;
}

bool ZchartDoc::OnNewDocument() {
    if (!CdbDocument::OnNewDocument()) return false;
    loadSettings();
    return true;
}

// ---- files ----

void ZchartDoc::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeInt(kMagic);
        ar.writeWord(kVersion);
        traces_.Serialize(ar);
        ar.writeInt(2);
        ar.writeDouble(listValue_);
        markers_.Serialize(ar);
        return;
    }
    CTraceArray loaded;
    CMarkerList loadedMarkers;
    double value = 0.0;
    ar.require(4);
    const int32_t magic = ar.readInt();
    if (magic != kMagic) {
        // No magic and version: the file starts with the trace array. Step
        // back by re-reading from the start.
        Archive again(ar.bytes());
        loaded.Serialize(again);
        if (again.remaining() >= 12) {
            const int32_t lv = again.readInt();
            value = again.readDouble();
            if (lv >= 2 && again.remaining()) loadedMarkers.Serialize(again);
        }
    } else {
        (void)ar.readWord();
        loaded.Serialize(ar);
        if (ar.remaining() >= 12) {
            const int32_t lv = ar.readInt();
            value = ar.readDouble();
            if (lv >= 2 && ar.remaining()) loadedMarkers.Serialize(ar);
        }
    }
    traces_ = std::move(loaded);
    markers_ = std::move(loadedMarkers);
    listValue_ = value;
}

Status ZchartDoc::loadFromBytes(const std::vector<uint8_t>& bytes) {
    try {
        Archive ar(bytes);
        Serialize(ar);
    } catch (const ArchiveError& e) {
        return Status::failure(e.what());
    }
    return Status::success();
}

std::vector<uint8_t> ZchartDoc::saveToBytes() {
    Archive ar;
    Serialize(ar);
    return ar.takeBytes();
}

ordavia::Status ZchartDoc::OnSaveDocument(const std::string& path) {
    if (ordavia::Status saved = CdbDocument::OnSaveDocument(path); !saved) return saved;
    pathName_ = path;
    (void)saveSettings();
    return ordavia::Status::success();
}

void ZchartDoc::SerializeSettings(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeWord(3);
        ar.writeInt(runState().editNewMarks);
        ar.writeInt(runState().linkYAxes);
        ar.writeDword(smoothChoice_);
        ar.writeFloat(smoothTime_);
        ar.writeDword(settingD_);
        ar.writeDword(sampleCount_);
        ar.writeDouble(settingC_);
        serializeDbBlock(ar);
        return;
    }
    const uint16_t v = ar.readWord();
    runState().editNewMarks = ar.readInt();
    runState().linkYAxes = ar.readInt();
    smoothChoice_ = ar.readDword();
    smoothTime_ = ar.readFloat();
    settingD_ = ar.readDword();
    sampleCount_ = ar.readDword();
    if (v >= 2) settingC_ = ar.readDouble();
    if (v >= 3) serializeDbBlock(ar);
}

void ZchartDoc::ResetSettings() {
    smoothChoice_ = 0;
    smoothTime_ = 1.0f;
    settingC_ = 3.0;
    settingD_ = 0;
    sampleCount_ = 500;
    runState().editNewMarks = 0;
    runState().linkYAxes = 1;
}

void ZchartDoc::loadSettings() {
    const std::string path = settingsPath();
    debugLog("loading settings from %s ...", path.c_str());
    std::vector<uint8_t> bytes;
    bool ok = readFileBytes(path, bytes, 1 << 20).ok();
    if (ok) {
        try {
            Archive ar(bytes);
            SerializeSettings(ar);
        } catch (const ArchiveError&) {
            ok = false;
        }
    }
    if (ok) {
        debugLog("loaded\n");
    } else {
        debugLog("failed to load settings from %s\n", path.c_str());
        ResetSettings();
    }
}

Status ZchartDoc::saveSettings() const {
    Archive ar;
    const_cast<ZchartDoc*>(this)->SerializeSettings(ar);
    return writeFileAtomically(settingsPath(), ar.bytes());
}
