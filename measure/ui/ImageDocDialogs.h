#pragma once
// The image document's dialogs: notes, calibration, magnification, units,
// grid and colour weighting. Each edits a ZBasicDoc (or the profile) only
// when confirmed.
class QWidget;
class ZBasicDoc;

namespace ordavia {

// "&Notes...": image file name, image time, notes and the examination fields.
bool runNotesDialog(ZBasicDoc& doc, QWidget* parent);
// "&Calibrate magnification...".
bool runCalibrateDialog(ZBasicDoc& doc, QWidget* parent);
// "&Magnification...".
bool runMagnificationDialog(ZBasicDoc& doc, QWidget* parent);
// "&Units...".
bool runUnitsDialog(ZBasicDoc& doc, QWidget* parent);
// "&Grid...": style, units, spacing, colour and user grid file (section "grid").
bool runGridDialog(ZBasicDoc& doc, QWidget* parent);
// "Colour &weighting on import...": the red, green and blue weights ("Settings").
bool runColourWeightingDialog(ZBasicDoc& doc, QWidget* parent);

}  // namespace ordavia
