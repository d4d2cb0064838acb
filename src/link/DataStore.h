#pragma once
// The shared data store: live values of every device, parameters of the
// selected device (and, read in the background, of every online device), and
// the two per-device tables the main window shows.
#include "core/TextTable.h"

#include <QHash>
#include <memory>

// One device's parameters, in the layouts of sprdP_Common and sprdP_CH.
struct DeviceParams {
    DeviceParams();
    DeviceParams(const DeviceParams&) = delete;
    DeviceParams& operator=(const DeviceParams&) = delete;

    TextTable common;   // column 1, rows 1..68
    TextTable channels; // column = channel, rows 1..61; none past the device's channels

    // Takes the texts of tables of the same layouts.
    void copyTexts(const TextTable& fromCommon, const TextTable& fromChannels);
};

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
    // The last complete parameter read of each device, by device number. An
    // entry is replaced whole, never changed in place, so a holder of one
    // keeps a consistent set.
    QHash<int, std::shared_ptr<DeviceParams>> deviceParams;

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
