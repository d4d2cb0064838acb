#pragma once
// The line's clock: the pause between transactions, the time-out, the quiet
// period after a fault and how old live values may be before they are stale.
#include <QtGlobal>

struct PortSettings;

namespace timing {

// tmrTX: the pause after an answer before the next request (gap_ms).
constexpr int kTxIntervalMs = 50;
// tmrRX_TOVR: silence after a request until the transaction is given up.
constexpr int kTimeoutMs = 1000;
// After a fault, a request for another block of the same device waits until
// the line has been silent this long (a late answer could be taken for its
// own), but never more than kQuietMaxMs in all, however noisy the line.
constexpr int kQuietMs = 1000;
constexpr int kQuietMaxMs = 3000;
// Live values older than the stale limit are old: never shown or logged as
// fresh. The limit is twice a round of the online devices, at least this.
constexpr int kStaleMinMs = 5000;

// The pause in effect for gapMs at these settings (0: 3.5 character times), at least 1 ms.
int TxGapMs(int gapMs, const PortSettings& settings);
// Microseconds of one live-value transaction at best: the pause, the request
// with the 0x00 behind it and the 99-byte answer on the wire.
qint64 LiveFloorUs(int txGapMs, const PortSettings& settings);
// Milliseconds after its last good live answer that a device's values are stale.
int StaleLimitMs(int onlineDevices, int txGapMs, const PortSettings& settings);

} // namespace timing
