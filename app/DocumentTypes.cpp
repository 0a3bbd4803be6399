#include "app/DocumentTypes.h"

#include <memory>

#include "app/DocumentBindings.h"
#include "framework/DocTemplate.h"

namespace ordavia {

namespace {

// Window title, document name, new-file name, filter text, filter
// extension, file-type id, file-type name. Two file-type names carry two
// blanks before "Document"; they are kept as they stand.
const DocumentTypeRow kRows[] = {
    {10002, "ZBasicDoc", "MDI child", "ZBasicView",
     "\nImage\nImage\nImages (*.cs1)\n.cs1\nOrdavia.Image\nOrdavia Document"},
    {10005, "ZBasicfgDoc", "MDI child", "ZBasicfgView", "\nVideo\n\nFrozen Video (*.cs1)\n.cs1\n\n"},
    {10021, "CMotivaDoc", "MDI child", "CMotivaView",
     "\nVideo\nVideo\nVideos (*.dcs)\n.dcs\nOrdavia.Video\nOrdavia Video Document"},
    {10021, "ZVcytoDoc", "MDI child", "ZVcytoView",
     "\nVideo\nVideo\nVideos (*.dcs)\n.dcs\nOrdavia.Video\nOrdavia Video Document"},
    {10024, "CReviewDoc", "MDI child", "CReView", "\nChart\nChart\nChart files (*.zv1)\n.zv1\nZV.chart\nZV chart"},
    {10015, "ZliveChartDoc", "MDI child", "ZliveChartView", "\nProfile\n\nGrey Level Profiles (*.zv1)\n.zv1\n\n"},
    {10023, "CResultDoc", "CMDIResultsChildWnd", "CResultView",
     "\nResults\n\nResults (*.rst)\n.rst\nZV.results\nZV Results"},
    {10020, "xychartdoc", "MDI child", "xychartvw",
     "\nXY Chart\nXYChart\nXY Chart files (*.zvxy)\n.zvxy\nZV.chart\nZV XY chart"},
    {10009, "ZDimDoc", "MDI child", "ZDimView", "\nDimension List\n\ncsv files (*.csv)\n.csv\n\n"},
    {10003, "Ctrv2Doc", "MDI child", "Ctrv2View", "\nTRV Input\n\nCharts (*.zv1)\n.zv1\n\n"},
    {10016, "ZlineScanBaseDoc", "MDI child", "ZlineScanBaseView",
     "\nLinescan\nLinescan\nLinescans (*.zvl)\n.zvl\nOrdavia.linescan\nOrdaviaLinescan  Document"},
    {10016, "ZlineScanDoc", "MDI child", "ZlineScanView",
     "\nLinescan\nLinescan\nLinescans (*.zvl)\n.zvl\nOrdavia.linescan\nOrdaviaLinescan  Document"},
    {10013, "fcfdoc", "MDI child", "fcfview",
     "\nFCF\nFCF\nFCF images (*.zvfcf)\n.zvfcf\nOrdavia.FCF\nOrdavia FCF  Document"},
    {10001, "CMotivaDoc", "MDI child", "CMotivaView", "\nAVI Video\n\nAVI videos (*.avi)\n.avi\n\n"},
};

}  // namespace

const DocumentTypeRow* documentTypeRows(int& count) {
    count = static_cast<int>(sizeof kRows / sizeof kRows[0]);
    return kRows;
}

void registerDocumentTemplates(DocTemplateTable& table, bool dopplerPresent) {
    table.clear();
    for (const DocumentTypeRow& r : kRows) {
        if (r.resourceId == 10003 && !dopplerPresent) continue;
        DocTemplate* t = table.add(
            std::make_unique<DocTemplate>(r.resourceId, r.description, r.docClass, r.viewClass, r.frameClass));
        bindDocumentClass(*t);
    }
}

std::string unavailableDocumentMessage(const std::string& path, const std::string& docName) {
    return "Cannot open " + path + ":\n" + docName +
           " documents are not available in this version of Ordavia.";
}

}  // namespace ordavia
