#include "measure/SelectionAverage.h"

#include "framework/AppServices.h"
#include "image/CZVimage.h"
#include "measure/CDim.h"
#include "measure/ImageProcessing.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"

namespace ordavia {

const std::vector<std::string>& ImageSelectionAverage::valueColumns() {
    static const std::vector<std::string> c = {
        "ROI w",       "ROI h",         "ROI area",          "Av. Level",      "min",         "max",
        "list",        "N",             "total L",           "Av. L",          "total Area",  "Av. Area",
        "density (%)", "Count density", "Dim count density", "Linear density", "Tortuosity0", "Tortuosity1",
        "Tort1 curves"};
    return c;
}

const std::vector<int>& ImageSelectionAverage::valueDecimals() {
    static const std::vector<int> d = {1, 1, 0, 2, 0, 0, 0, 0, 1, 1, 0, 1, 2, 3, 3, 3, 3, 4, 3};
    return d;
}

ImageSelectionAverage computeSelectionAverage(const ZBasicDoc& doc) {
    ImageSelectionAverage out;
    out.filename = doc.GetPathName();
    out.units = doc.unitsInEffect();
    out.values.assign(ImageSelectionAverage::valueColumns().size(), 0.0);

    // The selection in image coordinates: the region of interest, else the whole image.
    ZRect sel = doc.marks().roi.normalized();
    if (sel.isEmpty()) sel = {0, 0, doc.image().width(), doc.image().height()};
    const double sx = doc.xScaleInEffect();
    const double sy = doc.yScaleInEffect();
    const double w = sel.width(), h = sel.height();
    const double S = w * sx * h * sy;
    auto& v = out.values;
    v[0] = w * sx;
    v[1] = h * sy;
    v[2] = S;
    double mean = 0;
    int mn = 0, mx = 0;
    // Grey levels: a colour picture is measured as its grey picture.
    if (!doc.image().isEmpty()) {
        if (doc.image().colour() == CZVimage::kColour)
            ImageProcessing::greyPicture(doc).statistics(doc.marks().roi.normalized(), &mean, &mn, &mx);
        else
            doc.image().statistics(doc.marks().roi.normalized(), &mean, &mn, &mx);
    }
    v[3] = mean;
    v[4] = mn;
    v[5] = mx;
    v[6] = doc.currentList();
    if (S == 0) return out;

    const CDimList& list = doc.currentDimList();
    const double N = list.countInRect(sel);
    const double L = list.totalLengthInRect(sel, sx, sy);
    const double A = list.totalAreaInRect(sel, sx, sy);
    v[7] = N;
    v[8] = L;
    v[9] = N != 0 ? L / N : 0.0;
    v[10] = A;
    v[11] = N != 0 ? A / N : 0.0;
    v[12] = A * 100.0 / S;
    v[13] = list.countMarksInRect(sel) * 1000000.0 / S;
    v[14] = N * 1000000.0 / S;
    v[15] = L * 1000.0 / S;
    v[16] = list.totalTortuosityRatio();
    TortuosityParams params = doc.tortuosity();
    params.log = doc.services().profile().GetInt("tortuosity", "log", 0) != 0;
    int curves = 0;
    v[17] = list.totalTortuosity(sx, sy, curves, params);
    v[18] = curves;
    return out;
}

}  // namespace ordavia
