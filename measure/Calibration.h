#pragma once
// The calibration an image document measures with: the magnification in use,
// whether it applies, and the name of the unit. While the document is not
// calibrated every measure is in pixels (scales 1.0, unit "pixel").
//
// Also the calibration from lines of known length: the user names one list
// line for x and one for y (1-based) with the true length of each, and the
// scales follow from the lines' pixel lengths.
#include <cstdint>
#include <string>

#include "measure/Magnification.h"

class CDimList;
class ProfileStore;

namespace ordavia {

// What the calibrate dialog proposes and what the user confirms.
struct CalibrationRequest {
    int xLine = 0;  // 1-based list positions; 0 (or out of range) is none
    int yLine = 0;
    double xTrueLength = 0.0;
    double yTrueLength = 0.0;
    std::string name;
    bool setAsDefault = false;
};

class Calibration {
public:
    Calibration() = default;

    // A new document: the default magnification, "settings"/"calibrated"
    // (default 0) and "settings"/"userunits" (default "um").
    static Calibration fromProfile(const ProfileStore& store);

    const Magnification& magnification() const { return mag_; }
    double xScale() const { return mag_.xScale; }
    double yScale() const { return mag_.yScale; }
    bool isCalibrated() const { return calibrated_; }
    const std::string& units() const { return units_; }

    // Loading a document replaces the fields with the stored ones.
    void setFields(const Magnification& m, bool calibrated, const std::string& units);

    // The scales every measure is taken with: the magnification's when
    // calibrated, 1.0 and 1.0 otherwise.
    double xScaleInEffect() const { return calibrated_ ? mag_.xScale : 1.0; }
    double yScaleInEffect() const { return calibrated_ ? mag_.yScale : 1.0; }
    // The unit name when calibrated, "pixel" otherwise; and that + "/pixel".
    std::string unitNameInEffect() const;
    std::string perPixelUnitName() const;

    // Takes the magnification; writes it as the profile's default and adds
    // it to the table when asked. The caller marks its document modified.
    void setMagnification(const Magnification& m, bool writeDefault, bool addToTable, const ProfileStore& store);
    // Stores both and writes "settings"/"userunits" and "settings"/"calibrated".
    void setUnits(bool calibrated, const std::string& units, const ProfileStore& store);

    // The dialog's proposal for a list: nothing for an empty list; line 1 for
    // both axes with its x and y extents for one object; lines 1 and 2 with
    // their lengths for more.
    CalibrationRequest propose(const CDimList& list) const;
    // The scales that make the named lines their true lengths. An axis whose
    // line has no length (or whose true length is not positive) keeps the
    // current x scale for x, and takes the new x scale for y.
    void scalesFor(const CDimList& list, const CalibrationRequest& req, double& xs, double& ys) const;
    // Applies scalesFor() under the request's name and the given date,
    // always adding a table entry; the document becomes calibrated.
    void calibrate(const CDimList& list, const CalibrationRequest& req, int32_t now, const ProfileStore& store);

private:
    Magnification mag_;
    bool calibrated_ = false;
    std::string units_ = "um";
};

}  // namespace ordavia
