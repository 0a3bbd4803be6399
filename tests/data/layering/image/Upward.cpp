// An upward include the layering check must refuse.
#include "measure/ZBasicDoc.h"
