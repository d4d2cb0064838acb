#pragma once
// The state of the device link: the port settings (Comm.CFG), the device
// arrays, the selection and the request codes. One instance per link; the
// engine is the only writer of its request fields.
#include "link/SerialPort.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct LinkState {
    // The port's name and character format, and its RS-485 mode.
    PortSettings port;

    // Request code of the running transaction (requests waiting for the link
    // are the engine's own).
    int gReqCode = 0;

    // Enabled devices: numbers, online flags, last valid index (-1 = none).
    QList<int> gMC_No;
    QList<bool> gMC_Online;
    QStringList gMC_Desc; // the descriptions typed in Device Setup
    int gMC_Last = -1;
    int gMC_Index = 0;

    // The selected device: target of parameter reads, transfers and clock frames.
    int gSelMC_No = 0;
    int gSelMC_Index = 0;

    // The parameter read of the selected device has ended.
    bool gCommonReadDone = false;

    // Channel count of the selected device.
    int gChCount = 6;

    int deviceCount() const { return gMC_Last + 1; }
    bool isOnline(int index) const { return index >= 0 && index < gMC_Online.size() && gMC_Online[index]; }
    // First online index, or -1 when none is online.
    int firstOnlineIndex() const;
    // First online index after `index`, wrapping to the first from 0; -1 when none.
    int nextOnlineIndex(int index) const;
    // Index of a device number among the enabled devices, or -1.
    int indexOfDevice(int number) const { return gMC_No.indexOf(number); }
    // "device 3 (Kiln line 2)", or "device 3" without a description.
    QString deviceName(int number) const;
    // A window's caption followed by " – device 2 (Kiln line 2)" for the
    // selected device; the caption alone while none is selected.
    QString captionForSelected(const QString& caption) const;
};
