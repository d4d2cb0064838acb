#pragma once
// CFG/SetEnv.INI: the device list, one line per device number, "O" TAB
// description for a device that is polled.
#include <QString>
#include <QStringList>

struct LinkState;
struct DataStore;

QString DeviceListPath(const QString& programDir);

// Rebuilds the enabled devices and the device rows of the per-device tables
// from the lines of SetEnv.INI (line n describes device n + 1; every line is
// taken, however many). Earlier devices are forgotten.
void LoadDeviceList(const QStringList& lines, LinkState& link, DataStore& store);

// Reads SetEnv.INI of the program folder (creating CFG when missing) and loads it.
void ReadDeviceList(const QString& programDir, LinkState& link, DataStore& store);

// Keeps the selected device valid after the list changed: a selected device
// that is no longer listed becomes the first listed one.
void KeepSelectionValid(LinkState& link);
