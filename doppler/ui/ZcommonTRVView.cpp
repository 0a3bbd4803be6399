#include "doppler/ui/ZcommonTRVView.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "doppler/ZcommonTRVDoc.h"
#include "doppler/ui/TrvDialogs.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"

using namespace ordavia;

ZcommonTRVView::ZcommonTRVView(ZcommonTRVDoc* doc, QWidget* parent)
    : ZchartView(doc, parent), trv_(doc), doppler_(new QMenu("&Doppler", this)) {
    // The detection method is one choice of several, and the run's: another
    // window may have changed it, so the tick is asked as the menu opens.
    const std::pair<const char*, DopplerMethod> kMethods[] = {
        {"Find &Maximum", DopplerMethod::Maximum},
        {"Find &Peak in spectrum", DopplerMethod::Peak},
        {"Find by % of &total power", DopplerMethod::PercentOfPower},
        {"Find &Average", DopplerMethod::Average},
        {"&Automatic", DopplerMethod::Automatic}};
    CommandTable table;
    for (const auto& [text, m] : kMethods) {
        const int method = static_cast<int>(m);
        table.push_back({.text = text, .run = [this, method] { trv_->setMethod(method); }, .radio = "method",
                         .checked = [this, method] { return trv_->method() == method; }});
    }
    const CommandTable rest = {
        separator(),
        {.text = "CBV parameters...", .run = [this] { cmdCbvParameters(); }},
        {.text = "&Trim Doppler Spectrum", .run = [this] { trv_->toggleTrim(); }, .checkable = true,
         .checked = [this] { return trv_->trimming(); }},
        {.text = "swap units mm/s <-> kHz", .run = [this] { cmdSwapUnits(); }},
        separator(),
    };
    table.insert(table.end(), rest.begin(), rest.end());
    addDopplerCommands(table);
    menuList().append(doppler_);

    // The chart's full-scale commands keep their place in the Display menu
    // and take on the threshold link.
    for (const auto& [text, increase] : {std::pair{"&Reduce full scale", false}, {"&Increase  full scale", true}}) {
        QAction* a = findAction(text);
        if (!a) continue;
        disconnect(a, &QAction::triggered, nullptr, nullptr);
        connect(a, &QAction::triggered, this, [this, increase = increase] { cmdTrvFullScale(increase); });
    }
}

void ZcommonTRVView::addDopplerCommands(const CommandTable& table) {
    // As the chart's menus, only while the window is in front.
    addCommands(doppler_, this, table, CommandKeys::MenuOnly);
}

void ZcommonTRVView::say(const char* text) {
    trv_->services().prompter().messageBox(text, MsgButtons::Ok, MsgIcon::Information);
}

void ZcommonTRVView::arrangeDopplerDisplays(double topHz) {
    fitAll();
    const double height = std::max(10, plotRect().height()) * 0.92;
    for (TraceDisplay& d : state().displays) {
        const CTrace* t = d.trace;
        if (!t) continue;
        if (t == trv_->cbvTrace() || t == trv_->spectrumTrace()) {
            d.yBottom = 0.0;
            d.yPerPixel = std::max(1e-12, topHz * t->yScale / height);
        } else if (t->name == "raw") {
            d.hidden = true;
            d.yBottom = -32768.0;
            d.yPerPixel = 65536.0 / height;
        }
        d.cacheValid = d.stripValid = false;
    }
    const int cbv = trv_->traceIndex(trv_->cbvTrace());
    if (cbv >= 0) setActiveTrace(cbv);
    repaintChart();
}

void ZcommonTRVView::cmdCbvParameters() {
    dopplerui::CbvParameters p{trv_->detection(), trv_->threshold()};
    const auto edited = dopplerui::cbvParametersDialog(this, p);
    if (!edited) return;
    if (!trv_->setCbvParameters(edited->settings, edited->threshold))
        say("These CBV parameters are out of range; the previous ones are kept.");
}

void ZcommonTRVView::cmdSwapUnits() {
    const int cbv = trv_->traceIndex(trv_->cbvTrace());
    if (cbv < 0) return;
    const double before = trv_->cbvTrace()->yScale;
    if (!trv_->swapUnits()) return;
    // The trace keeps its height on the screen in its new unit.
    if (static_cast<size_t>(cbv) < state().displays.size() && before != 0.0) {
        TraceDisplay& d = state().displays[static_cast<size_t>(cbv)];
        const double ratio = trv_->cbvTrace()->yScale / before;
        d.yPerPixel *= ratio;
        d.yBottom *= ratio;
        d.cacheValid = false;
    }
    repaintChart();
}

void ZcommonTRVView::cmdTrvFullScale(bool increase) {
    const CTrace* active = trv_->trace(activeTrace());
    // A one-dimensional active trace also changes its vertical scale, as
    // in any chart; the spectrum's full scale is its intensity range.
    if (active && active->hasData() && !active->data->twoD()) cmdFullScale(!increase);
    if (trv_->changeFullScale(increase) >= 0) {
        const int s = trv_->traceIndex(trv_->spectrumTrace());
        if (s >= 0 && static_cast<size_t>(s) < state().displays.size()) {
            state().displays[static_cast<size_t>(s)].intensityRange = trv_->spectrumTrace()->intensityRange;
            state().displays[static_cast<size_t>(s)].stripValid = false;
        }
    }
    repaintChart();
}
