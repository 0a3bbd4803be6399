#pragma once
// A frozen picture of the live video: an image document that the live video
// window creates. Its files are ordinary ".cs1" image documents.
#include "measure/ZBasicDoc.h"

class ZBasicfgDoc : public ZBasicDoc {
public:
    ZBasicfgDoc() { capturedBy = "Pseudo"; }
};
