#pragma once
// The Doppler monitor's dialogs, with the program's own texts. Each edits
// a copy and returns nothing when the user cancels.
#include <array>
#include <cstdint>
#include <optional>

#include "settings/StartupSettings.h"

class QWidget;

class QDialog;
class QDialogButtonBox;

namespace ordavia::dopplerui {

// OK and Cancel at the foot of a dialog, accepting and rejecting it.
QDialogButtonBox* okCancel(QDialog& d);

// "CBV parameters...": the "TRVcalcs" detection values and the threshold T.
struct CbvParameters {
    StartupSettings settings;
    int32_t threshold = 200;
};
std::optional<CbvParameters> cbvParametersDialog(QWidget* parent, const CbvParameters& current);

// "Input &Settings...": kept lengths (entered as hours, minutes, seconds)
// of the velocity and spectrum traces and of the raw trace, and the
// spectrum points (64 or 256).
struct InputSettings {
    double cbvSeconds = 60.0, rawSeconds = 10.0;
    int points = 256;
};
std::optional<InputSettings> inputSettingsDialog(QWidget* parent, const InputSettings& current);

// "Auxillary Input settings...": which of the inputs 1..7 are recorded,
// and the display smoothing factor of the shown levels.
struct AuxSettings {
    std::array<bool, 7> enabled{};
    double smoothing = 0.1;
};
std::optional<AuxSettings> auxInputDialog(QWidget* parent, const AuxSettings& current);

// "&Input channel...": the board's input 0..7.
std::optional<int> inputChannelDialog(QWidget* parent, int current);

// "Hard&ware settings...": the board's I/O address.
std::optional<int> hardwareDialog(QWidget* parent, int address);

}  // namespace ordavia::dopplerui
