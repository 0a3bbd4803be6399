#include "measure/ui/ImageDocPainter.h"
