#pragma once
// The JSON payloads of the published topics: UTF-8, times in ISO 8601 with
// their offset from UTC.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class TextTable;
struct DataRecord;

// 2026-12-07T05:00:00.250+01:00 (milliseconds only when there are any).
QString IsoTime(const QDateTime& t);

struct DeviceFacts {
    int device = 0;
    QString description;
    bool online = false;
    int model = 0;
    int channels = 6;
};
QByteArray StatePayload(const DeviceFacts& d, const QDateTime& now);

// Live values of row `row` of the monitor table: `channels` values, rounded
// to each channel's decimals where they are known (null in burn-out), burn-out
// flags, four alarms a channel, six inputs and six relays.
QByteArray LivePayload(const TextTable& mon, int row, int channels, const QList<int>& decimals, const QDateTime& now);

// One record as the data file holds it (values as stored, the burn-out
// bytes as one number, alarm, input and relay bits), with its file and place.
QByteArray RecordPayload(int device, const QString& file, qint64 index, int modelCode, const DataRecord& r);
