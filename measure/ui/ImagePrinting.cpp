#include "measure/ui/ImagePrinting.h"
