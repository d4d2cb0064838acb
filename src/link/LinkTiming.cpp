#include "link/LinkTiming.h"

#include "link/Framing.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"

namespace timing {

int TxGapMs(int gapMs, const PortSettings& settings)
{
    if (gapMs > 0)
        return gapMs;
    const qint64 us = settings.charsUs(3.5);
    return us > 0 ? static_cast<int>(qMax<qint64>(1, (us + 999) / 1000)) : kTxIntervalMs;
}

qint64 LiveFloorUs(int txGapMs, const PortSettings& settings)
{
    constexpr int kRequest = 8 + 1; // the frame and its trailing 0x00
    const qint64 wire = settings.charsUs(kRequest + ReadAnswerLength(regmap::kInputCount));
    // Settings that give no wire time are timed as 9600,N,8,1.
    return qint64(txGapMs) * 1000 + (wire > 0 ? wire : (kRequest + 99) * 10'000'000LL / 9600);
}

int StaleLimitMs(int onlineDevices, int txGapMs, const PortSettings& settings)
{
    const qint64 roundUs = qMax(1, onlineDevices) * LiveFloorUs(txGapMs, settings);
    return static_cast<int>(qBound<qint64>(kStaleMinMs, 2 * roundUs / 1000, 24 * 3600 * 1000LL));
}

} // namespace timing
