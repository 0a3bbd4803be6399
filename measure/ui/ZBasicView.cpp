#include "measure/ui/ZBasicView.h"
