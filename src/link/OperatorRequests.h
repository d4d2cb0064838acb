#pragma once
// What the operator asked of the link and the link has not yet taken: a
// clicked device row, an upload or download, the clock window's frames. The
// engine takes them at a transmit tick where the running sequence allows.
#include <QByteArray>
#include <QList>

struct OperatorRequests {
    int selection = -1;       // device index of a clicked row, or -1
    int transfer = 0;         // req::Upload or req::Download, or 0
    int transferDevice = 0;   // the device the transfer was asked for
    bool transferProbed = false; // that device was asked for its model first
    QList<QByteArray> clockFrames; // gTxFrame: complete frames, sent in order

    // The port closed: nothing waits for it (a clicked row is the caller's to take).
    void dropAll()
    {
        transfer = 0;
        clockFrames.clear();
    }
    // Only frames built for `device` may still go.
    void keepClockFramesOf(int device)
    {
        clockFrames.removeIf([device](const QByteArray& f) { return static_cast<quint8>(f[0]) != device; });
    }
};
