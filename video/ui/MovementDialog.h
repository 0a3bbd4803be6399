#pragma once
// The parameter dialog shown before "&Automatic Movement Correction": the
// seven values of a run and the sub-pixel refinement.
namespace ordavia {
struct MovementParams;
}
class QWidget;

// Shows the values of p; true (and p changed) on OK.
bool movementDialog(QWidget* parent, ordavia::MovementParams& p);
