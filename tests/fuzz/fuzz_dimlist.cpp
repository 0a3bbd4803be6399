// Reads a dimension list from arbitrary bytes and measures whatever loads.
#include <cstddef>
#include <cstdint>

#include "base/Archive.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/MeasureClasses.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    registerMeasureClasses();
    Archive ar(data, size);
    CDimList list;
    try {
        list.Serialize(ar);
    } catch (const ArchiveError&) {
        return 0;
    }
    const ZRect box{0, 0, 640, 480};
    int curves = 0;
    list.totalLength(0.5, 0.5);
    list.totalXExtent(1.0);
    list.totalYExtent(1.0);
    list.totalLengthInRect(box, 1.0, 1.0);
    list.totalAreaInRect(box, 1.0, 1.0);
    list.totalTortuosityRatio();
    list.totalTortuosity(1.0, 1.0, curves, TortuosityParams());
    list.countInRect(box);
    list.countMarksInRect(box);
    if (list.count() > 0) {
        list.setCurrent(0);
        list.at(0)->setSelected(true);
        list.moveCurrent(3, -3);
        list.rotateCurrent(0.5);
        list.rotateCurrentTowards({7, 9});
        list.at(0)->perpendicular();
        list.at(0)->setLength(20.0);
        list.at(0)->rescale(3, 2);
    }
    // Whatever loaded must store again.
    Archive out;
    list.Serialize(out);
    return 0;
}
