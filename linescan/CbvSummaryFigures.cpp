// A velocity summary's figures and text, from the measure catalogue.
#include <cmath>

#include "figures/LengthUnits.h"
#include "figures/MeasureCatalogue.h"
#include "linescan/CapillaryFlux.h"
#include "linescan/ZlineScanBaseDoc.h"

using namespace ordavia;

std::string CbvSummary::text(int lineNumber) const { return figures(lineNumber).text(); }

MeasureValues CbvSummary::figures(int lineNumber, double diameter, std::optional<double> velocity) const {
    // The units are the velocity's ("um/s"); the figures take the length.
    std::string length = units;
    if (length.size() > 2 && length.compare(length.size() - 2, 2, "/s") == 0) length.resize(length.size() - 2);
    MeasureValues f(linescanMeasures(), length);
    const double v = velocity.value_or(mean);
    f.set("line", lineNumber).set("velocity", v).set("low", low).set("high", high).set("percent_good", percentGood);
    f.set("mean_correlation", meanCorrelation).set("in_range", trust.inRange ? 1.0 : 0.0).set("quality", trust.quality);
    if (diameter >= 0) {
        f.set("diameter", diameter);
        // Flux in one unit whatever the calibration: um^3/s.
        if (const double um = micrometresPer(length); um > 0)
            f.set("diameter_um", diameter * um).set("flux", bloodFlux(diameter * um, std::abs(v) * um));
    }
    return f;
}
