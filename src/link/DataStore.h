#pragma once
// The shared data store: live values of every device, parameters of the
// selected device, and the two per-device tables the main window shows.
#include "core/TextTable.h"

struct DataStore {
    DataStore();
    DataStore(const DataStore&) = delete;
    DataStore& operator=(const DataStore&) = delete;

    TextTable sprdMon;       // live values, row = device index + 1
    TextTable sprdP_Common;  // common parameters, column 1, rows 1..68
    TextTable sprdP_CH;      // channel parameters, column = channel, rows 1..61
    TextTable sprdStatus;    // device table: 1 "Device No", 2 "Online", 3, 4 hidden, 5 "Description"
    TextTable sprdCommState; // counters: 1 "OK", 2 "Time Over", 3 "CRC Error" (any unusable
                             // answer), 4 "Refused" (exception answers)

    // Removes every device row of the per-device tables.
    void clearDeviceRows();
    // Appends one device row to the per-device tables.
    void appendDeviceRow(int deviceNumber, const QString& description = QString());
};

namespace status {
constexpr int DeviceNo = 1, Online = 2, Description = 5;
}
namespace counters {
constexpr int Ok = 1, TimeOver = 2, CrcError = 3, Refused = 4;
}
