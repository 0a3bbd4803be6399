#include "app/DocumentBindings.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "framework/DocTemplate.h"
#include "results/CResultDoc.h"
#include "chart/ZliveChartDoc.h"
#include "chart/xychartdoc.h"
#include "doppler/CReviewDoc.h"
#include "doppler/Ctrv2Doc.h"
#include "framework/Document.h"
#include "measure/ZBasicDoc.h"
#include "live/ZBasicfgDoc.h"
#include "measure/ZDimDoc.h"
#include "linescan/ZlineScanDoc.h"
#include "video/CMotivaDoc.h"
#include "video/CMotivaRecDoc.h"
#include "video/fcfdoc.h"

namespace ordavia {

namespace {

using Factory = DocTemplate::Factory;

// Document class name -> factory. A row whose class is missing here stays
// unbound: opening its files explains that the type is not available yet.
const std::map<std::string, Factory>& factories() {
    static const std::map<std::string, Factory> m = {
        {"ZBasicDoc", [] { return std::make_unique<ZBasicDoc>(); }},
        {"ZBasicfgDoc", [] { return std::make_unique<ZBasicfgDoc>(); }},
        {"ZDimDoc", [] { return std::make_unique<ZDimDoc>(); }},
        {"CResultDoc", [] { return std::make_unique<CResultDoc>(); }},
        {"CMotivaDoc", [] { return std::make_unique<CMotivaDoc>(); }},
        {"ZVcytoDoc", [] { return std::make_unique<ZVcytoDoc>(); }},
        {"fcfdoc", [] { return std::make_unique<fcfdoc>(); }},
        {"CReviewDoc", [] { return std::make_unique<CReviewDoc>(); }},
        {"Ctrv2Doc", [] { return std::make_unique<Ctrv2Doc>(); }},
        {"xychartdoc", [] { return std::make_unique<xychartdoc>(); }},
        {"ZliveChartDoc", [] { return std::make_unique<ZliveChartDoc>(); }},
        {"ZlineScanBaseDoc", [] { return std::make_unique<ZlineScanBaseDoc>(); }},
        {"ZlineScanDoc", [] { return std::make_unique<ZlineScanDoc>(); }},
    };
    return m;
}

}  // namespace

const char* templateClassOf(const Document& doc) {
    // Most derived first: the first class the document is an instance of.
    // Recorders are videos here; a plain chart opens under the chart type.
    if (dynamic_cast<const ZVcytoDoc*>(&doc)) return "ZVcytoDoc";
    if (dynamic_cast<const CMotivaDoc*>(&doc)) return "CMotivaDoc";
    if (dynamic_cast<const fcfdoc*>(&doc)) return "fcfdoc";
    if (dynamic_cast<const ZBasicfgDoc*>(&doc)) return "ZBasicfgDoc";
    if (dynamic_cast<const ZBasicDoc*>(&doc)) return "ZBasicDoc";
    if (dynamic_cast<const Ctrv2Doc*>(&doc)) return "Ctrv2Doc";
    if (dynamic_cast<const ZlineScanDoc*>(&doc)) return "ZlineScanDoc";
    if (dynamic_cast<const ZlineScanBaseDoc*>(&doc)) return "ZlineScanBaseDoc";
    if (dynamic_cast<const ZliveChartDoc*>(&doc)) return "ZliveChartDoc";
    if (dynamic_cast<const xychartdoc*>(&doc)) return "xychartdoc";
    if (dynamic_cast<const ZchartDoc*>(&doc)) return "CReviewDoc";
    if (dynamic_cast<const ZDimDoc*>(&doc)) return "ZDimDoc";
    if (dynamic_cast<const CResultDoc*>(&doc)) return "CResultDoc";
    return nullptr;
}

void bindDocumentClass(DocTemplate& t) {
    const auto& m = factories();
    auto it = m.find(t.docClass);
    if (it != m.end()) t.bind(it->second);
}

}  // namespace ordavia
