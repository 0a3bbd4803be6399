#include "measure/ui/GreyLevelChart.h"
