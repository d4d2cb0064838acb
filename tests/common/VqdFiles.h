#pragma once
// Data files made in memory: the logger's header, and records with chosen
// clock readings, values and status words.
#include "link/Framing.h"
#include "logging/DataFile.h"

#include <array>

struct RecordSpec {
    QDateTime clock; // its date and time fields are stored (a UTC QDateTime converts fastest)
    std::array<float, vqd::kChannels> pv{};
    quint8 di = 0;
    quint16 relay = 0;
    std::array<quint16, 3> alarm{}; // channels 1-4, 5-8, 9-12
};

inline QByteArray VqdRecord(const RecordSpec& r)
{
    QByteArray b;
    AppendU32BE(b, PackTimeStamp(r.clock));
    for (float v : r.pv)
        AppendF32BE(b, v);
    b.append(3, '\0');
    b.append(char(r.di));
    for (quint16 w : {r.alarm[0], r.relay, r.alarm[2], r.alarm[1]}) {
        b.append(char(w & 0xFF));
        b.append(char(w >> 8));
    }
    return b;
}
