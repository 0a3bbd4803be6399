#include "measure/Calibration.h"

#include "measure/CDimList.h"
#include "measure/CalibrationTexts.h"
#include "measure/MagnificationTable.h"
#include "settings/ProfileStore.h"

namespace ordavia {

Calibration Calibration::fromProfile(const ProfileStore& store) {
    Calibration c;
    c.mag_ = MagnificationTable(store).readDefault();
    c.calibrated_ = store.GetInt("settings", "calibrated", 0) != 0;
    c.units_ = store.GetString("settings", "userunits", "um");
    return c;
}

void Calibration::setFields(const Magnification& m, bool calibrated, const std::string& units) {
    mag_ = m;
    calibrated_ = calibrated;
    units_ = units;
}

std::string Calibration::unitNameInEffect() const { return calibrated_ ? units_ : std::string(CalibrationTexts::pixelUnit); }

void Calibration::setMagnification(const Magnification& m, bool writeDefault, bool addToTable,
                                   const ProfileStore& store) {
    mag_ = m;
    const MagnificationTable table(store);
    if (writeDefault) table.writeDefault(m);
    if (addToTable) table.add(m);
}

void Calibration::setUnits(bool calibrated, const std::string& units, const ProfileStore& store) {
    calibrated_ = calibrated;
    units_ = units;
    store.WriteString("settings", "userunits", units);
    store.WriteInt("settings", "calibrated", calibrated ? 1 : 0);
}

CalibrationRequest Calibration::propose(const CDimList& list) const {
    CalibrationRequest req;
    req.name = mag_.name;
    if (list.count() == 1) {
        const CDim* d = list.at(0);
        req.xLine = req.yLine = 1;
        req.xTrueLength = d->xExtent(mag_.xScale);
        req.yTrueLength = d->yExtent(mag_.yScale);
    } else if (list.count() >= 2) {
        req.xLine = 1;
        req.yLine = 2;
        req.xTrueLength = list.at(0)->length(mag_.xScale, mag_.yScale);
        req.yTrueLength = list.at(1)->length(mag_.xScale, mag_.yScale);
    }
    return req;
}

void Calibration::scalesFor(const CDimList& list, const CalibrationRequest& req, double& xs, double& ys) const {
    const int i = req.xLine - 1, j = req.yLine - 1;
    const CDim* di = list.at(i);
    const CDim* dj = list.at(j);
    double lx = 0.0, ly = 0.0;
    if (di) {
        if (i != j) {
            lx = di->length(1.0, 1.0);
        } else {
            // One line for both axes: its horizontal and vertical spans.
            lx = di->xExtent(1.0);
            ly = di->yExtent(1.0);
        }
    }
    if (dj && j != i) ly = dj->length(1.0, 1.0);
    // A true length of zero or less would give a scale that turns every
    // later measure into nothing (or negative); it is treated as not given.
    xs = (lx != 0.0 && req.xTrueLength > 0.0) ? req.xTrueLength / lx : mag_.xScale;
    ys = (ly != 0.0 && req.yTrueLength > 0.0) ? req.yTrueLength / ly : xs;
}

void Calibration::calibrate(const CDimList& list, const CalibrationRequest& req, int32_t now,
                            const ProfileStore& store) {
    Magnification m;
    scalesFor(list, req, m.xScale, m.yScale);
    m.name = req.name;
    m.date = now;
    setMagnification(m, req.setAsDefault, true, store);
    calibrated_ = true;
}

std::string Calibration::perPixelUnitName() const { return unitNameInEffect() + CalibrationTexts::perPixelSuffix; }

}  // namespace ordavia
