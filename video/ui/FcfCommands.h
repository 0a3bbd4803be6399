#pragma once
// The video view's flow commands: "Calculate &FCF" (one block per timer
// tick, with progress and cancel), "FFT per pixel sequence" and
// "&Calculate Flux conc & speed".
class CMotivaView;

namespace ordavia {

void calculateFcf(CMotivaView* view);
void fftPerPixelSequence(CMotivaView* view);
void fluxConcSpeed(CMotivaView* view);

}  // namespace ordavia
