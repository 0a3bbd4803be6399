#pragma once
// The parameter dialog shown before "&Automatic Movement Correction": the
// seven values of a run and the sub-pixel refinement.
class QWidget;

namespace ordavia {

struct MovementParams;

// Shows the values of p; true (and p changed) on OK.
bool movementDialog(QWidget* parent, MovementParams& p);

}  // namespace ordavia
