#include "measure/ui/ViewStatusPanes.h"
