#pragma once
// CFG/SetEnv.INI: the device list, one line per device number, "O" TAB
// description for a device that is polled.
#include <QString>
#include <QStringList>

struct LinkState;
struct DataStore;

// Device numbers are Modbus addresses the list can hold: 1..99.
constexpr int kMaxDeviceNumber = 99;
// A description is read up to this many characters.
constexpr int kMaxDescription = 255;

QString DeviceListPath(const QString& programDir);

// Rebuilds the enabled devices and the device rows of the per-device tables
// from the lines of SetEnv.INI (line n describes device n + 1). Lines past
// device 99 are ignored; returns how many of them were marked "O".
// Earlier devices are forgotten.
int LoadDeviceList(const QStringList& lines, LinkState& link, DataStore& store);
// The message for devices above 99 that were not taken.
QString DeviceListLimitNote(int ignored);

// The lines of SetEnv.INI of the program folder (creating CFG when missing),
// read up to 1000 lines of a description each; *note says what was cut.
QStringList ReadDeviceListLines(const QString& programDir, QString* note = nullptr);
