#pragma once
// When a device out of the round is asked again while monitoring: a pure
// function of the time and the devices' states. One question at most every
// gapMs of live polling; a device waits firstMs after it left the round and
// twice as long after every question it did not answer, up to eachMs. With
// nobody online (the port kept open) each device is asked every nobodyMs.
#include <QList>
#include <QtGlobal>

namespace rescan {

struct Timing {
    int gapMs = 5000;
    int firstMs = 5000;
    int eachMs = 60000;
    int nobodyMs = 10000;
};

struct Device {
    bool online = false; // in the round
    qint64 askedAt = 0;  // when it was last asked (or left the round)
    int misses = 0;      // questions in a row it did not answer
};

struct Line {
    qint64 lastEndedAt = 0; // end of the last question out of the round
    int cursor = -1;        // the device last asked, so that all take turns
};

// How long a device out of the round waits after `misses` unanswered questions.
qint64 WaitAfter(int misses, const Timing& t);
// The index of the device to ask now, or -1.
int Due(const QList<Device>& devices, const Line& line, const Timing& t, qint64 now);

} // namespace rescan
