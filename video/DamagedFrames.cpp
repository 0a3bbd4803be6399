#include "video/DamagedFrames.h"

#include <algorithm>

#include "base/Text.h"
#include "video/CZVMovie.h"

namespace ordavia {

std::string frameRuns(const std::set<int>& frames, int first, int last, int most) {
    std::string out;
    int runs = 0;
    auto it = frames.lower_bound(first);
    while (it != frames.end() && *it < last) {
        const int a = *it;
        int b = a;
        for (++it; it != frames.end() && *it == b + 1 && *it < last; ++it) b = *it;
        if (runs == most) {
            out += ", ...";
            break;
        }
        if (runs++) out += ", ";
        out += a == b ? strprintf("%d", a) : strprintf("%d-%d", a, b);
    }
    return out;
}

int damagedCount(const CZVMovie& movie, int first, int last) {
    if (last < 0) last = movie.count();
    const std::set<int>& d = movie.damagedFrames();
    return int(std::distance(d.lower_bound(first), d.lower_bound(last)));
}

Status damagedFramesStatus(const CZVMovie& movie, int first, int last) {
    if (movie.outOfMemory())
        return Status::failure(StatusCode::NoMemory, "not enough memory for a frame of the video");
    if (last < 0 || last > movie.count()) last = movie.count();
    first = std::max(first, 0);
    const int n = damagedCount(movie, first, last);
    if (n == 0) return Status::success();
    const std::string which = frameRuns(movie.damagedFrames(), first, last);
    if (n >= last - first)
        return Status::failure(StatusCode::BadFormat,
                               strprintf("no frame of %d to %d can be decoded", first, last - 1));
    if (movie.options.skipDamaged) return Status::success();
    return Status::failure(StatusCode::BadFormat, strprintf("%d frame%s cannot be decoded (%s)", n, n == 1 ? "" : "s",
                                                            which.c_str()));
}

Status frameReadStatus(const CZVMovie& movie, int i) {
    if (movie.outOfMemory()) return Status::failure(StatusCode::NoMemory, "not enough memory for a frame of the video");
    if (movie.isDamaged(i)) return Status::failure(StatusCode::BadFormat, strprintf("frame %d cannot be decoded", i));
    return Status::success();
}

}  // namespace ordavia
