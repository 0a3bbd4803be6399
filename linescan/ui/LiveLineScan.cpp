#include "linescan/ui/LiveLineScan.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QStringList>
#include <algorithm>

#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "settings/ProfileStore.h"
#include "linescan/CapillaryFlux.h"
#include "linescan/LineScanSampler.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZlineScanDoc.h"
#include "linescan/ui/ZlineScanView.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "video/CMotivaDoc.h"
#include "video/ui/CMotivaView.h"

namespace ordavia {

using ordavia::linescanui::ScanOrigin;

namespace {

bool isScanLine(const CMotivaDoc& video, int index) {
    const CDim* d = video.currentDimList().at(index);
    return dynamic_cast<const CDimLine*>(d) && d->vertexCount() >= 2;
}

void statusMessage(CMotivaView& view, const QString& text) {
    if (auto* main = qobject_cast<QMainWindow*>(view.window())) main->statusBar()->showMessage(text, 8000);
}

Prompter* prompterOf(CMotivaView& view) {
    return view.video()->services().prompterPtr;
}

void tell(CMotivaView& view, const char* text) {
    if (Prompter* p = prompterOf(view)) p->messageBox(text, MsgButtons::Ok, MsgIcon::Information);
}

}  // namespace

LiveLineScan::LiveLineScan(ordavia::AppServices* services) : services_(services) {}

LiveLineScan::~LiveLineScan() {
    for (Document* d : listened_) d->RemoveListener(this);
    if (services_ && services_->lineScanLink == this) services_->lineScanLink = nullptr;
}

LiveLineScan* LiveLineScan::of(const ordavia::AppServices& services) {
    return dynamic_cast<LiveLineScan*>(services.lineScanLink);
}

// The reporting views are the video views; DocumentView is all the
// framework may name of them.
void LiveLineScan::startScan(DocumentView& view) {
    if (auto* v = dynamic_cast<CMotivaView*>(&view)) startScan(*v);
}
void LiveLineScan::chooseMeasuringLine(DocumentView& view, bool second) {
    if (auto* v = dynamic_cast<CMotivaView*>(&view)) chooseMeasuringLine(*v, second);
}
void LiveLineScan::calculateAll(DocumentView& view) {
    if (auto* v = dynamic_cast<CMotivaView*>(&view)) calculateAll(*v);
}
void LiveLineScan::frameShown(DocumentView& view) {
    if (auto* v = dynamic_cast<CMotivaView*>(&view)) frameShown(*v);
}
bool LiveLineScan::isSource(const DocumentView& view) const {
    return source_ && source_ == dynamic_cast<const CMotivaView*>(&view);
}

void LiveLineScan::listen(Document* d) {
    if (!d || std::find(listened_.begin(), listened_.end(), d) != listened_.end()) return;
    d->AddListener(this);
    listened_.push_back(d);
}

void LiveLineScan::OnUpdate(Document* doc, long hint) {
    if (hint != Document::kHintClosing) return;
    listened_.erase(std::remove(listened_.begin(), listened_.end(), doc), listened_.end());
    if (doc == live_) {
        live_ = nullptr;
        source_ = nullptr;
        sampler_.reset();
    }
    for (auto it = origins_.begin(); it != origins_.end();)
        it = (it->first == doc || it->second.video == doc) ? origins_.erase(it) : std::next(it);
    for (auto it = waiting_.begin(); it != waiting_.end();)
        it = (it->first == doc || it->second == doc) ? waiting_.erase(it) : std::next(it);
}

ZlineScanDoc* LiveLineScan::waitingFor(const CMotivaDoc* video) const {
    auto it = waiting_.find(video);
    return it == waiting_.end() ? nullptr : it->second;
}

void LiveLineScan::remember(Document* scan, const ScanOrigin& origin) {
    origins_[scan] = origin;
    listen(scan);
    listen(origin.video);
}

ScanOrigin LiveLineScan::originOf(const Document* scan) const {
    auto it = origins_.find(scan);
    return it == origins_.end() ? ScanOrigin{} : it->second;
}

ZlineScanDoc* LiveLineScan::documentFor(CMotivaView& view) {
    CMotivaDoc* video = view.video();
    if (ZlineScanDoc* waiting = waitingFor(video)) return waiting;
    ordavia::AppServices* services = services_ ? services_ : &video->services();
    std::unique_ptr<Document> made;
    DocTemplate* t = services->findTemplate("ZlineScanDoc");
    if (t) made = t->createDocument();
    if (!dynamic_cast<ZlineScanDoc*>(made.get())) made = std::make_unique<ZlineScanDoc>();
    made->setServices(services);
    if (!made->OnNewDocument()) return nullptr;
    made->SetTitle(strprintf("%s - %s", ZlineScanDoc::kTitle, video->GetTitle().c_str()));
    auto* doc = dynamic_cast<ZlineScanDoc*>(services->openDocument(std::move(made)));
    if (!doc) return nullptr;
    waiting_[video] = doc;
    listen(doc);
    listen(video);
    return doc;
}

bool LiveLineScan::tryStart(CMotivaView& view, bool tellUser) {
    if (!live_ || live_->running()) return false;
    CMotivaDoc& video = *view.video();
    if (!video.hasFrames()) return false;
    int index = view.measuringLine(false);
    if (!isScanLine(video, index)) index = video.currentDimList().current();
    if (!isScanLine(video, index)) {
        const std::vector<int> lines = ordavia::scannableLines(video);
        index = lines.empty() ? -1 : lines.back();
    }
    if (index < 0) {
        if (tellUser) tell(view, kNoLine);
        return false;
    }
    const CDim* second = nullptr;
    if (live_->params().method == 2) {
        const int s = view.measuringLine(true);
        if (!isScanLine(video, s) || s == index) {
            if (tellUser) tell(view, kNoSecondLine);
            return false;
        }
        second = video.currentDimList().at(s);
    }
    // A recorded video gives one column per frame of one pass through it,
    // unless the user keeps fewer ("NoPtsToSample"); the setting itself
    // stays as the user left it.
    if (live_->services().profileStore) {
        ordavia::AppServices& services = live_->services();
        const int kept = services.profile().GetInt("linescan", "NoPtsToSample", ZlineScanDoc::kDefaultColumns);
        const int first = std::max(0, video.selectionFirst());
        const int last = video.selectionLast() < 0 ? video.frameCount() : std::min(video.selectionLast(), video.frameCount());
        live_->setColumnsToSample(std::max(2, std::min(kept, last - first)));
    }
    sampler_ = std::make_unique<ordavia::LineScanSampler>(*live_, &view);
    if (!sampler_->start(video, *video.currentDimList().at(index), second)) {
        sampler_.reset();
        return false;
    }
    sourceLine_ = index;
    waiting_.erase(&video);
    // The frame in view is the scan's first sample, as for a run over the
    // whole video.
    sampler_->addFrame(video.image());
    remember(live_, {&video, index});
    live_->setScanTitle(strprintf("%s - %s line %i", ZlineScanDoc::kTitle, video.GetTitle().c_str(), index + 1));
    statusMessage(view, QString("Line scan of line %1: play the video to scan it").arg(index + 1));
    return true;
}

void LiveLineScan::startScan(CMotivaView& view) {
    if (live_ && live_->running() && source_ != &view) {
        tell(view, "The line scan is taking its samples from another video. Choose \"stop\" in the line scan first.");
        return;
    }
    if (source_ == &view && live_ && live_->running()) return;
    ZlineScanDoc* doc = documentFor(view);
    if (!doc) return;
    if (live_ != doc) sampler_.reset();
    live_ = doc;
    source_ = &view;
    tryStart(view, true);
}

void LiveLineScan::chooseMeasuringLine(CMotivaView& view, bool second) {
    CMotivaDoc& video = *view.video();
    const int index = video.currentDimList().current();
    if (!isScanLine(video, index)) {
        tell(view, "Select a dimension line first: click on its first point with the select tool.");
        return;
    }
    view.setMeasuringLine(second, index);
    statusMessage(view, second ? QString("Line %1 is the second line of the two-line method").arg(index + 1)
                               : QString("Line %1 is the line to scan").arg(index + 1));
}

void LiveLineScan::frameShown(CMotivaView& view) {
    if (&view != source_ || running_all_ || !live_) return;
    // A scan that waited for its line starts with the frame in view.
    if (!sampler_) {
        tryStart(view, false);
        return;
    }
    // The scan tells its views of the column; those that follow it scroll.
    if (!sampler_->addFrame(view.video()->image())) return;
    for (DocumentView* v : live_->views())
        if (auto* lv = dynamic_cast<ZlineScanBaseView*>(v)) lv->followTime(sampler_->scrollTime());
}

void LiveLineScan::playbackStopped(DocumentView& view) {
    // Playing through to the last frame ends the run; a pause does not.
    if (!isSource(view) || !sampler_ || running_all_) return;
    if (source_->video()->currentFrame() < source_->video()->frameCount() - 1) return;
    endRun(true);
}

void LiveLineScan::endRun(bool offer) {
    if (!live_) return;
    const uint32_t samples = sampler_ ? sampler_->samples() : 0;
    live_->stop();
    source_ = nullptr;
    sampler_.reset();
    if (samples == 0) return;
    ordavia::linescanui::runFollowUps(*live_);
    if (!offer) return;
    // A scan that has not gone round its ring yet is summed over the
    // columns it has; the others hold no data.
    const C2DTrace* scan = live_->scanTrace();
    const uint32_t columns = scan ? scan->sampleCount() : 0;
    const uint32_t to = samples < columns ? samples : 0;
    ordavia::linescanui::offerSummary(*live_, 0, to, originOf(live_));
}

void LiveLineScan::viewClosing(DocumentView& view) {
    // By address only: the view is part way through going.
    if (source_ == nullptr || static_cast<DocumentView*>(source_) != &view) return;
    if (live_) live_->sourceClosed(source_);
    source_ = nullptr;
    sampler_.reset();
}

void LiveLineScan::summarise(ZlineScanBaseDoc& scan, uint32_t from, uint32_t to) {
    ordavia::linescanui::offerSummary(scan, from, to, originOf(&scan));
}

void LiveLineScan::calculateAll(CMotivaView& view) {
    CMotivaDoc& video = *view.video();
    if (!video.hasFrames()) return;
    // Lines laid across a capillary measure its width, not a velocity.
    const std::vector<int> lines = ordavia::velocityLines(video);
    if (lines.empty()) {
        tell(view, kNoLines);
        return;
    }
    QStringList across;
    for (int i : ordavia::scannableLines(video))
        if (std::find(lines.begin(), lines.end(), i) == lines.end()) across << QString::number(i + 1);
    if (!across.isEmpty())
        statusMessage(view, QString("Line %1 crosses a capillary: no velocity along it").arg(across.join(", ")));
    ordavia::AppServices* services = services_ ? services_ : &video.services();
    Prompter* prompter = prompterOf(view);
    const int frames = video.frameCount();
    std::vector<std::pair<int, std::unique_ptr<ZlineScanDoc>>> scans;
    {
        auto progress = prompter ? prompter->beginProgress("Calculate all widths and velocities", "",
                                                           2 * long(lines.size()) * frames)
                                 : nullptr;
        running_all_ = true;
        bool cancelled = false;
        std::vector<std::string> failed;
        for (size_t i = 0; i < lines.size() && !cancelled; ++i) {
            if (progress) progress->setText(strprintf("line %i", lines[i] + 1));
            auto scan = ordavia::scanBothWays(video, lines[i], services, [&](int f) {
                return progress ? progress->setValue(2 * long(i) * frames + f + 1) && !progress->cancelled() : true;
            });
            if (scan) scans.emplace_back(lines[i], std::move(scan).value());
            else if (scan.isCancelled()) cancelled = true;
            else failed.push_back(scan.reason());
        }
        running_all_ = false;
        if (cancelled) return;
        // A line that could not be scanned is said, not left out in silence.
        for (const std::string& why : failed)
            if (prompter) prompter->messageBox(why, MsgButtons::Ok, MsgIcon::Warning);
    }
    for (auto& [index, scan] : scans) {
        const ScanOrigin origin{&video, index};
        if (ordavia::linescanui::offerSummary(*scan, 0, 0, origin) != ordavia::linescanui::SummaryAnswer::MarkAnotherPart)
            continue;
        // The user marks the good part of this line's velocity in its own window.
        Document* shown = ordavia::linescanui::showDocument(*scan, scan.get());
        scan.release();
        remember(shown, origin);
    }
}

}  // namespace ordavia
