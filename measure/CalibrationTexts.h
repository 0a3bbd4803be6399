#pragma once

namespace ordavia {

// Menu and dialog texts of calibration, magnification and units, exactly as
// the workstation shows them (& marks the mnemonic). The magnification
// table's lines come from Magnification::listLine().

struct CalibrationTexts {
    // Menu commands.
    static constexpr const char* calibrateCommand = "&Calibrate magnification...";
    static constexpr const char* magnificationCommand = "&Magnification...";
    static constexpr const char* unitsCommand = "&Units...";

    // The calibrate dialog. The check box text keeps its historical spelling.
    static constexpr const char* calibrateTitle = "Calibrate";
    static constexpr const char* calibrateText =
        "Create two dimension lines of known true length onto image.  "
        "Magnification will be calibrated automatically.";
    static constexpr const char* calibrateSetDefault = "&Set as default maginification for new images.";

    // The magnification dialog's buttons and formats.
    static constexpr const char* addToList = "Add to list";
    static constexpr const char* select = "Select";
    static constexpr const char* remove = "Remove";
    static constexpr const char* setAsDefault = "Set as default";
    static constexpr const char* listLineFormat = "%8.3f %8.3f %-25s %s";
    static constexpr const char* dateFormat = "%#c";
    static constexpr const char* perPixelSuffix = "/pixel";

    // Lookups outside the magnification table.
    static constexpr const char* notFound = "not found:";
    static constexpr const char* badIndexCount = "bad index >= nmags";
    static constexpr const char* badIndexMax = "bad index >= MAXMAGS";

    // The unit name while a document is not calibrated.
    static constexpr const char* pixelUnit = "pixel";
};

}  // namespace ordavia
