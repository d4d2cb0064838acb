#include "link/RescanPolicy.h"

#include <algorithm>

namespace rescan {

qint64 WaitAfter(int misses, const Timing& t)
{
    qint64 wait = t.firstMs;
    for (int i = 0; i < misses && wait < t.eachMs; ++i)
        wait *= 2;
    return std::min<qint64>(wait, t.eachMs);
}

int Due(const QList<Device>& devices, const Line& line, const Timing& t, qint64 now)
{
    const bool nobody = std::none_of(devices.begin(), devices.end(), [](const Device& d) { return d.online; });
    if (!nobody && now - line.lastEndedAt < t.gapMs)
        return -1;
    const int n = static_cast<int>(devices.size());
    for (int step = 1; step <= n; ++step) {
        const int i = ((line.cursor + step) % n + n) % n;
        const Device& d = devices[i];
        if (!d.online && now - d.askedAt >= (nobody ? t.nobodyMs : WaitAfter(d.misses, t)))
            return i;
    }
    return -1;
}

} // namespace rescan
