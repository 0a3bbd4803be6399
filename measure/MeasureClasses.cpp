#include "measure/MeasureClasses.h"

#include "base/ClassRegistry.h"
#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"

namespace ordavia {

void registerMeasureClasses() {
    static const bool registered = [] {
        ClassRegistry& r = ClassRegistry::instance();
        r.add<CDim>();
        r.add<CDimLine>();
        r.add<CDimCircle>();
        r.add<CDimRect>();
        r.add<CDimPolygon>();
        r.add<CDimList>();
        return true;
    }();
    (void)registered;
}

}  // namespace ordavia
