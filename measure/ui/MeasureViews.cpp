#include "measure/ui/MeasureViews.h"
